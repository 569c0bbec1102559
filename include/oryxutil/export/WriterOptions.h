#ifndef ORYXUTIL_EXPORT_WRITEROPTIONS_H
#define ORYXUTIL_EXPORT_WRITEROPTIONS_H

// Opt-in switches of the export writers, all off by default. With every
// switch off a writer produces its exact legacy bytes; each switch makes the
// output safer for some reader and is honoured only by the writers it names
// (the others ignore it). A writer copies the options when it is created.
//   escapeMarkup   HTML: & < > " in titles, caption and fields written as entities.
//   declareCharset HTML: a Content-Type META in the head naming the real encoding
//                  (UTF-8, or GB2312 for local-charset content).
//   xmlSafeText    XML: always well-formed -- names and titles escaped like fields,
//                  characters XML 1.0 forbids (and malformed UTF-8) replaced by
//                  U+FFFD, CR as &#13;, a record with too many fields refused whole.
//   quoteTitles    CSV: titles quoted by the field rule; a record of one empty
//                  field written as "".
//   utf8Bom        a byte-order mark first in UTF-8 content: CSV and HTML in UTF-8
//                  content mode, XML declaring UTF-8, TXT in its UTF-8 mode.
//   formulaGuard   CSV: a field (not a title) starting with = + - @ TAB or CR gets
//                  a leading '.
//   numericCells   XLSX: fields that are plain decimal numbers become numeric cells.

namespace oryx {

struct WriterOptions {
  bool escapeMarkup = false;
  bool declareCharset = false;
  bool xmlSafeText = false;
  bool quoteTitles = false;
  bool utf8Bom = false;
  bool formulaGuard = false;
  bool numericCells = false;
};

}  // namespace oryx

#endif
