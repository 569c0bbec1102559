#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what is missing, builds the library, the tools and the examples
# (no tests, no benchmarks: scripts/test.sh builds those), and runs the demo
# export: the small table of examples/demo_export.cpp written as CSV, XML,
# HTML, boxed text and XLSX through the library, then the bundled
# examples/sample.csv (300 rows: non-ASCII and wide characters, quoted
# commas, quotes, line breaks) exported by oryx-export to every format, and
# once more as CSV part files of 100 records. Prints every file written.
# Usage: scripts/setup.sh [OUTPUT_DIR]      (default: ./demo-output)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORYX_BUILD_TESTS=OFF -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=ON -DORYX_BUILD_TOOLS=ON >/dev/null
cmake --build build -j "$(nproc)"
out=${1:-demo-output}
mkdir -p "${out}"
out=$(cd "${out}" && pwd)
./build/examples/oryx-demo-export "${out}"
tool=./build/tools/oryx-export
sample=examples/sample.csv
echo "oryx-export of ${sample}:"
for format in csv html xml txt xlsx; do
  "${tool}" --format "${format}" --widths 4,16,12,10,30 --encoding UTF-8 \
            --export-name Cities --record-name City --output "${out}/sample.${format}" "${sample}"
done
"${tool}" --format csv --part-size 100 --output "${out}/parts/sample.csv" "${sample}"
