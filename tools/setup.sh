#!/usr/bin/env bash
# Installs what is missing, builds oryxutil, and runs the demo export: a
# small sample table written in every format; prints where each file is.
# Usage: tools/setup.sh [OUTPUT_DIR]      (default: ./demo-output)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
out=${1:-demo-output}
mkdir -p "${out}"
./build/examples/oryx-demo-export "$(cd "${out}" && pwd)"
