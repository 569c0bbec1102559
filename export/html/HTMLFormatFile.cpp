// SPDX-License-Identifier: Apache-2.0
#include "export/html/HTMLFormatFile.h"

#include "companion/ResultCodes.h"
#include "export/ContentEncoding.h"
#include "export/FormulaGuard.h"
#include "export/html/HtmlEscape.h"
#include "export/html/HtmlText.h"
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

// Legacy: a second ALIGN, which parsers drop; valid markup names it VALIGN.
const char* verticalText(int32_t code, bool valid) {
  switch (code) {
    case 0: return valid ? "VALIGN=top>" : "ALIGN=top>";
    case 2: return valid ? "VALIGN=bottom>" : "ALIGN=bottom>";
    default: return valid ? "VALIGN=middle>" : "ALIGN=middle>";
  }
}

// Whether a cell's text is guarded: it starts like a formula as it is, or
// once the leading white space that HTML readers drop is gone.
bool guarded(const std::string& text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (oryx::startsLikeFormula(p, end)) return true;
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\f' || *p == '\r')) ++p;
  return oryx::startsLikeFormula(p, end);
}

// Table widths are 32-bit quantities that wrap around like the original's.
int32_t add32(int32_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t times32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

const char kDoctype[] = "<!DOCTYPE html>\n";
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
  m_cellStart = oryx::TagText(std::string("<TD ") + horizontalText(m_hAlign) + verticalText(m_vAlign, options.escapeMarkup));
}

std::unique_ptr<FormatFile> makeHtmlWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new HTMLFormatFile(params, options));
}

bool HTMLFormatFile::writeHead() {
  const bool utf8 = oryx::isUtf8ContentMode();
  m_utf8 = utf8;
  if (m_options.utf8Bom && utf8) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  // Valid markup: a caption only counts inside its table.
  const std::string caption = "<CAPTION>" + markup(m_caption) + "</CAPTION>\n";
  if (m_options.escapeMarkup) m_file.append(kDoctype);
  m_file.append(kHeadStart);
  // Early in the head, where browsers look for it before reading the page.
  if (m_options.declareCharset) {
    m_file.append(std::string("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=") +
                  (utf8 ? "UTF-8" : "GB2312") + "\">\n");
  }
  m_file.append(kHeadEnd);
  if (!m_options.escapeMarkup) m_file.append(caption);
  m_file.append("<TABLE WIDTH=" + std::to_string(times32(m_tableWidth, 5)) +
                " BORDER=" + std::to_string(m_border) +
                " CELLSPACING=" + std::to_string(m_cellSpacing) +
                " CELLPADDING=" + std::to_string(m_cellPadding) + ">\n");
  if (m_options.escapeMarkup) m_file.append(caption);
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
    row += verticalText(m_vAlign, m_options.escapeMarkup);
    if (m_options.formulaGuard && guarded(title)) row += oryx::kFormulaGuard;
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
  const unsigned char* p = reinterpret_cast<const unsigned char*>(field.data());
  const unsigned char* const end = p + field.size();
  const bool guard = m_options.formulaGuard && guarded(field);
  const bool strict = kEscape && oryx::hasParserErrors(p, end, m_utf8);
  if (field.size() > oryx::kHtmlPiece || strict) {
    out.put(m_cellStart.data(), m_cellStart.size());
    if (guard) out.put(&oryx::kFormulaGuard, 1);
    if (strict) {
      m_strictText.clear();
      oryx::appendStrictHtml(m_strictText, p, end, m_utf8);
      out.put(m_strictText);
    } else if (kEscape) {
      oryx::escapeHtmlTo(out, field);
    } else {
      out.put(field);
    }
    out.put(kCellEnd);
    return;
  }
  const size_t growth = kEscape ? oryx::kHtmlGrowth : 1;
  out.need(m_cellStart.size() + 1 + growth * field.size() + sizeof(kCellEnd) + oryx::TagText::kSlack);
  out.at = m_cellStart.copyTo(out.at);
  if (guard) *out.at++ = oryx::kFormulaGuard;
  if (kEscape) {
    out.at = oryx::escapeHtml(out.at, p, end);
  } else {
    out.at = oryx::put(out.at, field.data(), field.size());
  }
  out.at = oryx::put(out.at, kCellEnd);
}

std::string HTMLFormatFile::markup(const std::string& text) const {
  if (!m_options.escapeMarkup) return text;
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  oryx::appendStrictHtml(out, p, p + text.size(), oryx::isUtf8ContentMode());
  return out;
}


bool HTMLFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool HTMLFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }
