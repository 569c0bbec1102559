// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_TXT_TXTFORMATFILE_H
#define ORYXUTIL_EXPORT_TXT_TXTFORMATFILE_H

// Writes a table as boxed fixed-width text: every cell framed by asterisks,
// every record (and the title row) a block of a blank line, its text lines,
// a blank line and a border line of asterisks; long cell text wraps inside
// its column. Column widths are the larger of the caller's width and the
// title's length.
// Two modes, fixed for a document when it starts:
//  - UTF-8 mode (encoding "UTF-8", or none on a global-version installation
//    without FILECONTENT_LOCAL_CHARSET=1): widths count display columns and
//    the caller's thread writes each record;
//  - local-charset mode (otherwise): widths count bytes, a pair of bytes
//    above 0x7F is never split, and the blocks are laid out one after
//    another in buffers of many records (recycled, with their queue
//    blocks) that the writer's own thread writes to the file. The caller
//    waits while 1 MiB of buffers is queued, and a record of more than
//    1 MiB goes in parts, so the memory in flight stays a few MiB.
// Results: 0 / -1, failures reported through the trace client. A write
// failure of the writer thread shows at a later writeRecord (records reach
// the thread some 60 KiB at a time) and at endDocument.
// Threads: one caller thread at a time per object; the writer thread runs
// only between startDocument and endDocument of a local-charset document.
// Destroying a writer ends an open document (its blocks are written) first.
// Process life: in a forked child an open local-charset document is the
// parent's (whose writer thread writes every block queued before the fork):
// the child drops its copies of the queued blocks and closes its descriptor
// without writing, so endDocument and destruction return at once there and
// later records fail. While the process exits, a document cannot start and
// an ending writer thread is left to the exit instead of being joined.
// Options: utf8Bom starts a UTF-8 mode document with a byte-order mark;
// terminalWidths measures and cuts text as terminals draw it (TextWidth.h)
// and shows control characters as control pictures, "?" in local-charset
// mode; the other switches do not concern this writer.
// Memory: a record whose cells hold more than a MiB, and every record by
// the terminal rule, is cut and written a line at a time straight from the
// caller's text, so a huge field costs no copy of itself.

#include "companion/async/BackgroundWriter.h"
#include "export/DocumentWriter.h"
#include "export/txt/TextWidth.h"

#include <cstdint>
#include <memory>

// The writer thread is the BackgroundWriter base (an ACE task): records are
// laid out in its room() and queued a block at a time.
class TXTFormatFile : public DocumentWriter, public oryx::BackgroundWriter {
 public:
  explicit TXTFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options = {});
  ~TXTFormatFile() override;
  TXTFormatFile(const TXTFormatFile&) = delete;
  TXTFormatFile& operator=(const TXTFormatFile&) = delete;

 private:
  bool hasTitles() const override { return !m_ColumnTitle.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  bool takeTitleEncoding(const char* encoding) override;
  bool canStart(const char* name) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;
  bool writeTail() override;

  bool isUtf8Mode() const;
  template <typename Record>
  bool writefile(const Record& record);

  // Local-charset layout (TXTBlockLayout.cpp).
  template <typename Cells>
  bool putBlock(const Cells& cells);
  // UTF-8 layout (TXTLineLayout.cpp).
  template <typename Cells>
  void writeLines(const Cells& cells);
  template <typename Cells>
  void writeLinesOneByOne(const Cells& cells);
  // Text line `line` of the record that writeLines has cut, at `out`;
  // returns its end. kOvershoot: blanks may be stored up to seven bytes
  // past their end (laid over by what follows).
  enum BlankStores { kOvershoot, kExact };
  template <BlankStores stores>
  char* layOutLine(size_t line, char* out) const;
  size_t lineBytes(size_t line) const;

  // The writer thread's block sizes, nap and report (TXTWriterThread.cpp).
  static const oryx::BackgroundWriter::Settings& writerSettings();

  std::vector<uint32_t> m_ColumnWidth;
  std::list<std::string> m_ColumnTitle;
  std::unique_ptr<char[]> m_borderLine;
  std::unique_ptr<char[]> m_blankLine;
  uint32_t m_lineLength = 0;
  std::string m_encoding;

  const bool m_utf8Bom;
  const oryx::WidthRule m_widthRule;
  bool m_utf8Document = false;  // the mode of the open document

  // Scratch of writeLines, kept to avoid allocating per record: the cells
  // that need repair, the cells' pieces and each cell's cut.
  static constexpr size_t kOwnText = static_cast<size_t>(-1);
  struct CutCell {
    const char* text;   // where its pieces' offsets count from
    size_t repairedAt;  // its place in m_cellText, or kOwnText (the caller's text)
    uint32_t first;     // its first piece in m_pieces
    uint32_t lines;     // its number of pieces
    uint32_t width;     // its column's width
  };
  std::string m_cellText;
  std::vector<oryx::CellPiece> m_pieces;
  std::vector<CutCell> m_cuts;  // the first m_cutCount are the record's
  // Scratch of writeLinesOneByOne: each cell's cut and the line being laid out.
  std::vector<oryx::CellLines> m_cellLines;
  std::string m_line;
  size_t m_cutCount = 0;
  // Scratch of putBlock: which cells are copied in runs, and where each
  // cell's next line starts (a huge record is laid out in parts).
  std::vector<uint8_t> m_cellPlain;
  std::vector<size_t> m_cellFrom;
};

#endif
