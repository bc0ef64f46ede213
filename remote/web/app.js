'use strict';
// The phone remote and the read-only display. Every value from the server is
// set as text, never parsed as markup.
(function () {
  const mode = document.body.dataset.mode;
  const display = mode === 'display';
  const $ = (id) => document.getElementById(id);
  const tokenKey = 'vorlet-remote-token';

  const params = new URLSearchParams(location.search);
  const key = params.get('k');
  // The pairing secret leaves the address bar once read; a display keeps its
  // own, so that a projector that reloads comes back.
  if (key !== null && !display) history.replaceState(null, '', '/');

  let token = display ? null : load();
  let ws = null;
  let welcomed = false;
  let stopped = false;
  let retryMs = 500;
  let pingSent = 0;
  // Presses sent but not yet acknowledged: resent once after a reconnect, and
  // applied once however often they arrive.
  const pending = new Map();
  const ResendWithinMs = 15000;

  function load() { try { return localStorage.getItem(tokenKey); } catch (e) { return null; } }
  function save(t) { try { if (t) localStorage.setItem(tokenKey, t); else localStorage.removeItem(tokenKey); } catch (e) { /* private mode */ } }
  function setText(id, value) { const el = $(id); if (el) el.textContent = value === undefined || value === null ? '' : String(value); }

  function show(view) {
    for (const id of ['pairing', 'remote']) { const el = $(id); if (el) el.hidden = id !== view; }
  }

  function setOffline(offline) {
    $('offline').hidden = !offline;
    document.body.classList.toggle('is-offline', offline);
    for (const b of document.querySelectorAll('button[data-command]')) b.disabled = offline;
  }

  function render(s) {
    setText('listCall', s.listCall);
    setText('nlCall1', s.nlCall1);
    setText('nlCall2', s.nlCall2);
    if (!display) {
      // A count becomes words; any other text is shown as it came.
      const raw = s.callsLeft === undefined || s.callsLeft === null ? '' : String(s.callsLeft).trim();
      const left = /^[0-9]+$/.test(raw) ? Number(raw) : NaN;
      setText('callsLeft', Number.isFinite(left) ? (left === 1 ? '1 call left' : left + ' calls left') : raw);
      setText('pause', s.paused ? 'Resume' : 'Pause');
    }
    setText('status', s.status);
    $('paused').hidden = !s.paused;
  }

  function randomId() {
    const bytes = new Uint8Array(12);
    crypto.getRandomValues(bytes);
    return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
  }

  function send(message) { if (ws && ws.readyState === WebSocket.OPEN) ws.send(JSON.stringify(message)); }

  function press(command) {
    if (!welcomed) return;
    const id = randomId();
    pending.set(id, { command: command, at: Date.now() });
    send({ type: 'press', id: id, command: command });
  }

  function lost() {
    if (ws) { ws.onopen = ws.onmessage = ws.onclose = ws.onerror = null; try { ws.close(); } catch (e) { /* gone */ } }
    ws = null;
    welcomed = false;
    if (stopped) return;
    setOffline(true);
    setTimeout(connect, retryMs);
    retryMs = Math.min(retryMs * 2, 5000);
  }

  function denied(reason) {
    stopped = true;
    if (ws) { ws.onclose = null; ws.close(); ws = null; }
    welcomed = false;
    pending.clear();
    setOffline(false);
    if (display) {
      setText('message', reason === 'disconnected' ? 'Disconnected on the laptop. Reload the page to connect again.'
        : 'This display address is no longer valid: open the one the laptop shows now.');
      return;
    }
    token = null;
    save(null);
    show('pairing');
    setText('pairMessage', reason === 'disconnected' ? 'Disconnected on the laptop. Type the PIN to pair again.'
      : 'Pair again: type the PIN that the laptop shows.');
  }

  function connect() {
    if (stopped) return;
    ws = new WebSocket('ws://' + location.host + '/ws');
    ws.onopen = () => {
      pingSent = 0;
      if (display) send(token ? { type: 'hello', token: token } : { type: 'hello', display: key || '' });
      else send({ type: 'hello', token: token || '' });
    };
    ws.onmessage = (event) => {
      let m;
      try { m = JSON.parse(event.data); } catch (e) { return; }
      if (m.type === 'welcome') {
        welcomed = true;
        retryMs = 500;
        if (m.token) token = m.token;
        setOffline(false);
        const now = Date.now();
        for (const [id, p] of pending) {
          if (now - p.at > ResendWithinMs) pending.delete(id); // too old to be what the caller meant
          else send({ type: 'press', id: id, command: p.command });
        }
      } else if (m.type === 'state') {
        render(m.state || {});
      } else if (m.type === 'ack' || m.type === 'refused') {
        pending.delete(m.id);
      } else if (m.type === 'pong') {
        pingSent = 0;
      } else if (m.type === 'denied') {
        denied(m.reason);
      }
    };
    ws.onclose = lost;
  }

  // A dropped Wi-Fi often closes nothing: an unanswered ping tells.
  setInterval(() => {
    if (!ws || ws.readyState !== WebSocket.OPEN) return;
    if (pingSent && Date.now() - pingSent > 8000) { lost(); return; }
    if (!pingSent) { pingSent = Date.now(); send({ type: 'ping' }); }
  }, 4000);
  // A phone that wakes up checks at once instead of waiting for the next ping.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible' && !stopped && ws && ws.readyState > WebSocket.OPEN) lost();
  });

  function pair(body) {
    setText('pairMessage', 'Pairing\u2026');
    fetch('/pair', { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) })
      .then((r) => r.json().catch(() => ({})).then((j) => ({ status: r.status, j: j })))
      .then(({ status, j }) => {
        if (status === 200 && j.token) {
          token = j.token;
          save(token);
          stopped = false;
          setText('pairMessage', '');
          show('remote');
          setOffline(true);
          connect();
        } else if (j.error === 'wait') {
          setText('pairMessage', 'Too many wrong PINs: wait ' + j.seconds + ' seconds, then try again.');
        } else if (j.error === 'wrong' && body.secret) {
          setText('pairMessage', 'That code is from an earlier session: type the PIN that the laptop shows.');
        } else if (j.error === 'wrong') {
          setText('pairMessage', j.triesLeft > 0 ? 'Wrong PIN: ' + j.triesLeft + (j.triesLeft === 1 ? ' try' : ' tries') + ' left.'
            : 'Wrong PIN: wait ' + j.seconds + ' seconds, then try again.');
        } else {
          setText('pairMessage', 'The laptop did not answer as expected: try again.');
        }
      })
      .catch(() => setText('pairMessage', 'The laptop cannot be reached: check that the phone is on its network and the remote is on.'));
  }

  if (display) {
    setOffline(true);
    connect();
    return;
  }
  for (const b of document.querySelectorAll('button[data-command]')) {
    b.addEventListener('click', () => press(b.dataset.command));
  }
  $('pair').addEventListener('click', () => pair({ pin: $('pin').value.trim() }));
  $('pin').addEventListener('keydown', (e) => { if (e.key === 'Enter') pair({ pin: $('pin').value.trim() }); });
  if (key) {
    show('pairing');
    pair({ secret: key });
  } else if (token) {
    show('remote');
    setOffline(true);
    connect();
  } else {
    show('pairing');
  }
})();
