// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/export/MultiFormatFile.h"

#include "companion/ResultCodes.h"
#include "export/DocumentWriter.h"
#include "oryxutil/companion/OS.h"

#include <algorithm>

using oryx::kFailed;
using oryx::kOk;

namespace {

const char kSeparator = '\\';
// The OS layer is asked about directories in UTF-8 whatever the file-name
// coding of the inner writer says.
const char kPathEncoding[] = "UTF-8";
const mode_t kDirectoryMode = 0755;

// Where the base name of a part ends: at the last "." of the path, or, for
// a writer that compresses, at the "." before a last .gz or .zst
// (report.csv.gz -> report-1.csv.gz).
size_t partSplit(const std::string& path, const FormatFile* inner) {
  const size_t dot = path.rfind('.');
  const auto* document = dynamic_cast<const DocumentWriter*>(inner);
  if (dot == std::string::npos || dot == 0 || document == nullptr || !document->compressesOutput()) return dot;
  const std::string suffix = path.substr(dot);
  if (suffix != ".gz" && suffix != ".zst") return dot;
  const size_t before = path.find_last_of(".\\", dot - 1);
  return before != std::string::npos && path[before] == '.' ? before : dot;
}

// Creates every missing level of `directory` (which ends with a separator)
// below its first component, from the root outwards. A level that cannot be
// created is left to show up as the inner writer's failed open.
void createDirectories(const std::string& directory) {
  const size_t first = directory.find(kSeparator);
  for (size_t end = directory.find(kSeparator, first + 1); end != std::string::npos;
       end = directory.find(kSeparator, end + 1)) {
    const std::string prefix = directory.substr(0, end + 1);
    if (ORYX_OS::access(prefix.c_str(), 0, kPathEncoding) != 0) {
      ORYX_OS::mkdir(prefix.c_str(), kDirectoryMode, kPathEncoding);
    }
  }
}

}  // namespace

MultiFormatFile::MultiFormatFile(FormatFile* inner, unsigned long maxRecords, bool ownsInner)
    : m_maxRecords(static_cast<uint32_t>(maxRecords)), m_inner(inner), m_ownsInner(ownsInner) {}

MultiFormatFile::MultiFormatFile(const MultiFormatFile& other)
    : FormatFile(other),
      m_maxRecords(other.m_maxRecords),
      m_partIndex(other.m_partIndex),
      m_recordsInPart(other.m_recordsInPart),
      m_inner(other.m_inner),
      m_baseName(other.m_baseName),
      m_extension(other.m_extension),
      m_partFiles(other.m_partFiles),
      m_ownsInner(false),
      m_started(other.m_started) {}

MultiFormatFile& MultiFormatFile::operator=(const MultiFormatFile& other) {
  if (this == &other) return *this;  // would otherwise drop this wrapper's ownership
  FormatFile::operator=(other);
  m_maxRecords = other.m_maxRecords;
  m_partIndex = other.m_partIndex;
  m_recordsInPart = other.m_recordsInPart;
  m_inner = other.m_inner;
  m_baseName = other.m_baseName;
  m_extension = other.m_extension;
  m_partFiles = other.m_partFiles;
  m_ownsInner = false;
  m_started = other.m_started;
  return *this;
}

MultiFormatFile::~MultiFormatFile() {
  if (m_ownsInner) delete m_inner;
}

long MultiFormatFile::startDocument(const char* fileName, const char* encoding) {
  if (m_inner == nullptr || fileName == nullptr) return kFailed;
  if (m_started) return kFailed;
  if (m_partIndex == 0) {
    std::string path(fileName);
    std::replace(path.begin(), path.end(), '/', kSeparator);
    const size_t dot = partSplit(path, m_inner);
    if (dot == std::string::npos) return kFailed;
    m_baseName = path.substr(0, dot);
    m_extension = path.substr(dot);
    const size_t lastSeparator = path.rfind(kSeparator);
    if (lastSeparator == std::string::npos) return kFailed;
    createDirectories(path.substr(0, lastSeparator + 1));
  }
  const std::string name = partName();
  const long result = m_inner->startDocument(name.c_str(), encoding);
  if (result == kOk) {
    m_partFiles.push_back(name);
    m_started = true;
  }
  return result;
}

long MultiFormatFile::startDocument(const char* fileName) { return startDocument(fileName, nullptr); }

long MultiFormatFile::endDocument() {
  if (!m_started) return kFailed;
  m_started = false;
  if (m_inner == nullptr) return kFailed;
  return m_inner->endDocument();
}

long MultiFormatFile::writeRecord(const std::vector<std::string>& record) {
  return writeAndCount(record);
}

long MultiFormatFile::writeRecord(const std::list<std::string>& record) {
  return writeAndCount(record);
}

template <typename Record>
long MultiFormatFile::writeAndCount(const Record& record) {
  const long rolled = testwrite();
  if (rolled != kOk) return rolled;
  const long written = m_inner->writeRecord(record);
  if (written != kOk) return written;  // a record the writer refused is not counted
  ++m_recordsInPart;
  return kOk;
}

long MultiFormatFile::testwrite() {
  if (m_inner == nullptr || !m_started) return kFailed;
  if (m_recordsInPart < m_maxRecords) return kOk;
  ++m_partIndex;
  const long ended = endDocument();
  if (ended != kOk) return ended;
  const long started = startDocument((m_baseName + m_extension).c_str());
  if (started != kOk) return started;
  m_recordsInPart = 0;
  return kOk;
}

long MultiFormatFile::writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                                       const std::list<long>& widths) {
  if (m_inner == nullptr) return kFailed;
  return m_inner->writeColumnTitle(titles, encoding, widths);
}

long MultiFormatFile::writeColumnTitle(const std::list<std::string>& titles,
                                       const std::list<long>& widths) {
  if (m_inner == nullptr) return kFailed;
  return m_inner->writeColumnTitle(titles, widths);
}

void MultiFormatFile::setFileNameCoding(const std::string& coding) {
  if (m_inner != nullptr) m_inner->setFileNameCoding(coding);
}

long MultiFormatFile::endDocument(std::list<std::string>& files) {
  files.clear();
  if (!m_started) m_partFiles.clear();
  if (m_inner == nullptr) {
    m_partFiles.clear();
    return kFailed;
  }
  const long result = m_inner->endDocument();
  m_started = false;
  m_recordsInPart = 0;
  m_partIndex = 0;
  m_baseName.clear();
  m_extension.clear();
  if (result == kOk) {
    for (const std::string& path : m_partFiles) {
      files.push_back(path.substr(path.rfind(kSeparator) + 1));
    }
  }
  m_partFiles.clear();
  return result;
}

std::string MultiFormatFile::partName() const {
  return m_baseName + "-" + std::to_string(static_cast<unsigned long>(m_partIndex) + 1) +
         m_extension;
}
