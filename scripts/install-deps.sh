#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian 12 packages oryxutil needs to build, test and benchmark.
# Idempotent: when every package is present it only runs dpkg-query and exits.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libace-dev            # ACE: tasks, TSS, configuration heap, ARGV
  p7zip-full            # 7za, the archiver the zip utilities run
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev          # option parsing of the command-line tools
  libcsv-dev            # RFC 4180 reader of oryx-export
  nlohmann-json3-dev    # JSON reader of oryx-profile (header only)
  python3-html5lib      # the profile tests' independent HTML5 reader
  libxml2-dev libxml2-utils   # benchmark comparison and the XML tests' independent reader
  libxlsxwriter-dev     # the XLSX writer's workbook library
  zlib1g-dev libzstd-dev      # gzip and zstd output of the writers
  libutf8proc-dev       # character widths and grapheme breaks of the txt terminal widths
  tmux                  # the txt terminal-width check draws the export in a real terminal
  jq zstd               # the JSON tests' second reader; zstd -dc reads back .zst output
  python3-openpyxl      # the XLSX tests' independent reader and benchmark comparison
  clang libclang-rt-14-dev    # libFuzzer targets
  valgrind
  time                  # peak memory in bench/oryx_export_bench.py
  help2man              # the tools' man pages, from their --help
  dpkg-dev file lintian # Debian packages: cpack -G DEB, dpkg-shlibdeps, checks
  debootstrap           # a clean Debian root for scripts/clean-install-check.sh
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -c "install ok installed" >/dev/null; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
