# SPDX-License-Identifier: Apache-2.0
# The comparison of xlsx_export_bench: Python's openpyxl in write-only mode
# writing the same rows as the benchmark (1,000 distinct records, repeated).
# Usage: xlsx_openpyxl.py OUTPUT RECORDS
import sys
import openpyxl

rows = [[str(100000 + j), "plain text of the record", "with, a comma", 'say "hi"',
         "Z\u00fcrich", str(j * 37), "multi\nline", "tail field"] for j in range(1000)]
book = openpyxl.Workbook(write_only=True)
sheet = book.create_sheet()
sheet.append(["id", "a", "b", "c", "d", "e", "f", "g"])
for i in range(int(sys.argv[2])):
    sheet.append(rows[i % 1000])
book.save(sys.argv[1])
