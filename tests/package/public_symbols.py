#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Fails when liboryxutil.so exports a name its installed headers do not declare.

Every component of each exported symbol's qualified name (namespace, class,
function) must be an identifier of the public headers. Instantiations of
std's, the compiler runtime's and ACE's templates are set aside: they are
emitted wherever they are used.
Usage: public_symbols.py LIBRARY INCLUDE_DIR...
"""
import re
import subprocess
import sys
from pathlib import Path

FOREIGN = ("std", "__gnu_cxx", "__cxxabiv1")
LINKER = {"__bss_start", "_edata", "_end", "_init", "_fini"}
LABELS = re.compile(r"^(typeinfo name for|typeinfo for|vtable for|VTT for|guard variable for|"
                    r"construction vtable for|non-virtual thunk to|virtual thunk to|"
                    r"covariant return thunk to) ")


def header_names(dirs):
    names = set()
    for d in dirs:
        for header in Path(d).rglob("*.h"):
            text = header.read_text(errors="replace")
            text = re.sub(r"//[^\n]*|/\*.*?\*/", " ", text, flags=re.S)
            text = re.sub(r'"(\\.|[^"\\])*"', " ", text)
            names.update(re.findall(r"[A-Za-z_]\w*", text))
    return names


def strip_brackets(text, opening, closing):
    out, depth = [], 0
    for ch in text:
        if ch == opening:
            depth += 1
        elif ch == closing and depth:
            depth -= 1
        elif depth == 0:
            out.append(ch)
    return "".join(out)


def qualified_name(symbol):
    while LABELS.match(symbol):
        symbol = LABELS.sub("", symbol, count=1)
    symbol = symbol.replace("[abi:cxx11]", "")
    symbol = re.sub(r"operator\s*(\(\)|\[\]|<<=|>>=|<=>|<<|>>|<=|>=|<|>|->\*?|[-+*/%^&|~!=,]+|new|delete)",
                    "operator", symbol)
    symbol = strip_brackets(symbol, "<", ">")
    symbol = symbol.split("(", 1)[0].strip()
    return symbol.split(" ")[-1]


def main():
    library, dirs = sys.argv[1], sys.argv[2:]
    names = header_names(dirs)
    dump = subprocess.run(["nm", "-D", "--defined-only", "-C", library],
                          check=True, capture_output=True, text=True).stdout
    bad, exported = [], 0
    for line in dump.splitlines():
        parts = line.split(" ", 2)
        if len(parts) < 3 or parts[1] in ("A",):
            continue
        symbol = parts[2]
        if symbol in LINKER:
            continue
        name = qualified_name(symbol)
        components = [c.lstrip("~") for c in name.split("::") if c]
        if not components or components[0] in FOREIGN or components[0].startswith("ACE"):
            continue
        exported += 1
        if not all(c == "operator" or c in names for c in components):
            bad.append(symbol)
    for symbol in bad:
        print("not in the public headers:", symbol)
    print(f"{exported} exported symbols of the project, {len(bad)} not in the public headers")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
