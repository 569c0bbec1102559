#include "export/HTMLFormatFile.h"

#include "companion/trace/Report.h"
#include "export/ContentEncoding.h"
#include "export/HtmlEscape.h"
#include "export/TagText.h"
#include "export/WriterCodes.h"

#include <cerrno>
#include <string>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

const char* horizontalText(int32_t code) {
  switch (code) {
    case 1: return "ALIGN=center ";
    case 2: return "ALIGN=right ";
    default: return "ALIGN=left ";
  }
}

const char* verticalText(int32_t code) {
  switch (code) {
    case 0: return "ALIGN=top>";
    case 2: return "ALIGN=bottom>";
    default: return "ALIGN=middle>";
  }
}

// Table widths are 32-bit quantities that wrap around like the original's.
int32_t add32(int32_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t times32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

const char kHeadStart[] = "<HTML>\n<HEAD>\n";
const char kHeadEnd[] = "<TITLE>\n\n</TITLE>\n<BODY>\n";
const char kPageTail[] = "</TABLE>\n</BODY>\n</HTML>\n";
const char kEmptyCell[] = "<TD><BR></TD>\n";
const char kCellEnd[] = "</TD>\n";

static_assert(oryx::TagText::kSlack >= oryx::kHtmlSlack, "a cell's room covers the escaper's slack");

}  // namespace

HTMLFormatFile::HTMLFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : m_options(options) {
  m_cellStart = oryx::TagText(std::string("<TD ") + horizontalText(m_hAlign) + verticalText(m_vAlign));
}

HTMLFormatFile::~HTMLFormatFile() = default;  // m_file flushes and closes itself, without the tail

long HTMLFormatFile::startDocument(const char* name, const char* /*encoding*/) {
  return startDocument(name);
}

long HTMLFormatFile::startDocument(const char* name) {
  if (name == nullptr) {
    report("HTMLFormatFile::startDocument:fileName is NULL");
    return kFailed;
  }
  if (m_isWrite) {
    report("HTMLFormatFile::startDocument: already start write.");
    return kFailed;
  }
  fileName = name;
  if (!m_file.open(fileName)) {
    report("HTMLFormatFile::startDocument: open file failed. fileName is %s, errno=%d.",
           fileName.c_str(), errno);
    return kFailed;
  }
  const bool utf8 = oryx::isUtf8ContentMode();
  if (m_options.utf8Bom && utf8) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  m_file.append(kHeadStart);
  // Early in the head, where browsers look for it before reading the page.
  if (m_options.declareCharset) {
    m_file.append(std::string("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=") +
                  (utf8 ? "UTF-8" : "GB2312") + "\">\n");
  }
  m_file.append(kHeadEnd);
  m_file.append("<CAPTION>");
  m_file.append(markup(m_caption));
  m_file.append("</CAPTION>\n");
  m_file.append("<TABLE WIDTH=" + std::to_string(times32(m_tableWidth, 5)) +
                " BORDER=" + std::to_string(m_border) +
                " CELLSPACING=" + std::to_string(m_cellSpacing) +
                " CELLPADDING=" + std::to_string(m_cellPadding) + ">\n");
  m_file.append(m_ColumnTitle);
  // The head is written at once, so a file that cannot take it fails here.
  if (!m_file.flush()) {
    report("HTMLFormatFile::startDocument: write columntitle failed. fileName is %s, errno=%d.",
           fileName.c_str(), errno);
    return kFailed;
  }
  m_isWrite = true;
  return kOk;
}

