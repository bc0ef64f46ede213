#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite headless.
#   ./test.sh              plain build in build/, then CTest
#   ./test.sh --sanitize   the same suite built with AddressSanitizer and
#                          UndefinedBehaviorSanitizer in build-asan/
#   ./test.sh --lint       clang-tidy and cppcheck over our own sources
# Further arguments go to ctest.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

mode=plain
case "${1:-}" in
  --sanitize|--lint) mode=${1#--}; shift ;;
esac

# The folders that hold our own code; tests/ and bench/ are checked by running them.
own_dirs='core|ui|cli|remote'

case "$mode" in
plain)
  ./setup.sh
  cd build
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure "$@"
  ;;
sanitize)
  ./setup.sh --no-build
  [ -f build-asan/CMakeCache.txt ] ||
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLET_SANITIZE=ON
  cmake --build build-asan -j "$(nproc)"
  supp="$PWD/tests/sanitizer.supp"
  cd build-asan
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1 \
  LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure "$@"
  ;;
lint)
  # The plain build provides the compile commands and any generated headers.
  ./setup.sh clang-tidy cppcheck
  mapfile -t sources < <(grep -o '"file": "[^"]*"' build/compile_commands.json | cut -d'"' -f4 |
    grep -E "^$PWD/($own_dirs)/.*\.cpp$" | sort -u)
  echo "clang-tidy: ${#sources[@]} files"
  status=0
  printf '%s\0' "${sources[@]}" |
    xargs -0 -n1 -P "$(nproc)" clang-tidy -p build --quiet 2> >(grep -v '^[0-9]* warnings\? generated\.$' >&2) ||
    status=1
  mapfile -t dirs < <(ls -d $(tr '|' ' ' <<<"$own_dirs") 2>/dev/null || true)
  echo "cppcheck: ${dirs[*]}"
  cppcheck --std=c++17 --library=qt -I . --enable=warning,style,performance,portability \
    --inline-suppr --suppressions-list=.cppcheck-suppressions --error-exitcode=1 --quiet \
    -j "$(nproc)" --template='{file}:{line}: {severity}: {message} [{id}]' "${dirs[@]}" || status=1
  [ "$status" -eq 0 ] && echo "lint: no findings" || echo "lint: findings above" >&2
  exit "$status"
  ;;
esac
