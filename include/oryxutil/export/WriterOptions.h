// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_WRITEROPTIONS_H
#define ORYXUTIL_EXPORT_WRITEROPTIONS_H

// Opt-in switches of the export writers, all off by default. With every
// switch off a writer produces its exact legacy bytes; each switch makes the
// output safer for some reader and is honoured only by the writers it names
// (the others ignore it). A writer copies the options when it is created.
//   escapeMarkup   HTML: valid HTML5 (a DOCTYPE, one attribute of each name,
//                  the caption inside the table); & < > " in titles, caption
//                  and fields as entities, the characters parsers report
//                  (C0 but TAB LF FF CR, DEL, C1, noncharacters) as U+FFFD.
//   declareCharset HTML: a Content-Type META in the head naming the real encoding
//                  (UTF-8, or GB2312 for local-charset content).
//   xmlSafeText    XML: always well-formed -- names and titles escaped like fields,
//                  characters XML 1.0 forbids (and malformed UTF-8) replaced by
//                  U+FFFD, CR as &#13;, LF as it is (no marker), a record with
//                  too many fields refused whole; the bytes in the declared
//                  encoding (converted; a set iconv cannot write refused).
//                  XLSX (a workbook is XML): CR, DEL and C1 kept (CR as the
//                  format's _x000D_) where the default writes U+FFFD.
//   quoteTitles    CSV: titles quoted by the field rule; a record of one empty
//                  field written as "".
//   utf8Bom        a byte-order mark first in UTF-8 content: CSV and HTML in UTF-8
//                  content mode, XML declaring UTF-8, TXT in its UTF-8 mode.
//   formulaGuard   CSV and HTML: a field or title starting with = + - @ TAB or CR
//                  gets a leading ' (HTML: also after leading white space).
//   terminalWidths TXT: text measured and cut as terminals draw it (grapheme
//                  clusters of Unicode 15, via utf8proc): wide East Asian and
//                  emoji characters, emoji and ZWJ sequences two columns,
//                  marks, format characters and variation selectors none,
//                  titles by the same rule. Control characters are shown as
//                  control pictures (U+2400..U+2421, C1 as U+FFFD; tab, LF and
//                  CR stay blanks), or as "?" in local-charset mode.
//   numericCells   XLSX and JSON: fields that are plain decimal numbers become
//                  numbers (JSON: -?(0|[1-9][0-9]*)(.[0-9]+)?, so 007, 1,234,
//                  -0 and 1e5 stay strings).
// Output switches, honoured by every writer that writes a byte stream (all
// but XLSX, a workbook already compressed and complete only when closed):
//   flushEachRecord on (the default): CSV, JSON and NDJSON hand every record
//                  to the file at once, so it is complete up to the last
//                  record at any moment (HTML, XML and TXT never promised
//                  it). Off: every writer gathers records into writes of up
//                  to a MiB; the file is complete at endDocument.
//   compression    the document's bytes go through gzip or zstd into the file
//                  (every part file is a stream of its own), in constant
//                  memory; with flushEachRecord on every record is flushed
//                  through the compressor, so a reader of the compressed file
//                  gets every record written so far. The file is named as the
//                  caller names it; a part wrapper keeps a .gz or .zst suffix
//                  last (report.csv.gz -> report-1.csv.gz).
//   compressionLevel  0: the codec's default; otherwise gzip 1..9, zstd 1..19
//                  (out-of-range levels are clamped).

namespace oryx {

enum class Compression { none, gzip, zstd };

struct WriterOptions {
  bool escapeMarkup = false;
  bool declareCharset = false;
  bool xmlSafeText = false;
  bool quoteTitles = false;
  bool utf8Bom = false;
  bool formulaGuard = false;
  bool numericCells = false;
  bool terminalWidths = false;
  bool flushEachRecord = true;
  Compression compression = Compression::none;
  int compressionLevel = 0;
};

}  // namespace oryx

#endif
