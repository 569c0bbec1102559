// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_DOCUMENTWRITER_H
#define ORYXUTIL_EXPORT_DOCUMENTWRITER_H

// The base of every export writer: it implements the FormatFile operations
// once -- the not-started / started state, the vector and list records
// alike, the output file (owned, opened by startDocument, flushed and
// closed by endDocument or the destructor), and the report of every
// misplaced call or failed write in the writer's own words (its
// WriterReports, data). A format supplies only its titles, head, record
// and tail.
// Results: 0 / -1 as FormatFile says. Not thread-safe: one caller thread at
// a time per object.
//
// Adding a writer (one file and one table row):
//  1. export/<format>/<FORMAT>FormatFile.cpp: a class deriving from
//     DocumentWriter with its WriterReports and the hooks below, and a
//     function `std::unique_ptr<FormatFile> make<Format>Writer(params,
//     options)` (null for parameters it cannot use);
//  2. one row {"<type>", make<Format>Writer} in the table of
//     export/FormatFileFactory.cpp, beside the declaration of the function.
// Its tests are the writer contract suite run once more: one row there too.

#include "oryxutil/export/FormatFile.h"

#include "companion/io/OutputFile.h"

#include <list>
#include <string>
#include <vector>

namespace oryx {

// A writer's reports, printf formats used exactly as they stand; a null
// entry means the situation fails without a report. The arguments each
// gets are in the comments; a format that names fewer ignores the rest.
struct WriterReports {
  const char* titlesMissing;     // writeColumnTitle with no titles, none kept
  const char* nameMissing;       // startDocument with a null name
  const char* alreadyStarted;    // startDocument while started: %s the new name
  const char* openFailed;        // %s the file, %d errno
  const char* headFailed;        // the head not written: %s the file, %d errno
  const char* recordNotStarted;  // writeRecord while not started
  const char* recordNotOpen;     // writeRecord with the file closed: %s the file (null: not checked)
  const char* recordFailed;      // a record not written: %s the file, %d errno
  const char* endNotStarted;     // endDocument while not started: %s the file
  const char* endNotOpen;        // endDocument with the file closed: %s the file, %d errno (null: not checked)
  const char* endFailed;         // the tail or the close failed: %s the file, %d errno
};

// What a writer does with a record of no fields.
enum class EmptyRecord {
  kWritten,  // laid out like any other
  kSkipped,  // nothing written, success (after the open-file check)
  kRefused,  // -1 without a report (before the open-file check)
};

}  // namespace oryx

class DocumentWriter : public FormatFile {
 public:
  ~DocumentWriter() override;  // closes an open file without the tail

  long startDocument(const char* fileName, const char* encoding) final;
  long startDocument(const char* fileName) final;
  long endDocument() final;
  long writeRecord(const std::vector<std::string>& record) final;
  long writeRecord(const std::list<std::string>& record) final;
  long writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                        const std::list<long>& widths) final;
  long writeColumnTitle(const std::list<std::string>& titles, const std::list<long>& widths) final;
  void setFileNameCoding(const std::string& coding) final;

  // The output switches of `options` (flushEachRecord, compression), taken
  // by the factory for every writer it makes.
  void setOutputOptions(const oryx::WriterOptions& options);
  // Whether the documents are compressed (part names keep .gz or .zst last).
  bool compressesOutput() const { return m_file.compresses(); }

 protected:
  DocumentWriter(const oryx::WriterReports& reports, oryx::EmptyRecord emptyRecord);

  // --- what a format implements ---
  // Whether titles are kept (an empty title list then succeeds silently).
  virtual bool hasTitles() const = 0;
  // Takes a non-empty title list; -1 after reporting why not.
  virtual long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) = 0;
  // The encoding given with the titles (may be null); false after a report.
  virtual bool takeTitleEncoding(const char* /*encoding*/) { return true; }
  // The encoding given to startDocument (null for none), before any check.
  virtual void takeDocumentEncoding(const char* /*encoding*/) {}
  // Whether a document may start (before the file is made); false after
  // the format's report, if any.
  virtual bool canStart(const char* /*name*/) { return true; }
  // Writes the head into the newly opened file, usually ending with
  // flushHead(); false after a report: the document does not start.
  virtual bool writeHead() = 0;
  // Lays one record out; false after the format's own report. A failure of
  // the file itself is the base's to report.
  virtual bool writeRow(const std::vector<std::string>& record) = 0;
  virtual bool writeRow(const std::list<std::string>& record) = 0;
  // Finishes the document before the file is closed; false after a
  // failure that errno describes (reported as endFailed).
  virtual bool writeTail() { return true; }

  // --- for the formats ---
  // Writes the pending head; on failure reports headFailed, false.
  bool flushHead();
  const oryx::WriterReports& reports() const { return m_reports; }

  // The names FormatFile's writers have always used for these.
  std::string fileName;          // the name of the last started document
  bool m_isWrite = false;        // a document is started
  oryx::OutputFile m_file;       // its output
  std::string m_fileNameCoding = "UTF-8";  // kept, never read

 private:
  long begin(const char* name, const char* encoding);
  template <typename Record>
  long write(const Record& record);

  const oryx::WriterReports& m_reports;
  const oryx::EmptyRecord m_emptyRecord;
};

#endif
