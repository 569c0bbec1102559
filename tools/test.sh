#!/usr/bin/env bash
# Builds oryxutil and runs the whole test suite three times: a plain
# optimised build (with the install check), under AddressSanitizer +
# UndefinedBehaviorSanitizer, and under ThreadSanitizer.
# Usage: tools/test.sh            (installs missing Debian packages first)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  echo "== ${dir}"
  cmake -S . -B "${dir}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "${dir}" -j "${jobs}"
  ctest --test-dir "${dir}" --output-on-failure -j "${jobs}"
}

run_suite build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-asan -DORYX_SANITIZE=address,undefined -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF
TSAN_OPTIONS=halt_on_error=1 \
  run_suite build-tsan -DORYX_SANITIZE=thread -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF
