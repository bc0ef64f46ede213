#!/usr/bin/env python3
"""Presses over the real AT-SPI bridge, as a screen reader sends them: a Press
whose handler opens a box ("Use" on the last call, "System Info..." in the
About box) returns before the box is dismissed, and two quick presses of
"Use" are two clicks.

    atspi_press.py VORLET VORLET_MAKEDB

Runs the real program on a private X server and a private session bus of its
own. Exit status 77 (skipped) only when Xvfb or dbus-run-session is missing.
"""
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
ALL_USED = "All calls have been used.  Please reset."
RETURNS_WITHIN = 3.0  # seconds; a blocked press waits until the bridge gives up (25 s)


def wait_for(what, check, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = check()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    if not shutil.which("Xvfb") or not shutil.which("dbus-run-session"):
        print("SKIP: Xvfb and dbus-run-session are needed (./setup.sh installs them)")
        return SKIPPED
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ or os.environ.get("VORLET_ATSPI_BUS") != "1":
        # A session bus of our own, so nothing of the desktop's is touched.
        env = dict(os.environ, VORLET_ATSPI_BUS="1")
        return subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)

    import pyatspi  # fails loudly when missing: ./setup.sh installs python3-pyatspi

    vorlet, makedb = (os.path.abspath(p) for p in sys.argv[1:])
    with tempfile.TemporaryDirectory() as folder:
        calls = os.path.join(folder, "calls.txt")
        with open(calls, "w", encoding="utf-8") as f:
            f.write("[B]\nCircle Left\nForward & Back\nDosado\n")
        subprocess.run([makedb, calls, os.path.join(folder, "Call_List.db")], check=True,
                       stdout=subprocess.DEVNULL)
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        # Xvfb writes the number, then a line end: closing the pipe before the
        # line end arrives makes its second write fail, and it quits.
        display = b""
        while not display.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            display += chunk
        display = display.decode().strip()
        os.close(read)
        env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   XDG_RUNTIME_DIR=tempfile.mkdtemp(dir=folder))
        os.chmod(env["XDG_RUNTIME_DIR"], 0o700)
        log = open(os.path.join(folder, "vorlet.log"), "w+")
        program = subprocess.Popen([vorlet], cwd=folder, env=env, stdout=log, stderr=subprocess.STDOUT)
        try:
            return run(pyatspi, program, os.path.join(folder, "Call_List.db"))
        except AssertionError:
            log.seek(0)
            print("The program said:\n" + log.read() + "(exit status %s)" % program.poll())
            raise
        finally:
            program.kill()
            program.wait()
            xvfb.kill()
            xvfb.wait()


def run(pyatspi, program, db_path):
    def app():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.get_process_id() == program.pid:
                return a
        return None

    def find(role, name):
        root = app()
        if root is None:
            return None
        return pyatspi.findDescendant(root, lambda n: n.getRole() == role and n.name == name)

    def showing(node):
        return node is not None and node.getState().contains(pyatspi.STATE_SHOWING)

    def press(role, name):
        node = wait_for(name, lambda: (lambda n: n if showing(n) else None)(find(role, name)))
        action = node.queryAction()
        index = [action.getName(i) for i in range(action.nActions)].index("Press")
        started = time.monotonic()
        try:
            action.doAction(index)
        except Exception as e:  # the bridge gave up waiting for the program's answer
            print("press of %s: %s" % (name, e))
            return float("inf")
        return time.monotonic() - started

    def box(text):
        def found():
            root = app()
            return root and pyatspi.findDescendant(
                root, lambda n: n.getRole() == pyatspi.ROLE_LABEL and n.name == text and showing(n))
        return wait_for('the box "%s"' % text, found)

    def used():
        with sqlite3.connect("file:%s?mode=ro" % db_path, uri=True) as db:
            return db.execute("SELECT COUNT(*) FROM tblCalls WHERE Used = 1").fetchone()[0]

    failures = []

    def expect(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    wait_for("the main window", lambda: showing(find(pyatspi.ROLE_PUSH_BUTTON, "Get List")), timeout=60)
    press(pyatspi.ROLE_PUSH_BUTTON, "Get List")
    press(pyatspi.ROLE_PUSH_BUTTON, "Find")
    # Two quick presses: two calls marked, the last ending in the box.
    first = press(pyatspi.ROLE_PUSH_BUTTON, "Use")
    second = press(pyatspi.ROLE_PUSH_BUTTON, "Use")
    wait_for("two marks", lambda: used() == 2, timeout=5)
    third = press(pyatspi.ROLE_PUSH_BUTTON, "Use")
    expect(max(first, second) < RETURNS_WITHIN, "two quick presses of Use returned at once (%.2f s, %.2f s)"
           % (first, second))
    box(ALL_USED)
    expect(third < RETURNS_WITHIN, "Use ending in the box returned at once (%.2f s)" % third)
    expect(used() == 3, "three presses marked three calls (%d)" % used())
    expect(press(pyatspi.ROLE_PUSH_BUTTON, "OK") < RETURNS_WITHIN, "OK on the box returned at once")
    wait_for("the box to close", lambda: not showing(find(pyatspi.ROLE_LABEL, ALL_USED)), timeout=10)

    press(pyatspi.ROLE_PUSH_BUTTON, "About")
    took = press(pyatspi.ROLE_PUSH_BUTTON, "System Info...")
    box("System Information Is Unavailable At This Time")
    expect(took < RETURNS_WITHIN, "System Info... returned at once (%.2f s)" % took)
    press(pyatspi.ROLE_PUSH_BUTTON, "OK")
    expect(program.poll() is None, "the program is still running")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
