// SPDX-License-Identifier: Apache-2.0
// oryx-export: writes a CSV table (file or standard input) as an export of
// any format the library writes, optionally in part files, either whole or
// not at all; lists the files written on standard error.
// Exit status: 0 success, 1 failure (bad input, unwritable output, out of
// memory, a library report under --strict, SIGHUP), 2 bad options or the
// input given as output, 130/143 SIGINT/SIGTERM, 141 standard output closed
// by its reader (silently, as SIGPIPE ends other filters).

#include "AtomicOutput.h"
#include "ColumnSelection.h"
#include "CsvTableReader.h"
#include "ExportFormats.h"
#include "ExportJob.h"
#include "Progress.h"
#include "SignalCleanup.h"
#include "StdoutPump.h"
#include "ToolCli.h"

#include "oryxutil/export/TextWidth.h"
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/TraceClient.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <memory>
#include <new>

namespace {

const char kTool[] = "oryx-export";
const size_t kWidthSample = 1000;  // records that --widths auto looks at in a pipe
const long kMaxAutoWidth = 60;     // for text; a number is never cut
const long kPipedNumberWidth = 20;  // any 64-bit integer, for numbers a sample cannot see
const int kExitPipeClosed = 128 + SIGPIPE;

const char kFooter[] =
    "Examples:\n"
    "  oryx-export --format html --widths 10,30,8 --output out/cities.html cities.csv\n"
    "  oryx-export -f xml --export-name Cities --record-name City -o cities.xml < cities.csv\n"
    "  oryx-export -f csv --part-size 1000 -o parts/cities.csv cities.csv\n"
    "     writes parts/cities-1.csv, parts/cities-2.csv ... of 1000 records each\n"
    "  oryx-export --tsv -f txt --widths auto table.tsv | less -S\n"
    "  oryx-export -f ndjson --select 1,3-5,name -o rows.ndjson.gz table.csv\n"
    "     the columns 1, 3 to 5 and the one titled name, gzip-compressed\n"
    "\n"
    "Input: the first row holds the column titles; every row must have as many\n"
    "fields (--ragged pads short ones). A UTF-8 byte-order mark is dropped; a NUL\n"
    "byte, and malformed UTF-8 when the export is UTF-8, is refused with its line.\n"
    "The text is in the export's character set: UTF-8, or the local one (GBK)\n"
    "where ORYX_GLOBAL_VERSION=0 or FILECONTENT_LOCAL_CHARSET=1 (txt: --encoding).\n"
    "--tsv reads tab-separated values: one record a line, no quoting, a quote is\n"
    "data (--delimiter '\\t' reads CSV quoting with tabs).\n"
    "\n"
    "--widths auto: every row of an input file is measured (a second pass over\n"
    "it); from a pipe, the first 1000 rows only. Text columns are at most 60\n"
    "wide; a number is never wrapped (from a pipe, a column holding numbers is\n"
    "at least 20 wide).\n"
    "\n"
    "Output: written under a temporary name beside the target and renamed into\n"
    "place when the whole export succeeded; an existing file is replaced (a\n"
    "symbolic link keeps pointing to the new file; --no-clobber refuses). On\n"
    "failure or interruption no output file is left and existing files are\n"
    "untouched. A device or FIFO is written to in place. Missing directories are\n"
    "created. Without --output, or with -o -, one export streams to standard\n"
    "output (cut short on failure); xlsx needs a file. A reader that closes the\n"
    "pipe early ends the run silently with status 141.\n"
    "Part files are replaced as a set: parts of the same name beyond the new\n"
    "count are removed, and a second run to the same name waits for the first.\n"
    "Temporary directories (.oryx-export-PID-BOOTID-*) left by a killed run are\n"
    "removed by the next run into the same directory.\n"
    "An output ending in .gz or .zst (part files too: report-1.csv.gz) is\n"
    "compressed with gzip or zstd; --compress chooses the codec whatever the name.\n"
    "The files written are listed on standard error. Options a format does not\n"
    "use are ignored. Every report of the library (such as an xlsx cell cut to\n"
    "32,767 characters) is shown as 'oryx-export: OUTPUT: text'; --strict makes\n"
    "any report a failure (exit 1, no file written).\n"
    "\n"
    "By default html is escaped and names its charset, xml is well-formed whatever\n"
    "the text, csv titles are quoted like fields, txt measures text as terminals\n"
    "draw it (Unicode 15 widths, control characters shown as symbols); --legacy\n"
    "writes the library's plain defaults.\n"
    "\n"
    "Exit status: 0 success, 1 failure (out of memory included), 2 bad options or\n"
    "the input given as output, 130 interrupted (SIGINT), 141 standard output\n"
    "closed, 143 terminated (SIGTERM).\n";

// A row as exported: padded to the title row's width when short (--ragged
// allows it; the caller checks), then cut to the --select columns. The
// result is `fields` itself or one of this shape's buffers.
struct RowShape {
  std::vector<std::string> padded;
  std::vector<std::string> selected;
  const std::vector<std::string>& apply(const std::vector<std::string>& fields, size_t width,
                                        const oryxtool::ColumnSelection* selection) {
    const std::vector<std::string>* row = &fields;
    if (fields.size() < width) {
      padded = fields;
      padded.resize(width);
      row = &padded;
    }
    if (selection != nullptr) {
      selection->apply(*row, selected);
      row = &selected;
    }
    return *row;
  }
};

struct Input {
  std::string name = "-";  // as the user gave it; "-" is standard input
  int fd = STDIN_FILENO;
  bool regular = false;
  struct stat status = {};

