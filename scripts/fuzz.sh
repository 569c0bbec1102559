#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Longer fuzzing runs: every fuzz target for SECONDS each (default 600),
# printing libFuzzer's final statistics (executions, coverage, new units).
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
seconds=${1:-600}
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORYX_FUZZ=ON \
  -DORYX_SANITIZE=address,undefined -DORYX_FUZZ_SECONDS="${seconds}" \
  -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF -DORYX_BUILD_TOOLS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
ctest --test-dir build-fuzz -j "$(nproc)" --output-on-failure -V 2>&1 \
  | grep -E '^[0-9]+: (stat::|cov:|#[0-9]+ *DONE)|Test +#|tests passed'
