// SPDX-License-Identifier: Apache-2.0
#include "companion/io/OutputFile.h"

#include "companion/io/Descriptor.h"
#include "companion/os/NativePath.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace oryx {

bool OutputFile::DescriptorSink::write(const char* data, size_t size) { return writeAll(fd, data, size); }

void PendingBytes::grow(size_t size) {
  size_t capacity = m_capacity == 0 ? OutputFile::kBufferSize : m_capacity * 2;
  while (capacity - m_size < size) capacity *= 2;
  std::unique_ptr<char[]> data(new char[capacity]);
  if (m_size != 0) std::memcpy(data.get(), m_data.get(), m_size);
  m_data = std::move(data);
  m_capacity = capacity;
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::open(const std::string& name, Mode mode) {
  close();
  m_buffer.clear();
  m_failed.store(false, std::memory_order_release);
  // A global-version installation opens export files by their wide name; on
  // this platform the wide and the narrow name are the same UTF-8 bytes, so
  // both reach the file through the narrow name.
  const std::string native = nativePath(name);
  if (mode == Mode::kTruncate) {
    m_fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } else {
    // Opened without waiting: a FIFO nobody reads would otherwise block the
    // caller for ever (it fails with ENXIO instead); writes wait.
    m_fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (m_fd >= 0) ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
  }
  m_sink.fd = m_fd;
  m_codecHolds = false;
  if (m_fd >= 0 && m_codec && !m_codec->start()) {
    const int error = errno;
    abandon();
    errno = error;
  }
  return m_fd >= 0;
}

bool OutputFile::emit(const char* data, size_t size, Compressor::Step step) {
  if (!m_codec) return writeAll(m_fd, data, size);
  // A flush with nothing new would only add an empty block.
  if (step == Compressor::Step::kSync && size == 0 && !m_codecHolds) return true;
  m_codecHolds = step == kGather && (size != 0 || m_codecHolds);
  return m_codec->put(data, size, step, m_sink);
}

bool OutputFile::drain(Compressor::Step step) {
  if (m_failed.load(std::memory_order_relaxed)) {
    m_buffer.clear();  // bytes formatted in place after a failure are dropped too
    return false;
  }
  if (m_fd < 0) {
    m_buffer.clear();
    return true;
  }
  const bool written = emit(m_buffer.data(), m_buffer.size(), step);
  if (!written) fail(errno);
  m_buffer.clear();
  return written;
}

void OutputFile::makeRoom(size_t size) {
  drain(kGather);
  m_buffer.free(size);  // allocates the buffer on first use
}

void OutputCursor::refill(size_t size) {
  file.commit(at);
  at = file.room(size);
  limit = file.roomEnd();
}

void OutputCursor::putInPieces(const char* data, size_t size) {
  while (size > 0) {
    need(std::min(size, OutputFile::kMaxRoom));
    const size_t piece = std::min(size, static_cast<size_t>(limit - at));
    std::memcpy(at, data, piece);
    at += piece;
    data += piece;
    size -= piece;
  }
}

void OutputFile::fail(int error) {
  // Only the first failure is kept: later ones are its consequences.
  if (m_failed.load(std::memory_order_relaxed)) return;
  m_failureErrno.store(error, std::memory_order_relaxed);
  m_failed.store(true, std::memory_order_release);
}

bool OutputFile::writeGathered(const struct iovec* pieces, int count) {
  if (!drain(kGather)) return false;
  if (m_fd < 0) return true;
  if (m_codec) {
    for (int i = 0; i < count; ++i) {
      if (!emit(static_cast<const char*>(pieces[i].iov_base), pieces[i].iov_len, kGather)) {
        fail(errno);
        return false;
      }
    }
    return true;
  }
  // A short write leaves the rest of the pieces for the next round.
  std::vector<struct iovec> rest(pieces, pieces + count);
  struct iovec* next = rest.data();
  int left = count;
  while (left > 0) {
    const ssize_t written = ::writev(m_fd, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      fail(errno);
      return false;
    }
    size_t done = static_cast<size_t>(written);
    while (left > 0 && done >= next->iov_len) {
      done -= next->iov_len;
      ++next;
      --left;
    }
    if (left > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + done;
      next->iov_len -= done;
    }
  }
  return true;
}

bool OutputFile::close() {
  if (m_fd < 0) return good();
  const bool flushed = drain(m_codec ? Compressor::Step::kEnd : Compressor::Step::kSync);
  const int savedErrno = errno;
  const int rc = ::close(m_fd);
  m_fd = -1;
  if (rc != 0) {
    fail(errno);
    return false;
  }
  if (!flushed) errno = savedErrno;
  return flushed && good();
}

void OutputFile::abandon() {
  m_buffer.clear();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_sink.fd = -1;
}

}  // namespace oryx
