#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vorlet in this folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
./setup.sh --program
exec build/Vorlet
