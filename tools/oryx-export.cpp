// oryx-export: writes a CSV table (file or standard input) as a CSV, HTML,
// XML or boxed-text export through the library's writers, optionally in part
// files, and prints the names of the files written.
// Exit status: 0 success, 1 failure (bad input, unwritable output), 2 bad options.

#include "CsvTableReader.h"
#include "ExportJob.h"
#include "Progress.h"

#include "oryxutil/companion/TraceClient.h"
#include "oryxutil/export/FormatFile.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const int kFailure = 1;
const int kBadOptions = 2;

const char kExamples[] =
    "Examples:\n"
    "  oryx-export --format html --widths 10,30,8 --output out/cities.html cities.csv\n"
    "  oryx-export -f xml --export-name Cities --record-name City -o cities.xml < cities.csv\n"
    "  oryx-export -f csv --part-size 1000 -o parts/cities.csv cities.csv\n"
    "     writes parts/cities-1.csv, parts/cities-2.csv ... of 1000 records each\n"
    "\n"
    "The first input row holds the column titles. Options a format does not use\n"
    "are ignored. Missing output directories are created. On failure no output\n"
    "file is kept. Exit status: 0 success, 1 failure, 2 bad options.\n";

struct Input {
  std::string name = "-";  // as the user gave it; "-" is standard input
  int fd = STDIN_FILENO;
  uint64_t size = 0;       // 0 when not a regular file

  std::string label() const { return name == "-" ? "<stdin>" : name; }
};

int fail(const std::string& message) {
  std::fprintf(stderr, "oryx-export: error: %s\n", message.c_str());
  return kFailure;
}

int failAt(const Input& input, long line, const std::string& message) {
  return fail(input.label() + " line " + std::to_string(line) + ": " + message);
}

// Runs the export; the result is the exit status.
int run(Input& input, const oryxtool::ExportOptions& options) {
  oryxtool::ExportJob job(options);
  if (!job.create()) return fail(job.error());
  if (input.name != "-") {
    input.fd = ::open(input.name.c_str(), O_RDONLY | O_CLOEXEC);
    if (input.fd < 0) return fail("cannot read " + input.name + ": " + std::strerror(errno));
    struct stat status;
    if (::fstat(input.fd, &status) == 0 && S_ISREG(status.st_mode)) {
      input.size = static_cast<uint64_t>(status.st_size);
    }
  }
  oryxtool::CsvTableReader reader(input.fd);
  oryxtool::Progress progress(input.size);
  bool haveTitles = false;
  long failedLine = 0;

  const bool read = reader.read([&](const std::vector<std::string>& fields, long line) {
    const bool ok = haveTitles ? job.write(fields)
                               : job.begin(std::list<std::string>(fields.begin(), fields.end()));
    if (!ok) {
      failedLine = line;
      return false;
    }
    if (haveTitles) progress.record(reader.bytesRead());
    haveTitles = true;
    return true;
  });
  progress.finish();
  if (input.name != "-") ::close(input.fd);

  if (failedLine != 0) {
    return job.inputFault() ? failAt(input, failedLine, job.error()) : fail(job.error());
  }
  if (!read) return failAt(input, reader.errorLine(), reader.error());
  if (!haveTitles) return fail(input.label() + ": no title row: the input is empty");

  std::vector<std::string> files;
  if (!job.finish(files)) return fail(job.error());
  for (const std::string& file : files) std::printf("%s\n", file.c_str());
  return std::fflush(stdout) == 0 ? 0 : kFailure;
}

int printFormats() {
  for (const char* format : {"csv", "html", "xml", "txt"}) {
    std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile(format, {"Export", "Record"}));
    if (writer) std::printf("%s\n", format);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Writes a CSV table (RFC 4180) as a CSV, HTML, XML or boxed-text export.",
               "oryx-export");
  app.footer(kExamples);
  Input input;
  oryxtool::ExportOptions options;
  options.format = "csv";
  std::vector<long> widths;
  uint32_t partSize = 0;

  app.add_option("input", input.name, "CSV file to read; - or none: standard input")
      ->type_name("FILE");
  app.add_option("-f,--format", options.format, "csv, html, xml or txt")
      ->check(CLI::IsMember({"csv", "html", "xml", "txt"}, CLI::ignore_case))
      ->capture_default_str();
  app.add_option("-o,--output", options.output, "export file to write, e.g. out/report.csv")
      ->type_name("PATH")
      ->check([](const std::string& value) { return value.empty() ? "empty path" : ""; });
  auto* parts = app.add_option("--part-size", partSize,
                               "records per part file; writes PATH-1.EXT, PATH-2.EXT ... "
                               "(0: one record per part after a title-only first part)")
      ->type_name("N");
  app.add_option("--widths", widths, "column widths for html and txt, e.g. 10,20,8")
      ->type_name("W,W,...")
      ->delimiter(',')
      ->check(CLI::Range(0L, 65535L));
  app.add_option("--export-name", options.exportName, "xml: name of the export element")
      ->check([](const std::string& value) { return value.empty() ? "empty name" : ""; })
      ->capture_default_str();
  app.add_option("--record-name", options.recordName, "xml: name of each record element")
      ->check([](const std::string& value) { return value.empty() ? "empty name" : ""; })
      ->capture_default_str();
  app.add_option("--encoding", options.encoding,
                 "txt: encoding of the input text, GBK, UTF-8 or ISO-8859-1 "
                 "(default: the installation's)")
      ->check(CLI::IsMember({"GBK", "UTF-8", "ISO-8859-1"}));
  bool listFormats = false;
  app.add_flag("--list-formats", listFormats, "print the formats this build can write, one a line");
  try {
    app.parse(argc, argv);
    if (!listFormats && options.output.empty()) throw CLI::RequiredError("--output");
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : kBadOptions;
  }
  if (listFormats) return printFormats();
  std::transform(options.format.begin(), options.format.end(), options.format.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  options.parts = parts->count() > 0;
  options.partSize = partSize;
  options.widths.assign(widths.begin(), widths.end());

  // The writers' own failure reports go to standard error, one line each.
  oRYXcommon::TraceClient::Instance()->setSink([](int, int, const std::string& text) {
    std::fprintf(stderr, "oryx-export: %s\n", text.c_str());
  });
  const int status = run(input, options);
  oRYXcommon::TraceClient::Instance()->setSink(nullptr);
  return status;
}
