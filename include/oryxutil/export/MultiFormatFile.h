// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_MULTIFORMATFILE_H
#define ORYXUTIL_EXPORT_MULTIFORMATFILE_H

// Spreads one export over numbered part files of at most `maxRecords` records
// each, by wrapping another writer: an export to /tmp/exp/report.csv writes
// /tmp/exp/report-1.csv, report-2.csv ... Every part is a complete document
// of the inner writer's format with its own head and title row. A part is
// closed only when a further record arrives, so a run never ends with an
// empty part (except with maxRecords 0, where every record opens a part).
// Paths: every "/" of the export path becomes a backslash in the stored names;
// the base name and extension split at the last "." of the whole path, which
// must also hold a separator (for a writer that compresses, at the "."
// before a last .gz or .zst: report.csv.gz gives report-1.csv.gz). Missing directory levels below the first one
// are created.
// Results: whatever the inner writer returned (0 / -1); -1 without a report
// for a null writer or name, a path without "." or separator, or a start
// while a part is open. The wrapper reports nothing itself.
// Ownership: with ownsInner the wrapper deletes the inner writer when it is
// destroyed (without ending an open part; the writer closes its file).
// Threads: one caller thread at a time; no lock is taken.

#include "oryxutil/Visibility.h"
#include "oryxutil/export/FormatFile.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class ORYXUTIL_EXPORT MultiFormatFile : public FormatFile {
 public:
  MultiFormatFile(FormatFile* inner, unsigned long maxRecords, bool ownsInner);
  // A copy, and the target of an assignment, share the inner writer but never
  // own it, so only the original deletes it; assigning over a wrapper neither
  // ends nor deletes the writer it held before.
  MultiFormatFile(const MultiFormatFile& other);
  MultiFormatFile& operator=(const MultiFormatFile& other);
  ~MultiFormatFile() override;

  // Starts the first part of a run (creating missing directories), or, after
  // endDocument(), the next part of the same run (the path is then ignored).
  long startDocument(const char* fileName, const char* encoding) override;
  long startDocument(const char* fileName) override;
  // Ends only the current part; the run goes on.
  long endDocument() override;
  long writeRecord(const std::vector<std::string>& record) override;
  long writeRecord(const std::list<std::string>& record) override;
  long writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                        const std::list<long>& widths) override;
  long writeColumnTitle(const std::list<std::string>& titles,
                        const std::list<long>& widths) override;
  void setFileNameCoding(const std::string& coding) override;

  // Ends the run: ends the inner writer's document and, when that succeeded,
  // gives the bare names (no directory) of the parts in order; `files` is
  // empty otherwise. The wrapper may then start a new run.
  long endDocument(std::list<std::string>& files);

 private:
  long testwrite();
  template <typename Record>
  long writeAndCount(const Record& record);
  std::string partName() const;

  uint32_t m_maxRecords;
  uint32_t m_partIndex = 0;
  uint32_t m_recordsInPart = 0;
  FormatFile* m_inner;
  std::string m_baseName;
  std::string m_extension;
  std::list<std::string> m_partFiles;
  bool m_ownsInner;
  bool m_started = false;
};

#endif
