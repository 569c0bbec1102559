#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds everything scripts/setup.sh leaves out (tests, benchmarks) and runs
# the whole test suite three times: a plain optimised build (with the
# examples, the README samples, the install check and a valgrind run of the
# demo), under AddressSanitizer + UndefinedBehaviorSanitizer, and under
# ThreadSanitizer; builds and checks the Debian packages
# (tests/package/check.sh; as root also installed with apt into a fresh
# Debian root); then every fuzz target for ORYX_FUZZ_SECONDS (default 60).
# Usage: scripts/test.sh            (installs missing Debian packages first)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  echo "== ${dir}"
  cmake -S . -B "${dir}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "${dir}" -j "${jobs}"
  ctest --test-dir "${dir}" --output-on-failure -j "${jobs}"
}

run_suite build -DORYX_BUILD_TESTS=ON -DORYX_BUILD_BENCH=ON -DORYX_BUILD_EXAMPLES=ON -DORYX_BUILD_TOOLS=ON
echo "== build-deb"
# As root the packages are also installed into a fresh Debian root (about
# six minutes, most of it downloading).
if [ "$(id -u)" -eq 0 ]; then
  ORYX_CLEAN_INSTALL=1 tests/package/check.sh build-deb
else
  echo "not root: the clean-machine install check is skipped (scripts/clean-install-check.sh)"
  tests/package/check.sh build-deb
fi
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-asan -DORYX_SANITIZE=address,undefined -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF
TSAN_OPTIONS=halt_on_error=1 \
  run_suite build-tsan -DORYX_SANITIZE=thread -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF
run_suite build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORYX_FUZZ=ON \
  -DORYX_SANITIZE=address,undefined -DORYX_FUZZ_SECONDS="${ORYX_FUZZ_SECONDS:-60}" \
  -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF -DORYX_BUILD_TOOLS=OFF
