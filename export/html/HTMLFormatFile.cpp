// SPDX-License-Identifier: Apache-2.0
#include "export/html/HTMLFormatFile.h"

#include "companion/ResultCodes.h"
#include "export/ContentEncoding.h"
#include "export/html/HtmlEscape.h"
#include "export/TagText.h"

#include <memory>
#include <string>

using oryx::kOk;

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


const oryx::WriterReports kReports = {
    "HTMLFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty",
    "HTMLFormatFile::startDocument:fileName is NULL",
    "HTMLFormatFile::startDocument: already start write.",
    "HTMLFormatFile::startDocument: open file failed. fileName is %s, errno=%d.",
    "HTMLFormatFile::startDocument: write columntitle failed. fileName is %s, errno=%d.",
    "HTMLFormatFile::writefile: can't end because have not started.",
    "HTMLFormatFile::writefile: file not opened. fileName is %s.",
    "HTMLFormatFile::writefile: writen failed. fileName is %s. errno = %d",
    "HTMLFormatFile::endDocument: can't end because have not started.",
    "HTMLFormatFile::endDocument: open file failed. fileName is %s, errno=%d.",
    "HTMLFormatFile::endDocument: writen failed. fileName is %s. errno = %d.",
};

}  // namespace

HTMLFormatFile::HTMLFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : DocumentWriter(kReports, oryx::EmptyRecord::kWritten), m_options(options) {
  m_cellStart = oryx::TagText(std::string("<TD ") + horizontalText(m_hAlign) + verticalText(m_vAlign));
}

std::unique_ptr<FormatFile> makeHtmlWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new HTMLFormatFile(params, options));
}

bool HTMLFormatFile::writeHead() {
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
  return flushHead();
}

bool HTMLFormatFile::writeTail() {
  m_file.append(kPageTail);
  return true;
}

template <typename Record>
bool HTMLFormatFile::writefile(const Record& record) {
  // The row is built straight in the file's buffer.
  oryx::OutputCursor out(m_file);
  // A loop of its own for each: the escaper's constants stay out of the plain one.
  if (m_options.escapeMarkup) {
    putRow<true>(out, record);
  } else {
    putRow<false>(out, record);
  }
  out.done();
  return true;
}

long HTMLFormatFile::prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) {
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
[[gnu::always_inline]] inline void HTMLFormatFile::putRow(oryx::OutputCursor& out, const Record& record) {
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


bool HTMLFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool HTMLFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }
