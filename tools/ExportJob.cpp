#include "ExportJob.h"

#include "oryxutil/companion/OS.h"
#include "oryxutil/export/MultiFormatFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace oryxtool {

namespace {

size_t lastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string nativeName(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

// Passes every call on to the factory's writer and notes each file it
// started, so that an unfinished export can be removed.
class ExportJob::StartedFiles : public FormatFile {
 public:
  explicit StartedFiles(FormatFile* writer) : m_writer(writer) {}

  long startDocument(const char* name, const char* encoding) override {
    const long result = m_writer->startDocument(name, encoding);
    if (result == 0) names.push_back(nativeName(name));
    return result;
  }
  long startDocument(const char* name) override { return startDocument(name, nullptr); }
  long endDocument() override { return m_writer->endDocument(); }
  long writeRecord(const std::vector<std::string>& record) override { return m_writer->writeRecord(record); }
  long writeRecord(const std::list<std::string>& record) override { return m_writer->writeRecord(record); }
  long writeColumnTitle(const std::list<std::string>& titles, const char* encoding,
                        const std::list<long>& widths) override {
    return m_writer->writeColumnTitle(titles, encoding, widths);
  }
  long writeColumnTitle(const std::list<std::string>& titles, const std::list<long>& widths) override {
    return m_writer->writeColumnTitle(titles, widths);
  }
  void setFileNameCoding(const std::string& coding) override { m_writer->setFileNameCoding(coding); }

  std::vector<std::string> names;

 private:
  std::unique_ptr<FormatFile> m_writer;
};

ExportJob::ExportJob(const ExportOptions& options) : m_options(options) {}

ExportJob::~ExportJob() {
  if (!m_finished) removeStarted();
}

void ExportJob::removeStarted() {
  if (m_started == nullptr) return;
  const std::vector<std::string> names = m_started->names;
  m_writer.reset();  // closes an open file before it is removed
  m_started = nullptr;
  for (const std::string& name : names) ORYX_OS::unlink(name.c_str(), "UTF-8");
}

bool ExportJob::fail(const std::string& what, bool inputFault) {
  m_error = what;
  m_inputFault = inputFault;
  return false;
}

bool ExportJob::failWithErrno(const std::string& what) {
  const int error = errno;
  return fail(what + (error ? std::string(": ") + std::strerror(error) : std::string()));
}

bool ExportJob::create() {
  std::list<std::string> params;
  if (m_options.format == "xml") params = {m_options.exportName, m_options.recordName};
  FormatFile* writer = FormatFileFactory::getFormatFile(m_options.format.c_str(), params);
  if (writer == nullptr) {
    return fail("this build of oryxutil has no \"" + m_options.format + "\" writer");
  }
  auto started = std::make_unique<StartedFiles>(writer);
  m_path = m_options.output;
  if (m_options.parts) {
    const size_t separator = lastSeparator(m_path);
    if (m_path.find('.', separator == std::string::npos ? 0 : separator + 1) == std::string::npos) {
      return fail("with --part-size the output file name needs an extension, such as report.csv");
    }
    // The wrapper takes the first directory of a path as existing: "./"
    // lets it create every level of a relative path.
    if (m_path[0] != '/' && m_path[0] != '\\') m_path = "./" + m_path;
    m_started = started.get();
    m_writer.reset(new MultiFormatFile(started.release(), m_options.partSize, true));
  } else {
    m_started = started.get();
    m_writer = std::move(started);
  }
  return true;
}

bool ExportJob::begin(const std::list<std::string>& titles) {
  if (!m_options.parts) {
    const std::filesystem::path parent = std::filesystem::path(nativeName(m_path)).parent_path();
    std::error_code ignored;  // a directory that cannot be made shows up as a failed open
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  }
  m_titleCount = titles.size();
  const char* encoding = m_options.encoding.empty() ? nullptr : m_options.encoding.c_str();
  if (m_writer->writeColumnTitle(titles, encoding, m_options.widths) != 0) {
    std::string why = "the " + m_options.format + " writer refused the column titles";
    if (m_options.format == "xml") {
      why += " (XML titles must differ from --export-name and --record-name, which must differ)";
    }
    return fail(why, true);
  }
  errno = 0;
  if (m_writer->startDocument(m_path.c_str()) != 0) {
    return failWithErrno("cannot write " + m_options.output);
  }
  return true;
}

bool ExportJob::write(const std::vector<std::string>& record) {
  errno = 0;
  if (m_writer->writeRecord(record) == 0) return true;
  if (m_options.format == "xml" && record.size() > m_titleCount) {
    return fail("the record has " + std::to_string(record.size()) + " fields, more than the " +
                std::to_string(m_titleCount) + " column titles", true);
  }
  return failWithErrno("writing the record failed");
}

bool ExportJob::finish(std::vector<std::string>& files) {
  errno = 0;
  files.clear();
  if (m_options.parts) {
    std::list<std::string> parts;
    auto* wrapper = static_cast<MultiFormatFile*>(m_writer.get());
    if (wrapper->endDocument(parts) != 0) return failWithErrno("ending the export failed");
    const size_t separator = lastSeparator(m_options.output);
    const std::string directory =
        separator == std::string::npos ? std::string() : m_options.output.substr(0, separator + 1);
    for (const std::string& part : parts) files.push_back(directory + part);
  } else {
    if (m_writer->endDocument() != 0) return failWithErrno("ending the export failed");
    files.push_back(m_options.output);
  }
  m_finished = true;
  return true;
}

}  // namespace oryxtool
