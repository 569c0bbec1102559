// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_FORMATFILE_H
#define ORYXUTIL_EXPORT_FORMATFILE_H

// The one interface through which a tabular export is written:
//   writeColumnTitle -> startDocument -> writeRecord ... -> endDocument,
// then optionally startDocument again on another file with the same titles.
// Results: every long is 0 for success, -1 for failure; failures are
// reported through the trace client (level 5, category 1).
// Ownership: the factory's writer belongs to the caller, who deletes it
// through FormatFile* (or hands it to a MultiFormatFile).
// Threads: a writer is used by one thread at a time; writers are independent.

#include "oryxutil/Visibility.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "oryxutil/export/WriterOptions.h"

class ORYXUTIL_EXPORT FormatFile {
 public:
  FormatFile() = default;
  FormatFile(const FormatFile&) = default;
  FormatFile& operator=(const FormatFile&) = default;

  // The slot order below is part of the interface; keep it.
  virtual long startDocument(const char* fileName, const char* encoding) = 0;
  virtual long startDocument(const char* fileName) = 0;
  virtual long endDocument() = 0;
  virtual long writeRecord(const std::vector<std::string>& record) = 0;
  virtual long writeRecord(const std::list<std::string>& record) = 0;
  virtual long writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                                const std::list<long>& widths) = 0;
  virtual long writeColumnTitle(const std::list<std::string>& titles,
                                const std::list<long>& widths) = 0;
  virtual ~FormatFile() {}
  virtual void setFileNameCoding(const std::string& coding) = 0;
};

// Creates writers by type name: "csv", "xml", "html", "txt" or "xlsx", in
// any ASCII case. "xml" needs two non-empty parameters (export name, record element
// name). Result: a new writer owned by the caller, or null for a null or
// unknown type or bad parameters. Reports nothing to the trace client;
// after a null, oryx::lastReport() on the same thread says why. Thread-safe.
namespace oryx {
[[nodiscard]] ORYXUTIL_EXPORT std::unique_ptr<FormatFile> makeWriter(const char* type,
                                                                     const std::list<std::string>& params,
                                                                     const WriterOptions& options = WriterOptions());
}  // namespace oryx

// The same creation, for callers that manage the writer themselves.
class ORYXUTIL_EXPORT FormatFileFactory {
 public:
  FormatFileFactory() = default;
  FormatFileFactory& operator=(const FormatFileFactory&) { return *this; }

  static FormatFile* getFormatFile(const char* type, const std::list<std::string>& params);
  // The same, with writer options (see WriterOptions.h); the form above uses the defaults.
  static FormatFile* getFormatFile(const char* type, const std::list<std::string>& params,
                                   const oryx::WriterOptions& options);
};

#endif
