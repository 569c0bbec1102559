# SPDX-License-Identifier: Apache-2.0
# Reads an exported table back with Python's own parsers, independent of the
# writers, and prints each row's texts as hex of their UTF-8 bytes ("-" when
# empty), one row a line. Usage: table_read.py csv|html|xml FILE
#   csv:  every row, the titles first (a leading byte-order mark is skipped).
#   html: the text of every cell, rows in order, read by html5lib in strict
#         mode (a parse error fails), decoded as a browser would.
#   xml:  the root's and the first record's names, the first record's column
#         names, then every record's column texts.
#   json: every record's values (a JSON array of objects, else one object a line).
import csv, json, html5lib, sys, xml.etree.ElementTree as ET

def hexed(texts):
    print(' '.join((t or '').encode('utf-8', 'surrogateescape').hex() or '-' for t in texts))

def read_csv(path):
    with open(path, newline='', encoding='utf-8-sig', errors='surrogateescape') as f:
        for row in csv.reader(f):
            hexed(row)

def read_html(path):
    # Strict: any parse error fails the read.
    page = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(open(path, 'rb').read())
    for row in page.iter('tr'):
        hexed(''.join(cell.itertext()) for cell in row if cell.tag in ('td', 'th'))

def read_xml(path):
    root = ET.parse(path).getroot()
    records = list(root)
    hexed([root.get('name'), records[0].get('name')])
    hexed([c.get('name') for c in records[0]])
    for r in records:
        hexed([c.text for c in r])

def read_json(path):
    text = open(path, encoding='utf-8').read()
    for row in json.loads(text) if text.startswith('[') else [json.loads(l) for l in text.splitlines()]:
        hexed(row.values())

{'csv': read_csv, 'html': read_html, 'xml': read_xml, 'json': read_json}[sys.argv[1]](sys.argv[2])
