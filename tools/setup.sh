#!/usr/bin/env bash
# Installs what is missing, builds oryxutil, and exports the bundled sample
# table (examples/sample.csv: non-ASCII and wide characters, quoted commas,
# quotes and line breaks) with oryx-export to every format of this build,
# the CSV one also in part files of 100 records; lists the files written.
# Usage: tools/setup.sh [OUTPUT_DIR]      (default: ./demo-output)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
out=${1:-demo-output}
tool=./build/tools/oryx-export
sample=examples/sample.csv
for format in csv html xml txt; do
  if ! "${tool}" --list-formats | grep -qx "${format}"; then
    echo "(${format}: no writer in this build, skipped)"
    continue
  fi
  "${tool}" --format "${format}" --widths 4,16,12,10,30 --encoding UTF-8 \
            --export-name Cities --record-name City --output "${out}/sample.${format}" "${sample}"
done
"${tool}" --format csv --part-size 100 --output "${out}/parts/sample.csv" "${sample}"
