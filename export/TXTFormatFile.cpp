#include "export/TXTFormatFile.h"

#include "companion/ExitGate.h"
#include "companion/trace/Report.h"
#include "export/ContentEncoding.h"
#include "export/WriterCodes.h"

#include <ace/Thread_Manager.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

using oryx::kFailed;
using oryx::kOk;
using oryx::report;

namespace {

// A frame line longer than this is refused: its blocks could not be allocated.
const uint64_t kMaxLineLength = 16u * 1024 * 1024;

bool isSupportedEncoding(const std::string& encoding) {
  return encoding == "GBK" || encoding == "UTF-8" || encoding == "ISO-8859-1";
}

}  // namespace

// The writer owns its thread manager, so waiting on it waits for this
// writer's thread alone. The task owns its queue, one that the writer thread
// can empty in one go.
TXTFormatFile::TXTFormatFile(const std::list<std::string>& /*params*/, const oryx::WriterOptions& options)
    : ACE_Task<ACE_MT_SYNCH>(newThreadManager(), newQueue()),
      m_queue(static_cast<oryx::BatchQueue*>(msg_queue())),
      m_blocks(newBlockPool()),
      m_utf8Bom(options.utf8Bom) {
  delete_msg_queue_ = true;
}

TXTFormatFile::~TXTFormatFile() {
  // A local-charset document still open is ended (its stop block queued), so
  // the wait below returns once every queued block is written.
  if (m_threadRunning) stopWriterThread();
  ACE_Thread_Manager* manager = thr_mgr();
  thr_mgr(nullptr);
  // Closing a thread manager asks ACE whether it is shutting down, which
  // must not overlap ACE's teardown at exit: once the process exits, the
  // manager is kept instead.
  if (manager != nullptr && oryx::exitgate::enter()) {
    // A thread left behind (the parent's, or one the exiting process keeps)
    // is not waited for.
    if (m_threadLeft) manager->wait_on_exit(0);
    else manager->wait(nullptr, false, true);
    delete manager;
    oryx::exitgate::leave();
  } else if (manager != nullptr) {
    oryx::keepForever(manager);
  }
  // The blocks come from m_blocks, which goes before the task's queue.
  releaseQueuedBlocks();
  // m_file flushes and closes an open file itself.
}

bool TXTFormatFile::isUtf8Mode() const {
  if (m_encoding == "UTF-8") return true;
  if (!m_encoding.empty()) return false;
  return oryx::isUtf8ContentMode();
}

int TXTFormatFile::failureErrno() const {
  const int writeErrno = m_file.failureErrno();
  return writeErrno != 0 ? writeErrno : errno;
}

long TXTFormatFile::writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                                     const std::list<long>& widths) {
  if (encoding != nullptr) {
    m_encoding = encoding;
    if (!isSupportedEncoding(m_encoding)) {
      report("TXTFormatFile::writeColumnTitle:encoding=%s not support", m_encoding.c_str());
      return kFailed;
    }
  }
  return writeColumnTitle(titles, widths);
}

long TXTFormatFile::writeColumnTitle(const std::list<std::string>& titles,
                                     const std::list<long>& widths) {
  if (titles.empty()) {
    if (m_ColumnTitle.empty()) {
      report("TXTFormatFile::writeColumnTitle:title is empty and m_ColumnTitle also empty");
      return kFailed;
    }
    return kOk;
  }
  const bool utf8 = isUtf8Mode();
  std::vector<uint32_t> columnWidths;
  uint64_t lineLength = 0;
  auto given = widths.begin();
  for (const std::string& title : titles) {
    const uint32_t measured = utf8 ? oryx::textWidth(title) : static_cast<uint32_t>(title.size());
    uint32_t wanted = 0;
    if (given != widths.end()) {
      // A negative width counts as no width: the title's own length decides.
      wanted = *given > 0 ? static_cast<uint32_t>(*given) : 0;
      ++given;
    }
    const uint32_t width = measured > wanted ? measured : wanted;
    columnWidths.push_back(width);
    lineLength += width;
  }
  lineLength += 3 * static_cast<uint64_t>(titles.size()) + 2;
  if (lineLength > kMaxLineLength) {
    report("TXTFormatFile::writeColumnTitle:column widths too large");
    return kFailed;
  }

  m_ColumnWidth = std::move(columnWidths);
  m_lineLength = static_cast<uint32_t>(lineLength);
  m_ColumnTitle.insert(m_ColumnTitle.end(), titles.begin(), titles.end());

  const uint32_t length = m_lineLength;
  m_borderLine.reset(new char[length + 1]);
  std::memset(m_borderLine.get(), '*', length);
  m_borderLine[length - 1] = '\n';
  m_borderLine[length] = '\0';

  m_blankLine.reset(new char[length + 1]);
  std::memset(m_blankLine.get(), ' ', length);
  m_blankLine[0] = '*';
  uint32_t position = 1;
  for (const uint32_t width : m_ColumnWidth) {
    position += width + 2;
    m_blankLine[position] = '*';
    position += 1;
  }
  m_blankLine[length - 1] = '\n';
  m_blankLine[length] = '\0';
  return kOk;
}

