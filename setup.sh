#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the missing Debian packages, builds
# Vorlet, and creates the default call database in this folder when it is absent.
#   ./setup.sh [--no-build | --program] [more Debian packages...]
# --program builds only what starting Vorlet needs, not the tests and tools.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

# desktop-file-utils and appstream validate the installed desktop entry and metainfo;
# chromium, its driver and python3-selenium run the phone remote's browser test.
# dbus-daemon, at-spi2-core and python3-pyatspi press buttons as a screen reader does.
packages=(g++ make cmake qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libgl-dev fonts-liberation2 fonts-dejavu-core
  poppler-utils xvfb xdotool libxcb1-dev python3 desktop-file-utils appstream
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev pkgconf chromium chromium-driver python3-selenium
  dbus-daemon at-spi2-core python3-pyatspi)
build=1
targets=()
for arg in "$@"; do
  case "$arg" in
    --no-build) build=0 ;;
    --program) targets=(--target Vorlet vorlet-makedb) ;;
    *) packages+=("$arg") ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root (apt-get install ${missing[*]}), or install sudo, then run this again." >&2
      exit 1
    fi
    sudo=sudo
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "$build" -eq 1 ] || exit 0

[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" "${targets[@]}"

# The database is built once from the text in data/ and never overwritten.
if [ ! -e Call_List.db ]; then
  build/vorlet-makedb data/default_calls.txt Call_List.db
  echo "Created Call_List.db from data/default_calls.txt"
fi
