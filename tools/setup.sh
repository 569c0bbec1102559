#!/usr/bin/env bash
# Installs what is missing, builds oryxutil, and runs the demo export: the
# sample table of examples/demo_export.cpp (non-ASCII and wide characters,
# quotes, commas, a line break) written as CSV, XML, HTML and boxed text, then
# the bundled examples/sample.csv exported by oryx-export in part files of
# 100 records. Prints every file written.
# Usage: tools/setup.sh [OUTPUT_DIR]      (default: ./demo-output)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
out=${1:-demo-output}
mkdir -p "${out}"
out=$(cd "${out}" && pwd)
./build/examples/oryx-demo-export "${out}"
echo "oryx-export part files:"
./build/tools/oryx-export --format csv --part-size 100 --output "${out}/parts/sample.csv" examples/sample.csv
