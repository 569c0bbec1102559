# SPDX-License-Identifier: Apache-2.0
# Prints a workbook as the XLSX writer tests compare it, read by openpyxl.
# Per sheet: "sheet NAME freeze=CELL filter=RANGE bold=TITLES-BOLD widths=W,..."
# then one line per row: each cell as the hex of its UTF-8 text ("-" when
# empty, "n:VALUE" for a number). Strings are unescaped (_xHHHH_) as a
# spreadsheet program shows them; openpyxl leaves inline strings raw.
# Usage: xlsx_read.py full|summary BOOK...  (the books one after another).
# With "summary" only each sheet's name and row count, and the rows of the
# sheets after the first (read-only, for very large workbooks).
import re, sys, openpyxl

ESCAPE = re.compile('_x([0-9A-Fa-f]{4})_')

def cell(value):
    if value is None:
        return '-'
    if isinstance(value, (int, float)):
        return 'n:%r' % float(value)
    return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), value).encode('utf-8', 'surrogatepass').hex() or '-'

def summary(path):
    book = openpyxl.load_workbook(path, read_only=True)
    for i, sheet in enumerate(book.worksheets):
        print('sheet', sheet.title, sheet.max_row)
        if i > 0:
            for row in sheet.iter_rows(values_only=True):
                print(' '.join(cell(v) for v in row))

def full(path):
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        widths = ','.join('%s:%d' % (k, d.width) for k, d in sorted(sheet.column_dimensions.items()) if d.customWidth)
        bold = all(c.font.b for c in sheet[1])
        print('sheet %s freeze=%s filter=%s bold=%s widths=%s' % (sheet.title, sheet.freeze_panes, sheet.auto_filter.ref, bold, widths))
        for row in sheet.iter_rows(values_only=True):
            print(' '.join(cell(v) for v in row))

for path in sys.argv[2:]:
    (summary if sys.argv[1] == 'summary' else full)(path)