long HTMLFormatFile::endDocument() {
  if (!m_isWrite) {
    report("HTMLFormatFile::endDocument: can't end because have not started.");
    return kFailed;
  }
  m_isWrite = false;
  if (!m_file.isOpen()) {
    report("HTMLFormatFile::endDocument: open file failed. fileName is %s, errno=%d.",
           fileName.c_str(), errno);
    return kFailed;
  }
  m_file.append(kPageTail);
  if (!m_file.close()) {
    report("HTMLFormatFile::endDocument: writen failed. fileName is %s. errno = %d.",
           fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

long HTMLFormatFile::writeRecord(const std::vector<std::string>& record) { return writefile(record); }

long HTMLFormatFile::writeRecord(const std::list<std::string>& record) { return writefile(record); }

template <typename Record>
long HTMLFormatFile::writefile(const Record& record) {
  if (!m_isWrite) {
    report("HTMLFormatFile::writefile: can't end because have not started.");
    return kFailed;
  }
  if (!m_file.isOpen()) {
    report("HTMLFormatFile::writefile: file not opened. fileName is %s.", fileName.c_str());
    return kFailed;
  }
  // The row is built straight in the file's buffer.
  oryx::OutputCursor out(m_file);
  // A loop of its own for each: the escaper's constants stay out of the plain one.
  if (m_options.escapeMarkup) {
    writeRow<true>(out, record);
  } else {
    writeRow<false>(out, record);
  }
  out.done();
  if (!m_file.good()) {
    report("HTMLFormatFile::writefile: writen failed. fileName is %s. errno = %d", fileName.c_str(),
           errno);
    return kFailed;
  }
  return kOk;
}

long HTMLFormatFile::writeColumnTitle(const std::list<std::string>& titles, const char* /*encoding*/,
                                      const std::list<long>& widths) {
  return writeColumnTitle(titles, widths);
}

long HTMLFormatFile::writeColumnTitle(const std::list<std::string>& titles,
                                      const std::list<long>& widths) {
  if (titles.empty()) {
    if (m_ColumnTitle.empty()) {
      report("HTMLFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty");
      return kFailed;
    }
    return kOk;
  }
  std::string row = "<TR>\n";
  for (const std::string& title : titles) {
    row += "<TH ";
    row += horizontalText(m_hAlign);
    row += verticalText(m_vAlign);
    row += title.empty() ? std::string("<BR>") : markup(title);
    row += "</TH>\n";
  }
  row += "</TR>\n";
  m_ColumnTitle = std::move(row);

  for (long width : widths) m_tableWidth = add32(m_tableWidth, static_cast<int32_t>(width));
  if (m_tableWidth > 0) {
    // Room for the borders and padding of every column.
    const int32_t n = static_cast<int32_t>(titles.size());
    m_tableWidth = add32(m_tableWidth, add32(add32(n, times32(times32(2, n), m_border)), 1));
  }
  return kOk;
}

template <bool kEscape, typename Record>
[[gnu::always_inline]] inline void HTMLFormatFile::writeRow(oryx::OutputCursor& out, const Record& record) {
  out.put("<TR>\n");
  for (const std::string& field : record) {
    if (field.empty()) {
      out.put(kEmptyCell);
    } else {
      writeCell<kEscape>(out, field);
    }
  }
  out.put("</TR>\n");
}

template <bool kEscape>
[[gnu::always_inline]] inline void HTMLFormatFile::writeCell(oryx::OutputCursor& out, const std::string& field) {
  if (field.size() > oryx::kHtmlPiece) {
    out.put(m_cellStart.data(), m_cellStart.size());
    if (kEscape) {
      oryx::escapeHtmlTo(out, field);
    } else {
      out.put(field);
    }
    out.put(kCellEnd);
    return;
  }
  const size_t growth = kEscape ? oryx::kHtmlGrowth : 1;
  out.need(m_cellStart.size() + growth * field.size() + sizeof(kCellEnd) + oryx::TagText::kSlack);
  out.at = m_cellStart.copyTo(out.at);
  if (kEscape) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
    out.at = oryx::escapeHtml(out.at, p, p + field.size());
  } else {
    out.at = oryx::put(out.at, field.data(), field.size());
  }
  out.at = oryx::put(out.at, kCellEnd);
}

std::string HTMLFormatFile::markup(const std::string& text) const {
  return m_options.escapeMarkup ? oryx::escapedHtml(text) : text;
}

void HTMLFormatFile::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
