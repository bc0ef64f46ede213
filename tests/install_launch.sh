#!/usr/bin/env bash
# Installs the build into a temporary prefix, validates what a desktop reads, and
# starts the installed program through its launcher in a temporary data home:
# the first start copies the default database, a later one keeps what it finds.
# Usage: install_launch.sh BUILD_DIR
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
id=org.vorlet.Vorlet
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$1" --prefix "$prefix" >/dev/null
for f in bin/Vorlet bin/vorlet bin/vorlet-makedb bin/vorlet-lists bin/vorlet-rotate share/vorlet/Call_List.db \
    share/icons/hicolor/scalable/apps/$id.svg share/doc/vorlet/copyright; do
  [ -s "$prefix/$f" ] || fail "the install lacks $f"
done
for program in "$prefix"/bin/*; do
  [ -s "$prefix/share/man/man1/$(basename "$program").1.gz" ] || fail "$(basename "$program") has no manual page"
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

# Runs the launcher offscreen for a few seconds; it must start Vorlet and keep it up.
# Started through a link, as a packager's /usr/local/bin link would.
mkdir "$work/links" && ln -s "$prefix/bin/vorlet" "$work/links/vorlet"
start() {
  local rc=0
  env "$@" QT_QPA_PLATFORM=offscreen timeout 4 "$work/links/vorlet" >/dev/null 2>&1 || rc=$?
  # timeout's 124 means Vorlet was still running when it was stopped.
  [ "$rc" -eq 124 ] || fail "the launcher ($*) ended early with $rc"
}

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
[ ! -e "$work/data/vorlet/.Call_List.db.new" ] || fail "the launcher left its copy behind"
echo "install and launcher: passed"
