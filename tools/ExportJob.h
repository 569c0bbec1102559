// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_EXPORTJOB_H
#define ORYXUTIL_TOOLS_EXPORTJOB_H

// One export of oryx-export: a writer from the factory, wrapped in a
// MultiFormatFile when parts are asked for, fed titles, records and the end,
// at the path it is given (where the files go for good is AtomicOutput's
// business). Every operation returns false with error() set to the reason;
// the writer's own reports go through the trace client. Destroying the job
// closes any open file. Not thread-safe.

#include "ExportFormats.h"

#include "oryxutil/export/FormatFile.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

namespace oryxtool {

struct ExportOptions {
  const ExportFormat* format = &kFormats[0];
  oryx::WriterOptions writer;
  bool parts = false;                 // spread over part files of partSize records
  unsigned long partSize = 0;
  std::list<long> widths;             // html and txt column widths as given
  std::string exportName = "Export";  // xml export element name
  std::string recordName = "Record";  // xml record element name
  std::string encoding;               // txt content encoding; empty: the installation's
};

class ExportJob {
 public:
  explicit ExportJob(const ExportOptions& options) : m_options(options) {}

  // Creates the writer (and the part wrapper).
  bool create();
  // Hands the writer the titles and column widths and starts the output at `path`.
  bool begin(const std::list<std::string>& titles, const std::list<long>& widths, const std::string& path);
  bool write(const std::vector<std::string>& record);
  // Ends the export; `files` gets the number of files written.
  bool finish(size_t& files);

  const std::string& error() const { return m_error; }
  // Whether the failure lies in the input (titles or record) rather than in
  // the output.
  bool inputFault() const { return m_inputFault; }
  // Takes a report of the library (any thread, never throws): keeps its
  // text for takeReports() and its errno for failures on the writer's own
  // thread.
  static void noteReport(const std::string& text) noexcept;
  // The reports kept since the last call, oldest first; past kKeptReports a
  // last line counts the ones left out.
  static std::vector<std::string> takeReports();
  static const size_t kKeptReports = 100;

 private:
  bool fail(const std::string& what, bool inputFault = false);
  bool failWithErrno();

  ExportOptions m_options;
  std::unique_ptr<FormatFile> m_writer;  // the factory's writer or the part wrapper
  bool m_inputFault = false;
  std::string m_error;
};

}  // namespace oryxtool

#endif
