// SPDX-License-Identifier: Apache-2.0
#include "export/xlsx/XLSXFormatFile.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/trace/Report.h"
#include "export/PlainDecimal.h"

#include <xlsxwriter.h>

#include <locale.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

const uint32_t kSheetRows = LXW_ROW_MAX;
const size_t kMaxColumns = LXW_COL_MAX;
const long kMaxColumnWidth = 255;  // the program's widest column

// The library prints numbers (cells, column widths) with printf, which
// follows the thread's LC_NUMERIC: in a process whose locale has a decimal
// comma it would write "1,5" into the workbook. Its calls that may print
// run under the "C" locale, set for this thread alone.
class CNumericScope {
 public:
  CNumericScope() : m_old(locale() != nullptr ? ::uselocale(locale()) : nullptr) {}
  ~CNumericScope() {
    if (m_old != nullptr) ::uselocale(m_old);
  }
  CNumericScope(const CNumericScope&) = delete;
  CNumericScope& operator=(const CNumericScope&) = delete;

 private:
  static locale_t locale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);  // kept for the process
    return c;
  }
  locale_t m_old;
};

// The directory of a native path, where the workbook keeps its rows.
std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

const oryx::WriterReports kReports = {
    "XLSXFormatFile::writeColumnTitle:return -1",
    "XLSXFormatFile::startDocument: fileName is Null.",
    "XLSXFormatFile::startDocument: m_isWrite is true, %s.",
    "XLSXFormatFile::startDocument: open fail, file=%s, errno=%d.",
    nullptr,  // the workbook's failures: writeHead
    nullptr,  // a record before the start
    nullptr,  // the workbook has no open file to check
    "XLSXFormatFile::writefile: writen failed. fileName is %s. errno = %d.",
    "XLSXFormatFile::endDocument: m_isWrite is false, %s.",
    nullptr,  // the workbook has no open file to check
    "XLSXFormatFile::endDocument: failed, %s. errno = %d ",
};

}  // namespace

XLSXFormatFile::XLSXFormatFile(const std::list<std::string>& /*params*/,
                               const oryx::WriterOptions& options)
    : DocumentWriter(kReports, oryx::EmptyRecord::kSkipped),
      m_options(options),
      m_sheetRows(kSheetRows),
      m_cell(options.xmlSafeText) {}  // a workbook is XML: its safe text keeps what XML allows

std::unique_ptr<FormatFile> makeXlsxWriter(const std::list<std::string>& params, const oryx::WriterOptions& options) {
  return std::unique_ptr<FormatFile>(new XLSXFormatFile(params, options));
}

// The records written so far are kept, as the other writers keep theirs.
XLSXFormatFile::~XLSXFormatFile() {
  if (!m_isWrite) return;
  CNumericScope numeric;
  finishSheet();
  if (sheetFailed()) {
    discardWorkbook();
  } else {
    workbook_close(m_workbook);
  }
}

bool XLSXFormatFile::canStart(const char* name) {
  if (!m_ColumnTitle.empty()) return true;
  fileName = name;  // kept for later reports, as this writer always did
  report("XLSXFormatFile::startDocument: no column titles, %s.", name);
  return false;
}

// The workbook reaches its file only at the end; the base has created the
// file already, so a bad path or a missing permission failed there, as
// with the others. The workbook writes the file by its name: the
// descriptor is not needed.
bool XLSXFormatFile::writeHead() {
  m_file.abandon();
  m_localCharset = !oryx::isUtf8ContentMode();
  m_cutReported = false;
  m_titleCells.clear();
  if (m_localCharset && !m_decoder.open()) {
    report("XLSXFormatFile::startDocument: workbook fail, file=%s, errno=%d.", fileName.c_str(), errno);
    return false;
  }
  for (const std::string& title : m_ColumnTitle) m_titleCells.emplace_back(cellText(title));

  const std::string native = oryx::nativePath(fileName);
  m_tmpDir = directoryOf(native);
  // The temporary rows sit on the export's own disk, not in a possibly
  // small or memory-backed /tmp. ZIP64 lets a sheet exceed 4 GiB.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = &m_tmpDir[0];
  options.use_zip64 = LXW_TRUE;
  errno = 0;
  m_workbook = workbook_new_opt(native.c_str(), &options);
  if (m_workbook != nullptr) {
    m_titleFormat = workbook_add_format(m_workbook);
    format_set_bold(m_titleFormat);
  }
  m_sheetCount = 0;
  if (m_workbook == nullptr || !addSheet()) {
    report("XLSXFormatFile::startDocument: workbook fail, file=%s, errno=%d.", fileName.c_str(), errno);
    discardWorkbook();
    return false;
  }
  return true;
}

