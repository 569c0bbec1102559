# SPDX-License-Identifier: Apache-2.0
# Reads a JSON or NDJSON export back with Python's json module and with jq,
# and compares every record with the expected one. Prints each difference
# and exits 1 when there is any.
# Usage: json_check.py FILE json|ndjson EXPECTED
# EXPECTED: one line per record, each field as key-hex:value-hex:kind ("-"
# for an empty text; kind n for a number, s for a string). Malformed UTF-8
# in the expected texts is replaced by U+FFFD, as Python's "replace" decodes.
import json, subprocess, sys

path, lines = sys.argv[1], sys.argv[2] == 'ndjson'

def text(h):
    return '' if h == '-' else bytes.fromhex(h).decode('utf-8', 'replace')

expected = [[(text(k), text(v), kind) for k, v, kind in (c.split(':') for c in l.split())]
            for l in open(sys.argv[3]).read().splitlines()]
raw = open(path, 'rb').read().decode('utf-8')  # strict: the file must be UTF-8
python = [json.loads(l) for l in raw.split('\n')[:-1]] if lines else json.loads(raw)
out = subprocess.run(['jq', '-c', '.' if lines else '.[]', path], capture_output=True, check=True).stdout
bad = 0
for reader, rows in (('python', python), ('jq', [json.loads(l) for l in out.decode().split('\n')[:-1]])):
    if len(rows) != len(expected):
        bad += 1
        print(reader, 'rows', len(rows), len(expected))
        continue
    for i, (row, want) in enumerate(zip(rows, expected)):
        if list(row) != [k for k, _, _ in want]:
            bad += 1
            print(reader, i, 'keys', list(row), [k for k, _, _ in want])
            continue
        for k, v, kind in want:
            got = row[k]
            ok = got == v if kind == 's' else not isinstance(got, str) and float(got) == float(v)
            if not ok:
                bad += 1
                print(reader, i, repr(k), repr(got)[:80], repr(v)[:80])
sys.exit(1 if bad else 0)