long TXTFormatFile::startDocument(const char* name, const char* /*encoding*/) {
  return startDocument(name);
}

long TXTFormatFile::startDocument(const char* name) {
  if (name == nullptr) {
    report("TXTFormatFile::startDocument: fileName is NULL.");
    return kFailed;
  }
  if (m_isWrite) {
    report("TXTFormatFile::startDocument: already in write.");
    return kFailed;
  }
  // Without titles there is no frame to write: refuse rather than write a bare file.
  if (!m_borderLine) {
    report("TXTFormatFile::startDocument: no column titles, %s.", name);
    return kFailed;
  }
  fileName = name;
  // Opening clears a failed state left by the previous document.
  if (!m_file.open(fileName)) {
    report("TXTFormatFile::startDocument: open file failed %s, errno=%d", fileName.c_str(), errno);
    return kFailed;
  }
  m_isWrite = true;
  // The mode is fixed for the whole document: the writer thread and the
  // caller must never both write the file.
  m_utf8Document = isUtf8Mode();
  if (m_utf8Document && m_utf8Bom) m_file.append(oryx::kUtf8Bom, sizeof(oryx::kUtf8Bom) - 1);
  m_file.append(m_borderLine.get(), m_lineLength);

  if (!m_utf8Document) {
    // A writer thread that cannot start fails the document, so no block is
    // left in the queue for a later document.
    if (!startWriterThread()) {
      m_isWrite = false;
      const int startErrno = errno;
      m_file.close();
      errno = startErrno;
      report("TXTFormatFile::startDocument: start writer thread failed %s, errno=%d",
             fileName.c_str(), errno);
      return kFailed;
    }
    putBlock(m_ColumnTitle);
    return kOk;
  }

  writeLines(m_ColumnTitle);
  // The head is written at once, so an unwritable file fails here.
  m_file.flush();
  if (!m_file.good()) {
    m_isWrite = false;
    if (m_encoding.empty()) {
      report("TXTFormatFile::startDocument: write Columntitle failed(1). fileName is %s, errno=%d. ",
             fileName.c_str(), errno);
    } else {
      report("TXTFormatFile::startDocument: write Columntitle failed(2). fileName is %s, errno=%d.",
             fileName.c_str(), errno);
    }
    return kFailed;
  }
  return kOk;
}

long TXTFormatFile::endDocument() {
  if (!m_isWrite) {
    report("TXTFormatFile::endDocument: can't end because have not started.");
    return kFailed;
  }
  if (m_threadRunning) stopWriterThread();
  // A finished document keeps no block memory.
  m_maker.clear();
  m_blocks.trim();
  const bool closed = m_file.close();
  m_isWrite = false;
  if (!closed) {
    errno = failureErrno();
    report("TXTFormatFile::endDocument: failed, %s. errno = %d ", fileName.c_str(), errno);
    return kFailed;
  }
  return kOk;
}

long TXTFormatFile::writeRecord(const std::vector<std::string>& record) { return writefile(record); }

long TXTFormatFile::writeRecord(const std::list<std::string>& record) { return writefile(record); }

template <typename Record>
long TXTFormatFile::writefile(const Record& record) {
  if (!m_isWrite) {
    report("TXTFormatFile::writefile: can't write because have not started.");
    return kFailed;
  }
  if (record.empty()) return kFailed;
  if (!m_file.isOpen()) {
    report("TXTFormatFile::writefile: File haven't been openned.");
    return kFailed;
  }
  bool laidOut = true;
  if (m_utf8Document) {
    writeLines(record);
    m_file.flushIfFull();
  } else {
    laidOut = putBlock(record);
  }
  // In local-charset mode this sees the failures of the blocks written so far.
  if (!laidOut || !m_file.good()) {
    errno = laidOut ? failureErrno() : ENOMEM;
    report("TXTFormatFile::writefile: writen failed. fileName is %s. errno = %d", fileName.c_str(),
           errno);
    return kFailed;
  }
  return kOk;
}

void TXTFormatFile::setFileNameCoding(const std::string& coding) { m_fileNameCoding = coding; }
