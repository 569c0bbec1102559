#ifndef ORYXUTIL_TOOLS_EXPORTJOB_H
#define ORYXUTIL_TOOLS_EXPORTJOB_H

// One export of oryx-export: a writer from the factory, wrapped in a
// MultiFormatFile when parts are asked for, fed titles, records and the end.
// An export that does not finish leaves no file behind: every file the writer
// started is removed when the job is destroyed unfinished, so a truncated
// file can never pass for a complete one.
// Every operation returns false with error() set; the writer's own reports
// go through the trace client. Not thread-safe.

#include "oryxutil/export/FormatFile.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

namespace oryxtool {

struct ExportOptions {
  std::string format;                 // "csv", "html", "xml" or "txt"
  std::string output;                 // the export path
  bool parts = false;                 // spread over part files of partSize records
  unsigned long partSize = 0;
  std::list<long> widths;             // HTML and TXT column widths
  std::string exportName = "Export";  // XML export element name
  std::string recordName = "Record";  // XML record element name
  std::string encoding;               // TXT content encoding; empty: the installation's
};

class ExportJob {
 public:
  explicit ExportJob(const ExportOptions& options);
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // Creates the writer (and the part wrapper).
  bool create();
  // Hands the writer the titles and starts the output.
  bool begin(const std::list<std::string>& titles);
  bool write(const std::vector<std::string>& record);
  // Ends the export; `files` gets the paths written, in order.
  bool finish(std::vector<std::string>& files);

  const std::string& error() const { return m_error; }
  // Whether the failure lies in the input (titles or record) rather than in
  // the output or the build.
  bool inputFault() const { return m_inputFault; }

 private:
  class StartedFiles;
  bool fail(const std::string& what, bool inputFault = false);
  bool failWithErrno(const std::string& what);
  void removeStarted();

  ExportOptions m_options;
  std::string m_path;                    // the path handed to the writer
  std::unique_ptr<FormatFile> m_writer;  // the factory's writer or the part wrapper
  StartedFiles* m_started = nullptr;     // sits between them, owned through m_writer
  size_t m_titleCount = 0;
  bool m_finished = false;
  bool m_inputFault = false;
  std::string m_error;
};

}  // namespace oryxtool

#endif
