#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The licence line of every tracked source, header and script:
#   // SPDX-License-Identifier: Apache-2.0   C and C++ (.c .cpp .h, .h.in)
#   # SPDX-License-Identifier: Apache-2.0    shell, Python, CMake, bash
#                                            completions, extensionless scripts
# placed first, or right after a "#!" line. Data files (CSV, fuzz corpus,
# man-page includes, tao.cfg, .pc template, Debian control files, Markdown,
# LICENSE) get none.
# Usage: scripts/add-spdx.sh          inserts the line where it is missing
#                                     (idempotent) and retires the pending list
#        scripts/add-spdx.sh --check  lists the files without it; exit 1 when
#                                     one is neither listed in
#                                     scripts/spdx-pending.txt (files older
#                                     than the rule, by name) nor has the line
set -euo pipefail
cd "$(dirname "$0")/.."
readonly LINE="SPDX-License-Identifier: Apache-2.0"
readonly PENDING=scripts/spdx-pending.txt

# The comment leader of a file, or nothing for a file that takes no line.
leader() {
  local path=$1 name=${1##*/}
  case "$path" in
    tests/fuzz/corpus/*) return ;;
    */completions/*) echo "#"; return ;;
  esac
  case "$name" in
    *.c|*.cc|*.cpp|*.h|*.hpp|*.h.in) echo "//" ;;
    *.sh|*.py|*.cmake|*.cmake.in|CMakeLists.txt) echo "#" ;;
    *.*) ;;
    *) if head -c 2 "$path" | grep -q '^#!'; then echo "#"; fi ;;
  esac
}

has_line() { head -n 3 "$1" | grep -qF "$LINE"; }

if [ "${1:-}" = "--check" ]; then
  if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "add-spdx: not a git checkout, nothing to check"
    exit 77
  fi
  failed=0
  while IFS= read -r path; do
    [ -f "$path" ] || continue
    [ -n "$(leader "$path")" ] || continue
    has_line "$path" && continue
    if [ -f "$PENDING" ] && grep -qxF "${path##*/}" "$PENDING"; then
      echo "pending: $path"
    else
      echo "missing $LINE: $path"
      failed=1
    fi
  done < <(git ls-files)
  exit $failed
fi

while IFS= read -r path; do
  [ -f "$path" ] || continue
  lead=$(leader "$path")
  [ -n "$lead" ] || continue
  has_line "$path" && continue
  tmp=$(mktemp)
  if head -c 2 "$path" | grep -q '^#!'; then
    { head -n 1 "$path"; echo "$lead $LINE"; tail -n +2 "$path"; } >"$tmp"
  else
    { echo "$lead $LINE"; cat "$path"; } >"$tmp"
  fi
  cat "$tmp" >"$path"  # keeps the file's mode
  rm -f "$tmp"
  echo "added: $path"
done < <(git ls-files)
if [ -f "$PENDING" ]; then git rm -q "$PENDING" 2>/dev/null || rm -f "$PENDING"; fi
