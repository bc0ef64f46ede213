#!/usr/bin/env bash
# Installs the build into a temporary prefix, validates what a desktop reads, and
# starts the installed program through its launcher in a temporary data home:
# the first start copies the default database, a later one keeps what it finds.
# Usage: install_launch.sh BUILD_DIR
set -euo pipefail
work=$(mktemp -d)
trap 'umount "$work/full" 2>/dev/null; rm -rf "$work"' EXIT
prefix=$work/prefix
id=org.vorlet.Vorlet
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$1" --prefix "$prefix" >/dev/null
for f in lib/vorlet/Vorlet bin/vorlet bin/vorlet-makedb bin/vorlet-lists bin/vorlet-rotate share/vorlet/Call_List.db \
    share/icons/hicolor/scalable/apps/$id.svg share/doc/vorlet/copyright; do
  [ -s "$prefix/$f" ] || fail "the install lacks $f"
done
# The program is started by its launcher only: one command for it on the path.
[ ! -e "$prefix/bin/Vorlet" ] || fail "bin/ holds the program beside its launcher"
for program in "$prefix"/bin/*; do
  page=$prefix/share/man/man1/$(basename "$program").1.gz
  [ -s "$page" ] || fail "$(basename "$program") has no manual page"
  said=$(MANWIDTH=80 man -l -Tutf8 "$page" 2>&1 >/dev/null; zcat "$page" | groff -ww -man -z 2>&1)
  [ -z "$said" ] || fail "$page: $said"
done
# Read as a person would: every command of vorlet-lists --help, the list file, the Floor view's keys.
text() { MANWIDTH=200 man -l "$prefix/share/man/man1/$1.1.gz" 2>/dev/null | col -b; }
lists=$(text vorlet-lists) floor=$(text vorlet | sed -n '/^FLOOR VIEW/,/^FILES/p')
for command in $("$prefix/bin/vorlet-lists" --help | sed -n 's/^  \([a-z]\+\).*/\1/p' | sort -u); do
  grep -q "^       $command\b" <<<"$lists" || fail "vorlet-lists(1) lacks the command $command"
done
grep -q "^LIST FILE" <<<"$lists" || fail "vorlet-lists(1) lacks the list file"
for key in F U N R F11 Esc PageDown PageUp; do
  grep -q "^       $key\b" <<<"$floor" || fail "vorlet(1) lacks the Floor key $key"
done
for size in 48 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  read -r w h < <(od -An -j16 -N8 --endian=big -tu4 "$png") || fail "$png is unreadable"
  [ "$w $h" = "$size $size" ] || fail "$png is ${w}x$h, not ${size}x$size"
done
out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) && [ -z "$out" ] ||
  fail "desktop entry: $out"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "metainfo: $(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml")"

# An installed copy's advice names the launcher, not the source tree's script.
echo "a caller's own calls" >"$work/own.db"
out=$("$prefix/bin/vorlet-lists" --db "$work/own.db" show 2>&1) && fail "vorlet-lists read a file that is no database"
case $out in
  *run.sh*) fail "installed advice: $out" ;;
  *"Vorlet started from the menu or as \"vorlet\" puts the default one in its data folder"*) ;;
  *) fail "installed advice: $out" ;;
esac

# Runs the launcher offscreen for a few seconds; it must start Vorlet and keep it
# up, or keep up the box that says what stands in the way (what it says is on
# stderr too, kept in $err). Started through a link, as a packager's
# /usr/local/bin link would.
mkdir "$work/links" && ln -s "$prefix/bin/vorlet" "$work/links/vorlet"
err=$work/err
start() {
  local rc=0
  env "$@" QT_QPA_PLATFORM=offscreen timeout 4 "$work/links/vorlet" >/dev/null 2>"$err" || rc=$?
  # timeout's 124 means Vorlet was still running when it was stopped.
  [ "$rc" -eq 124 ] || fail "the launcher ($*) ended early with $rc: $(cat "$err")"
}
# Nothing but the database in a data folder: no partial or hidden copy.
only_db() { [ "$(ls -A "$1")" = Call_List.db ] || fail "$1 holds $(ls -A "$1")"; }

# First start: the folder is made and the template copied into it.
start HOME="$work/home" XDG_DATA_HOME="$work/data"
cmp -s "$prefix/share/vorlet/Call_List.db" "$work/data/vorlet/Call_List.db" ||
  fail "the first start did not copy the default database"
# A later start keeps the database it finds, whatever it holds.
echo "a caller's own calls" >"$work/own.db"
cp "$work/own.db" "$work/data/vorlet/Call_List.db"
start HOME="$work/home" XDG_DATA_HOME="$work/data"
cmp -s "$work/own.db" "$work/data/vorlet/Call_List.db" ||
  fail "a later start replaced the database"
# An unset or relative data home means ~/.local/share.
start HOME="$work/home" XDG_DATA_HOME=relative
[ -s "$work/home/.local/share/vorlet/Call_List.db" ] && [ ! -e relative ] ||
  fail "a relative data home was not ignored"
only_db "$work/data/vorlet"

# What stands in the way of the first start is told, naming the folder.
touch "$work/file"
start HOME="$work/home" XDG_DATA_HOME="$work/file"
grep -q "\"$work/file\" is a file, not a folder" "$err" || fail "a data home that is a file: $(cat "$err")"
start -u HOME XDG_DATA_HOME=
grep -q "neither XDG_DATA_HOME nor HOME" "$err" || fail "no HOME: $(cat "$err")"
if [ "$(id -u)" = 0 ] && mkdir "$work/full" && mount -t tmpfs -o size=32k tmpfs "$work/full"; then
  start HOME="$work/home" XDG_DATA_HOME="$work/full"
  grep -q "\"$work/full/vorlet\": the disk is full" "$err" || fail "a full disk: $(cat "$err")"
  [ -z "$(ls -A "$work/full/vorlet")" ] || fail "a full disk kept $(ls -A "$work/full/vorlet")"
else
  echo "the full disk is not tried: no small tmpfs can be mounted here"
fi

# Four first starts at once: one Vorlet runs on the one whole copy, the others
# say it is already running.
pids=()
for i in 1 2 3 4; do
  (err=$work/four.$i && start HOME="$work/home" XDG_DATA_HOME="$work/four") &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || exit 1; done
cmp -s "$prefix/share/vorlet/Call_List.db" "$work/four/vorlet/Call_List.db" || fail "four first starts made no whole copy"
only_db "$work/four/vorlet"
[ "$(cat "$work"/four.? | grep -c "Vorlet is already running with $work/four/vorlet/Call_List.db")" = 3 ] ||
  fail "four first starts: $(cat "$work"/four.?)"
echo "install and launcher: passed"