bool XLSXFormatFile::addSheet() {
  char name[24];
  std::snprintf(name, sizeof(name), "Sheet%u", m_sheetCount + 1);
  // On failure the full sheet stays current: the next record tries again
  // and endDocument still writes what the sheets hold.
  lxw_worksheet* sheet = workbook_add_worksheet(m_workbook, name);
  if (sheet == nullptr) return false;
  m_sheet = sheet;
  ++m_sheetCount;
  lxw_col_t column = 0;
  for (const std::string& title : m_titleCells) {
    worksheet_write_string(m_sheet, 0, column++, title.c_str(), m_titleFormat);
  }
  worksheet_freeze_panes(m_sheet, 1, 0);
  column = 0;
  for (const long width : m_ColumnWidth) {
    if (column == m_titleCells.size()) break;
    if (width > 0) {
      const double characters = static_cast<double>(width < kMaxColumnWidth ? width : kMaxColumnWidth);
      worksheet_set_column(m_sheet, column, column, characters, nullptr);
    }
    ++column;
  }
  m_row = 1;
  return true;
}

void XLSXFormatFile::finishSheet() {
  const lxw_col_t lastColumn = static_cast<lxw_col_t>(m_titleCells.size() - 1);
  worksheet_autofilter(m_sheet, 0, 0, m_row - 1, lastColumn);
}

// Rows leave the library through a buffered stream without a check; its
// error flag is the only witness of a lost row. The flush renews errno.
bool XLSXFormatFile::sheetFailed() {
  FILE* rows = m_sheet->optimize_tmpfile;
  if (rows == nullptr || !std::ferror(rows)) return false;
  std::fflush(rows);
  return true;
}

void XLSXFormatFile::discardWorkbook() {
  if (m_workbook != nullptr) lxw_workbook_free(m_workbook);
  m_workbook = nullptr;
  m_sheet = nullptr;
}

bool XLSXFormatFile::writeTail() {
  CNumericScope numeric;
  finishSheet();
  if (sheetFailed()) {
    const int error = errno;
    discardWorkbook();
    errno = error;
    return false;
  }
  errno = 0;
  const lxw_error error = workbook_close(m_workbook);  // frees the workbook in any case
  m_workbook = nullptr;
  m_sheet = nullptr;
  return error == LXW_NO_ERROR;
}

template <typename Record>
bool XLSXFormatFile::writefile(const Record& record) {
  if (record.size() > kMaxColumns) {
    report("XLSXFormatFile::writefile: more than %d fields. fileName is %s.", static_cast<int>(kMaxColumns),
           fileName.c_str());
    return false;
  }
  // A row reaches the temporary file when the next one starts.
  CNumericScope numeric;
  if (m_row >= m_sheetRows) {
    finishSheet();
    if (sheetFailed() || !addSheet()) {
      report(reports().recordFailed, fileName.c_str(), errno);
      return false;
    }
  }
  lxw_error error = LXW_NO_ERROR;
  lxw_col_t column = 0;
  for (const std::string& field : record) {
    if (!field.empty()) {
      double number = 0;
      if (m_options.numericCells && oryx::isPlainDecimal(field.data(), field.size()) &&
          std::from_chars(field.data(), field.data() + field.size(), number).ec == std::errc()) {
        error = worksheet_write_number(m_sheet, m_row, column, number, nullptr);
      } else {
        // An empty cell is left out, which is how a workbook says "empty".
        error = worksheet_write_string(m_sheet, m_row, column, cellText(field), nullptr);
      }
      if (error != LXW_NO_ERROR) break;
    }
    ++column;
  }
  ++m_row;
  if (error != LXW_NO_ERROR || sheetFailed()) {
    report(reports().recordFailed, fileName.c_str(), errno);
    return false;
  }
  return true;
}

bool XLSXFormatFile::writeRow(const std::vector<std::string>& record) { return writefile(record); }

bool XLSXFormatFile::writeRow(const std::list<std::string>& record) { return writefile(record); }

const char* XLSXFormatFile::cellText(const std::string& field) {
  bool cut = false;
  const char* text = m_cell.prepare(m_localCharset ? m_decoder.toUtf8(field) : field, cut);
  if (cut && !m_cutReported) {
    m_cutReported = true;
    report("XLSXFormatFile::writefile: field cut to %d characters. fileName is %s.",
           static_cast<int>(oryx::kMaxCellUnits), fileName.c_str());
  }
  return text;
}

long XLSXFormatFile::prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) {
  if (titles.size() > kMaxColumns) {
    report("XLSXFormatFile::writeColumnTitle: more than %d columns.", static_cast<int>(kMaxColumns));
    return kFailed;
  }
  m_ColumnTitle.assign(titles.begin(), titles.end());
  m_ColumnWidth.assign(widths.begin(), widths.end());
  return kOk;
}

