# SPDX-License-Identifier: Apache-2.0
# Reads an exported table back with Python's own parsers, independent of the
# writers, and prints each row's texts as hex of their UTF-8 bytes ("-" when
# empty), one row a line. Usage: table_read.py csv|html|xml FILE
#   csv:  every row, the titles first (a leading byte-order mark is skipped).
#   html: the text of every cell, rows in order, the page decoded as a browser
#         would: byte-order mark, else the META's charset, else windows-1252.
#   xml:  the root's and the first record's names, the first record's column
#         names, then every record's column texts.
#   json: every record's values (a JSON array of objects, else one object a line).
import csv, json, html.parser, sys, xml.etree.ElementTree as ET

def hexed(texts):
    print(' '.join((t or '').encode('utf-8', 'surrogateescape').hex() or '-' for t in texts))

def read_csv(path):
    with open(path, newline='', encoding='utf-8-sig', errors='surrogateescape') as f:
        for row in csv.reader(f):
            hexed(row)

class Meta(html.parser.HTMLParser):
    charset = 'windows-1252'
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == 'meta' and a.get('http-equiv', '').lower() == 'content-type':
            self.charset = a['content'].split('charset=')[1]

class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.cell = [], None
    def handle_starttag(self, tag, attrs):
        if tag == 'tr': self.rows.append([])
        if tag in ('td', 'th'): self.cell = ''
    def handle_endtag(self, tag):
        if tag in ('td', 'th'): self.rows[-1].append(self.cell); self.cell = None
    def handle_data(self, text):
        if self.cell is not None: self.cell += text

def read_html(path):
    data = open(path, 'rb').read()
    meta = Meta(); meta.feed(data.decode('latin-1'))
    charset = 'utf-8-sig' if data.startswith(b'\xef\xbb\xbf') else meta.charset
    cells = Cells(); cells.feed(data.decode(charset, 'surrogateescape')); cells.close()
    for row in cells.rows:
        hexed(row)

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