  std::string label() const { return name == "-" ? "standard input" : name; }
};

struct Settings {
  std::string output;
  char delimiter = ',';
  bool quoting = true;  // false: TSV
  bool strict = false;
  bool ragged = false;
  bool noClobber = false;
  bool autoWidths = false;
  bool showProgress = false;
  bool quiet = false;
  bool checkUtf8 = true;
  bool select = false;
  oryxtool::ColumnSelection selection;
};

int failure(const std::string& what, const std::string& reason, int status = oryxtool::kExitFailed) {
  oryxtool::report(kTool, what, reason);
  return status;
}

// Whether the writers produce UTF-8: the library's content rule (a global
// installation whose content is not forced to the local character set),
// or for txt the --encoding given.
bool exportIsUtf8(const oryxtool::ExportOptions& options) {
  if (options.format->encoding && !options.encoding.empty()) return options.encoding == "UTF-8";
  const std::string local = oRYXCommonUtils::oRYXgetenv("FILECONTENT_LOCAL_CHARSET");
  return oRYXCommonUtils::IsGlobalVersion() && (local.empty() || std::atoi(local.c_str()) != 1);
}

// Whether `text` is a decimal number: a sign, digits, a point and digits.
bool isNumber(const std::string& text) {
  size_t at = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  size_t digits = 0;
  bool point = false;
  for (; at < text.size(); ++at) {
    if (std::isdigit(static_cast<unsigned char>(text[at]))) {
      ++digits;
    } else if (text[at] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0;
}

// Column widths for --widths auto, measured as the txt writer measures:
// each column as wide as its widest text within 1..kMaxAutoWidth, and never
// narrower than its widest number.
class ColumnMeter {
 public:
  explicit ColumnMeter(bool terminalWidths) : m_terminalWidths(terminalWidths) {}
  void measure(const std::vector<std::string>& fields, bool titles) {
    if (m_text.size() < fields.size()) {
      m_text.resize(fields.size(), 1);
      m_number.resize(fields.size(), 0);
    }
    for (size_t i = 0; i < fields.size(); ++i) {
      const long width = static_cast<long>(oryx::textWidth(fields[i], m_terminalWidths));
      m_text[i] = std::max(m_text[i], std::min(width, kMaxAutoWidth));
      if (!titles && isNumber(fields[i])) m_number[i] = std::max(m_number[i], width);
    }
  }
  // `sampled`: only part of the records was seen.
  std::list<long> widths(bool sampled) const {
    std::list<long> result;
    for (size_t i = 0; i < m_text.size(); ++i) {
      const long number = m_number[i] > 0 && sampled ? std::max(m_number[i], kPipedNumberWidth) : m_number[i];
      result.push_back(std::min(std::max(m_text[i], number), 65535L));
    }
    return result;
  }

 private:
  bool m_terminalWidths;
  std::vector<long> m_text, m_number;
};

// Reads the table and feeds the job, checking every record's shape; holds
// the first records back while --widths auto measures them.
class Feed {
 public:
  Feed(const Input& input, const Settings& settings, const oryxtool::ExportOptions& options,
       oryxtool::ExportJob& job, const std::string& writerPath)
      : m_input(input), m_settings(settings), m_options(options), m_job(job), m_writerPath(writerPath),
        m_selection(settings.selection), m_meter(options.writer.terminalWidths) {}

  // The exit status; the reason is already reported, except for a failed
  // output, whose reason is outputError().
  const std::string& outputError() const { return m_outputError; }
  int run() {
    if (m_options.format->widths && m_settings.autoWidths && m_input.regular) {
      if (const int status = measureFile()) return status;
    }
    oryxtool::CsvTableReader reader(m_input.fd, m_settings.delimiter, m_settings.checkUtf8, m_settings.quoting);
    oryxtool::Progress progress(m_settings.showProgress, m_input.label(),
                                m_input.regular ? static_cast<uint64_t>(m_input.status.st_size) : 0);
    const bool read = reader.read([&](const std::vector<std::string>& fields, long line) {
      if (!take(fields, line)) return false;
      progress.record(reader.bytesRead());
      return true;
    });
    progress.finish();
    if (m_status >= 0) return m_status;
    if (!read) return inputFailure(reader.errorLine(), reader.error());
    if (!m_haveTitles) return failure(m_input.label(), "no title row: the input is empty");
    if (!m_started && !start()) return m_status;
    return oryxtool::kExitOk;
  }

 private:
  // A first pass over the whole input file for --widths auto. Records the
  // export would refuse end it early: the pass that follows reports them.
  int measureFile() {
    const off_t start = ::lseek(m_input.fd, 0, SEEK_CUR);
    if (start < 0) return failure(m_input.label(), std::strerror(errno));
    oryxtool::CsvTableReader reader(m_input.fd, m_settings.delimiter, m_settings.checkUtf8, m_settings.quoting);
    oryxtool::ColumnSelection selection = m_settings.selection;
    RowShape shape;
    size_t width = 0;
    reader.read([&](const std::vector<std::string>& fields, long) {
      const bool titles = width == 0;
      if (titles) {
        width = fields.size();
        if (m_settings.select && !selection.resolve(fields).empty()) return false;
      }
      if (fields.size() > width || (fields.size() < width && !m_settings.ragged)) return false;
      m_meter.measure(shape.apply(fields, width, m_settings.select ? &selection : nullptr), titles);
      return true;
    });
    if (::lseek(m_input.fd, start, SEEK_SET) != start) return failure(m_input.label(), std::strerror(errno));
    m_measured = true;
    return oryxtool::kExitOk;
  }

  bool sampling() const { return m_options.format->widths && m_settings.autoWidths && !m_measured; }

  bool take(const std::vector<std::string>& fields, long line) {
    m_line = line;
    if (!m_haveTitles) {
      m_width = fields.size();
      if (m_settings.select) {
        const std::string error = m_selection.resolve(fields);
        if (!error.empty()) {
          m_status = failure("--select", error, oryxtool::kExitUsage);
          return false;
        }
      }
      const std::vector<std::string>& titles = shaped(fields, 0);
      m_titles.assign(titles.begin(), titles.end());
      m_titleLine = line;
      m_haveTitles = true;
      return sampling() ? true : start();
    }
    if (fields.size() > m_width || (fields.size() < m_width && !m_settings.ragged)) {
      m_status = inputFailure(line, "expected " + std::to_string(m_width) + " fields, found " +
                                        std::to_string(fields.size()));
      return false;
    }
    // The selection comes before any format.
    const std::vector<std::string>& record = shaped(fields, m_width);
    if (!m_started) {
      m_sample.push_back(record);
      return m_sample.size() < kWidthSample || start();
    }
    return write(record);
  }

  const std::vector<std::string>& shaped(const std::vector<std::string>& fields, size_t width) {
    return m_shape.apply(fields, width, m_settings.select ? &m_selection : nullptr);
  }

  bool start() {
    m_started = true;
    m_line = m_titleLine;  // a refusal of the titles names their line
    std::list<long> widths = m_options.widths;
    if (sampling()) {
      m_meter.measure(std::vector<std::string>(m_titles.begin(), m_titles.end()), true);
      for (const std::vector<std::string>& record : m_sample) m_meter.measure(record, false);
    }
    if (m_options.format->widths && m_settings.autoWidths) widths = m_meter.widths(!m_measured);
    if (!m_job.begin(m_titles, widths, m_writerPath)) return fail();
    for (const std::vector<std::string>& record : m_sample) {
      if (!write(record)) return false;
    }
    m_sample.clear();
    return true;
  }

  bool write(const std::vector<std::string>& record) { return m_job.write(record) || fail(); }

  bool fail() {
    if (m_job.inputFault()) {
      m_status = inputFailure(m_line, m_job.error());
    } else {
      m_outputError = m_job.error();
      m_status = oryxtool::kExitFailed;
    }
    return false;
  }

  int inputFailure(long line, const std::string& reason) {
    return failure(line > 0 ? m_input.label() + ":" + std::to_string(line) : m_input.label(), reason);
  }

  const Input& m_input;
  const Settings& m_settings;
  const oryxtool::ExportOptions& m_options;
  oryxtool::ExportJob& m_job;
  const std::string& m_writerPath;
  std::list<std::string> m_titles;
  std::vector<std::vector<std::string>> m_sample;
  RowShape m_shape;
  size_t m_width = 0;  // fields in an input row
  oryxtool::ColumnSelection m_selection;
  ColumnMeter m_meter;
  bool m_measured = false;  // the whole input file measured before
  bool m_haveTitles = false;
  bool m_started = false;
  long m_line = 0;
  long m_titleLine = 0;
  int m_status = -1;
  std::string m_outputError;
};

int openInput(Input& input) {
  if (input.name != "-") {
    input.fd = ::open(input.name.c_str(), O_RDONLY | O_CLOEXEC);
    if (input.fd < 0) return failure(input.label(), std::strerror(errno));
  }
  input.regular = ::fstat(input.fd, &input.status) == 0 && S_ISREG(input.status.st_mode);
  return oryxtool::kExitOk;
}

// Runs the export; the result is the exit status.
int run(Input& input, const Settings& settings, const oryxtool::ExportOptions& options) {
  const bool toStdout = settings.output == "-";
  if (toStdout && options.parts) {
    return failure("-o -", "part files cannot go to standard output", oryxtool::kExitUsage);
  }
  // A workbook is a zip archive finished by seeking back, so it needs a file.
  if (toStdout && !options.format->streams) {
    return failure("-o -", std::string(options.format->name) + " output cannot go to standard output",
                   oryxtool::kExitUsage);
  }
  if (const int status = openInput(input)) return status;
  oryxtool::AtomicOutput output(settings.output, options.parts, settings.noClobber,
                                options.writer.compression != oryx::Compression::none);
  oryxtool::StdoutPump pump;
  if (toStdout) {
    if (!pump.start()) return failure("standard output", std::strerror(errno));
  } else {
    switch (output.prepare(input.regular ? &input.status : nullptr)) {
      case oryxtool::AtomicOutput::kReady: break;
      case oryxtool::AtomicOutput::kSameAsInput:
        return failure(output.errorPath(), output.errorReason(), oryxtool::kExitUsage);
      case oryxtool::AtomicOutput::kFailed: return failure(output.errorPath(), output.errorReason());
    }
  }
  const std::string& writerPath = toStdout ? pump.writerPath() : output.writerPath();
  size_t count = 0;
  int status;
  std::string outputError;
  {
    oryxtool::ExportJob job(options);  // closes its files before the output is committed or removed
    if (!job.create()) return failure(options.format->name, job.error());
    Feed feed(input, settings, options, job, writerPath);
    status = feed.run();
    outputError = feed.outputError();
    if (status == oryxtool::kExitOk && !job.finish(count)) {
      status = oryxtool::kExitFailed;
      outputError = job.error();
    }
  }
  // A failed write to standard output shows in the writer as a closed pipe;
  // the cause is standard output's own error. A failure is worded once, by
  // the tool: the library's reports of it are not shown.
  const int stdoutError = toStdout ? pump.finish() : 0;
  std::vector<std::string> reports = oryxtool::ExportJob::takeReports();
  if (stdoutError == EPIPE) return kExitPipeClosed;
  if (stdoutError != 0) return failure("standard output", std::strerror(stdoutError));
  if (!outputError.empty()) return failure(toStdout ? "standard output" : settings.output, outputError);
  if (status != oryxtool::kExitOk) return status;
  const std::string shown = toStdout ? "standard output" : settings.output;
  for (std::string& text : reports) {
    if (toStdout) {
      for (size_t at; (at = text.find(pump.writerPath())) != std::string::npos;) {
        text.replace(at, pump.writerPath().size(), shown);
      }
    }
    oryxtool::report(kTool, shown, toStdout ? text : output.shownText(text));
  }
  // Under --strict a report fails the run: nothing is committed.
  if (settings.strict && !reports.empty()) return oryxtool::kExitFailed;
  if (toStdout) return status;
  std::vector<std::string> written;
  if (!output.commit(count, written)) return failure(output.errorPath(), output.errorReason());
  if (!settings.quiet) {
    for (const std::string& file : written) std::fprintf(stderr, "%s\n", file.c_str());
  }
  return oryxtool::kExitOk;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// --compress as given, else the output's suffix.
oryx::Compression compressionFor(const std::string& option, const std::string& output) {
  const std::string codec = !option.empty() ? option : endsWith(output, ".gz") ? "gzip" : endsWith(output, ".zst") ? "zstd" : "none";
  if (codec == "gzip") return oryx::Compression::gzip;
  if (codec == "zstd") return oryx::Compression::zstd;
  return oryx::Compression::none;
}

int printFormats() {
  for (const oryxtool::ExportFormat& format : oryxtool::kFormats) {
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(format.name, {"Export", "Record"}));
    if (writer) std::printf("%s\n", format.name);
  }
  return oryxtool::finishStdout(kTool, oryxtool::kExitOk);
}

// "auto" or W,W,... (each 0..65535).
std::string parseWidths(const std::string& text, Settings& settings, std::list<long>& widths) {
  settings.autoWidths = text == "auto";
  widths.clear();
  if (settings.autoWidths) return "";
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma - start);
    char* end = nullptr;
    errno = 0;
    const long width = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || errno != 0 || width < 0 || width > 65535) {
      return "widths are auto or numbers 0 to 65535 separated by commas: " + text;
    }
    widths.push_back(width);
    if (comma == std::string::npos) return "";
    start = comma + 1;
  }
}

