#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Builds and runs the README's samples against an installed oryxutil.

The README's fenced blocks: every ```cpp block is a whole program; the
```cmake block that calls find_package(oryxutil) is the CMakeLists.txt of a
program in app.cpp; the ```sh line that starts with "c++" builds app.cpp
through pkg-config. Each program is built both ways, exactly as written,
and run in a scratch directory: it must exit 0, and every file it reports
as "wrote PATH" must exist and not be empty.

  readme_samples.py extract README DIR   writes DIR/sample-N/{app.cpp,
                                         CMakeLists.txt} and DIR/run.sh
  readme_samples.py run README DIR       extracts, then runs DIR/run.sh

run.sh uses whatever the environment gives (CMAKE_PREFIX_PATH,
PKG_CONFIG_PATH, LD_LIBRARY_PATH), so the same script checks a scratch
prefix and a clean machine with the Debian packages installed.
"""
import re
import shlex
import subprocess
import sys
from pathlib import Path

RUN = r'''#!/bin/sh
# Generated from the README by readme_samples.py.
set -eu
cd "$(dirname "$0")"
check() {  # DIR PROGRAM: runs it in DIR, checks the files it wrote
  if ! out=$(cd "$1" && "$2"); then
    printf '%s\n' "$out"
    echo "README sample $1: failed" >&2
    exit 1
  fi
  printf '%s\n' "$out"
  printf '%s\n' "$out" | sed -n 's/^wrote //p' | while IFS= read -r f; do
    case "$f" in /*) ;; *) f="$1/$f" ;; esac
    [ -s "$f" ] || { echo "README sample $1: $f missing or empty" >&2; exit 1; }
  done
}
'''


def blocks(text, language):
    return re.findall(r"^```" + language + r"\n(.*?)^```", text, flags=re.M | re.S)


def extract(readme, out):
    text = Path(readme).read_text()
    programs = blocks(text, "cpp")
    cmake = [b for b in blocks(text, "cmake") if "find_package(oryxutil" in b]
    compile_lines = [line.strip() for b in blocks(text, "sh") for line in b.splitlines()
                     if line.strip().startswith("c++ ") and "pkg-config" in line]
    if not programs or len(cmake) != 1 or len(compile_lines) != 1:
        sys.exit(f"README: {len(programs)} C++ programs, {len(cmake)} CMake consumer blocks, "
                 f"{len(compile_lines)} pkg-config build lines (want >= 1, 1, 1)")
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    script = [RUN]
    for n, program in enumerate(programs, 1):
        if "int main(" not in program:
            sys.exit(f"README C++ block {n} is not a whole program")
        d = out / f"sample-{n}"
        d.mkdir(exist_ok=True)
        (d / "app.cpp").write_text(program)
        (d / "CMakeLists.txt").write_text(cmake[0])
        q = shlex.quote(d.name)
        script.append(f'echo "== README sample {n}: CMake"\n'
                      f'cmake -S {q} -B {q}/build >/dev/null\n'
                      f'cmake --build {q}/build >/dev/null\n'
                      f'check {q}/build ./app\n'
                      f'echo "== README sample {n}: pkg-config"\n'
                      f'(cd {q} && {compile_lines[0]})\n'
                      f'check {q} ./app\n')
    script.append('echo "README samples: all passed"\n')
    (out / "run.sh").write_text("".join(script))
    (out / "run.sh").chmod(0o755)
    return out / "run.sh"


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("extract", "run"):
        sys.exit(__doc__)
    script = extract(sys.argv[2], sys.argv[3])
    if sys.argv[1] == "run":
        sys.exit(subprocess.run([str(script)]).returncode)


if __name__ == "__main__":
    main()