// One ASCII character other than a quote or a line end; \t names the tab.
std::string parseDelimiter(const std::string& text, Settings& settings) {
  const std::string value = text == "\\t" ? "\t" : text;
  if (value.size() != 1 || value[0] == '"' || value[0] == '\r' || value[0] == '\n' ||
      static_cast<unsigned char>(value[0]) >= 0x80) {
    return "the delimiter is one ASCII character other than a quote or a line end (\\t for tab)";
  }
  settings.delimiter = value[0];
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Writes a CSV table (RFC 4180) as an export file: one of " +
                   std::to_string(std::size(oryxtool::kFormats)) + " formats, whole or in part files.",
               kTool);
  oryxtool::setUpCommandLine(app, kTool);
  app.footer(kFooter);
  Input input;
  Settings settings;
  oryxtool::ExportOptions options;
  std::string format = options.format->name;
  std::string formats;
  std::vector<std::string> names;
  for (const oryxtool::ExportFormat& each : oryxtool::kFormats) {
    formats += std::string(formats.empty() ? "" : ", ") + each.name + " (" + each.summary + ")";
    names.push_back(each.name);
  }
  uint32_t partSize = 0;
  bool legacy = false, tsv = false, listFormats = false;
  bool switchOn[std::size(oryxtool::kSwitches)] = {};

  app.add_option("input", input.name, "CSV file to read; - or none: standard input")->type_name("FILE");
  app.add_option("-f,--format", format, formats)
      ->check(CLI::IsMember(names, CLI::ignore_case))
      ->capture_default_str();
  app.add_option("-o,--output", settings.output,
                 "export file to write, e.g. out/report.csv; - or none: standard output")
      ->type_name("PATH")
      ->check([](const std::string& value) { return value.empty() ? "empty path" : ""; });
  auto* parts = app.add_option("--part-size", partSize,
                               "records per part file; writes PATH-1.EXT, PATH-2.EXT ... "
                               "(0: one record per part after a title-only first part)")
                    ->type_name("N");
  app.add_option_function<std::string>(
         "--widths",
         [&](const std::string& text) {
           const std::string error = parseWidths(text, settings, options.widths);
           if (!error.empty()) throw CLI::ValidationError("--widths", error);
         },
         "column widths for html and txt, e.g. 10,20,8; auto: from the widest text, at most 60, "
         "measured over every row of an input file, over the first 1000 from a pipe")
      ->type_name("W,W,...|auto");
  app.add_option("--export-name", options.exportName, "xml: name of the export element")
      ->check([](const std::string& value) { return value.empty() ? "empty name" : ""; })
      ->capture_default_str();
  app.add_option("--record-name", options.recordName, "xml: name of each record element")
      ->check([](const std::string& value) { return value.empty() ? "empty name" : ""; })
      ->capture_default_str();
  app.add_option("--encoding", options.encoding,
                 "txt: encoding of the input text, GBK, UTF-8 or ISO-8859-1 (default: the installation's)")
      ->check(CLI::IsMember({"GBK", "UTF-8", "ISO-8859-1"}));
  auto* delimiter = app.add_option_function<std::string>(
                           "--delimiter",
                           [&](const std::string& text) {
                             const std::string error = parseDelimiter(text, settings);
                             if (!error.empty()) throw CLI::ValidationError("--delimiter", error);
                           },
                           "input field separator (default ,)")
                        ->type_name("C");
  app.add_flag("--tsv", tsv, "input is TSV: fields separated by tabs, no quoting (a quote is data)")
      ->excludes(delimiter);
  app.add_flag("--ragged", settings.ragged, "pad rows with fewer fields than titles (longer rows still fail)");
  app.add_flag("--no-clobber", settings.noClobber, "refuse to replace an existing output file");
  app.add_flag("--strict", settings.strict, "fail (exit 1, no file written) on any report of the library");
  app.add_flag("--legacy", legacy, "the library's plain output: no escaping, charset or title quoting");
  for (size_t i = 0; i < std::size(oryxtool::kSwitches); ++i) {
    app.add_flag(oryxtool::kSwitches[i].flag, switchOn[i], oryxtool::kSwitches[i].help);
  }
  auto* quiet = app.add_flag("-q,--quiet", settings.quiet, "no progress line, no list of files");
  bool progress = false;
  app.add_flag("--progress", progress, "show the progress line even when standard error is not a terminal")
      ->excludes(quiet);
  app.add_flag("--list-formats", listFormats, "print the formats this build can write, one a line");
  std::string compress;
  int compressLevel = 0;
  app.add_option("--compress", compress,
                 "compress the output with gzip or zstd (default: by the output's suffix, .gz or .zst)")
      ->check(CLI::IsMember({"gzip", "zstd", "none"}));
  app.add_option("--compress-level", compressLevel,
                 "the codec's level: gzip 1-9, zstd 1-19 (default: the codec's own)")
      ->type_name("N")
      ->check(CLI::Range(0, 19));
  app.add_option_function<std::string>(
         "--select",
         [&](const std::string& text) {
           const std::string error = settings.selection.parse(text);
           if (!error.empty()) throw CLI::ValidationError("--select", error);
           settings.select = true;
         },
         "the columns to export, in this order: names, indexes from 1 and ranges, "
         "e.g. 1,3-5,name (\"a-b\" quotes a name with a dash or comma; name[1] is its second column)")
      ->type_name("COLUMNS");
  if (const int status = oryxtool::parseCommandLine(app, argc, argv); status != oryxtool::kKeepGoing) {
    return status;
  }
  if (listFormats) return printFormats();
  std::transform(format.begin(), format.end(), format.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const oryxtool::ExportFormat& each : oryxtool::kFormats) {
    if (format == each.name) options.format = &each;
  }
  if (settings.output.empty()) {
    if (!options.format->streams || parts->count() > 0) {
      return failure("--output", std::string("required for ") +
                                     (parts->count() > 0 ? "part files" : options.format->name) + " (see --help)",
                     oryxtool::kExitUsage);
    }
    settings.output = "-";
  }
  options.writer = legacy ? oryx::WriterOptions() : oryxtool::safeWriterOptions();
  for (size_t i = 0; i < std::size(oryxtool::kSwitches); ++i) {
    if (switchOn[i]) options.writer.*oryxtool::kSwitches[i].option = true;
  }
  options.writer.compression = compressionFor(compress, settings.output);
  options.writer.compressionLevel = compressLevel;
  if (options.writer.compression != oryx::Compression::none && !options.format->streams) {
    return failure("--compress", std::string(options.format->name) + " output is not compressed (it is a zip archive)",
                   oryxtool::kExitUsage);
  }
  // The output is renamed into place when whole, so per-record flushing buys nothing.
  options.writer.flushEachRecord = false;
  options.parts = parts->count() > 0;
  options.partSize = partSize;
  if (tsv) {
    settings.delimiter = '\t';
    settings.quoting = false;
  }
  settings.showProgress = progress || (!settings.quiet && ::isatty(STDERR_FILENO) == 1);
  settings.checkUtf8 = exportIsUtf8(options);

  oryxtool::installSignalCleanup();
  // The tool words every failure itself, once; the writers' reports only
  // lend it their errno.
  oRYXcommon::TraceClient::Instance()->setSink(
      [](int, int, const std::string& text) { oryxtool::ExportJob::noteReport(text); });
  int status;
  try {
    status = run(input, settings, options);
  } catch (const std::bad_alloc&) {
    // The temporaries went with the objects that held them; the message needs no memory.
    static const char kMessage[] = "oryx-export: out of memory\n";
    const ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof(kMessage) - 1);
    (void)ignored;
    status = oryxtool::kExitFailed;
  }
  oRYXcommon::TraceClient::Instance()->setSink(nullptr);
  if (status == kExitPipeClosed) {
    // Ended as SIGPIPE ends a filter whose reader went away: no message.
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
  }
  return status;
}
