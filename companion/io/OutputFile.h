// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_IO_OUTPUTFILE_H
#define ORYXUTIL_COMPANION_IO_OUTPUTFILE_H

// A buffered output file, the one of the export writers and of the profile
// lines: bytes are gathered in one buffer and leave with write(2) on
// flush(), so a writer that flushes once per record costs one system call
// per record. Writers that format in place (room(),
// OutputCursor) keep the buffer at kBufferSize and write it out in calls of
// nearly that size, whatever the record size.
// The state is sticky like a stream's: after a failed write or close the
// file stays failed (good() false) until the next open(); later appends are
// dropped. errno is left as the failing call set it.
// Threads: one thread writes; good() may be read from another thread.
// A Compressor given with compressWith() sits between the buffer and the
// descriptor: flush() then also flushes the codec (every byte so far is
// readable from the file), the writes that only make room do not, and
// close() ends the stream. Each open() begins a new stream.

#include "companion/io/Compressor.h"

#include <sys/uio.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace oryx {

// A growing byte buffer that, unlike std::string, leaves bytes made room
// for unset (they are about to be overwritten).
class PendingBytes {
 public:
  const char* data() const { return m_data.get(); }
  size_t size() const { return m_size; }
  size_t capacity() const { return m_capacity; }
  void clear() { m_size = 0; }
  // At least `size` bytes free after the pending ones (the buffer grows when
  // it holds fewer); returns where they start. resize() then sets the end.
  char* free(size_t size) {
    if (m_capacity - m_size < size) grow(size);
    return m_data.get() + m_size;
  }
  void resize(const char* end) { m_size = static_cast<size_t>(end - m_data.get()); }
  void append(const char* data, size_t size) {
    if (size != 0) std::memcpy(extend(size), data, size);
  }
  void push_back(char c) { *extend(1) = c; }
  char* extend(size_t size) {
    if (m_capacity - m_size < size) grow(size);
    char* at = m_data.get() + m_size;
    m_size += size;
    return at;
  }

 private:
  void grow(size_t size);

  std::unique_ptr<char[]> m_data;
  size_t m_size = 0;
  size_t m_capacity = 0;
};

class OutputFile {
 public:
  // Buffered bytes beyond which flushIfFull() writes them out.
  static constexpr size_t kFlushThreshold = 64 * 1024;
  // The buffer's size, and the most that one room() call may ask for:
  // system calls of 256 KiB to 1 MiB cost the least per byte here.
  static constexpr size_t kBufferSize = 1024 * 1024;
  static constexpr size_t kMaxRoom = 256 * 1024;

  OutputFile() = default;
  ~OutputFile();  // flushes and closes an open file
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // How open() treats an existing file: truncated (an export document), or
  // appended to (profile lines, which several processes may share; the
  // open does not wait for a FIFO nobody reads, it fails with ENXIO).
  enum class Mode { kTruncate, kAppend };

  // Creates or opens `name` (a backslash is a separator) for writing.
  // False with errno set when it cannot be opened.
  bool open(const std::string& name, Mode mode = Mode::kTruncate);
  bool isOpen() const { return m_fd >= 0; }
  bool good() const { return !m_failed.load(std::memory_order_acquire); }
  // The errno of the failure that made the file failed; 0 while it is good.
  int failureErrno() const {
    return m_failed.load(std::memory_order_acquire) ? m_failureErrno.load(std::memory_order_relaxed) : 0;
  }

  void append(const char* data, size_t size) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.append(data, size);
  }
  void append(const std::string& text) { append(text.data(), text.size()); }
  void append(char c) {
    if (!m_failed.load(std::memory_order_relaxed)) m_buffer.push_back(c);
  }
  // For writers that format in place: adds `size` pending bytes, left
  // unset, and returns where they start. After a failure they are dropped
  // at the next flush.
  char* extend(size_t size) { return m_buffer.extend(size); }
  // For writers that format in place within a bounded buffer: at least
  // `size` (at most kMaxRoom) writable bytes after the pending ones, the
  // pending bytes written out first when fewer are free. Returns where the
  // free space starts; roomEnd() is where it ends. commit(end) makes the
  // bytes up to `end` pending. After a failure they are dropped.
  char* room(size_t size) {
    if (m_buffer.capacity() - m_buffer.size() < size) makeRoom(size);
    return m_buffer.free(0);
  }
  char* roomEnd() { return m_buffer.free(0) + (m_buffer.capacity() - m_buffer.size()); }
  void commit(const char* end) { m_buffer.resize(end); }

  // Bytes gathered before endRecord() writes them when records are not
  // flushed one by one.
  static constexpr size_t kBatchSize = 512 * 1024;

  // Compresses every document opened from now on (null: none).
  void compressWith(std::unique_ptr<Compressor> codec) { m_codec = std::move(codec); }
  bool compresses() const { return m_codec != nullptr; }
  // Whether endRecord() flushes (the default) or gathers up to kBatchSize.
  void setFlushEachRecord(bool on) { m_flushEachRecord = on; }

  // Writes the pending bytes. False (and failed from then on) on error.
  bool flush() { return drain(Compressor::Step::kSync); }
  // After each record of a writer whose file is complete up to its last record.
  bool endRecord() { return m_flushEachRecord ? flush() : m_buffer.size() < kBatchSize || drain(kGather); }
  // Writes the pending bytes and then `count` pieces straight from where
  // they lie (no copy into the buffer). False (and failed) on error.
  bool writeGathered(const struct iovec* pieces, int count);
  bool flushIfFull() { return m_buffer.size() < kFlushThreshold || drain(kGather); }
  // Flushes and closes; false when either failed or the file had failed.
  bool close();
  // Closes without writing the pending bytes: for a forked child, whose
  // copy of them is the parent's to write.
  void abandon();

 private:
  static constexpr Compressor::Step kGather = Compressor::Step::kGather;

  // Writes the pending bytes, through the codec with `step`.
  bool drain(Compressor::Step step);
  // Writes bytes to the file, through the codec with `step` if there is one.
  bool emit(const char* data, size_t size, Compressor::Step step);
  // Marks the file failed with `error`, unless it failed already.
  void fail(int error);
  void makeRoom(size_t size);

  // The descriptor as the codec's sink.
  struct DescriptorSink final : ByteSink {
    bool write(const char* data, size_t size) override;
    int fd = -1;
  };

  int m_fd = -1;
  std::unique_ptr<Compressor> m_codec;
  DescriptorSink m_sink;
  bool m_codecHolds = false;  // bytes given to the codec since its last flush
  bool m_flushEachRecord = true;
  PendingBytes m_buffer;
  std::atomic<bool> m_failed{false};
  std::atomic<int> m_failureErrno{0};  // published before m_failed
};

// A writer's place in the free space of an OutputFile while it formats
// one record in place: write at `at`, never beyond `limit`; need() makes
// sure enough is free first, done() hands the bytes over to the file.
// The file must not be used otherwise between the two.
struct OutputCursor {
  explicit OutputCursor(OutputFile& out) : file(out), at(out.room(0)), limit(out.roomEnd()) {}
  // At least `size` (at most OutputFile::kMaxRoom) bytes free at `at`.
  void need(size_t size) {
    if (static_cast<size_t>(limit - at) < size) refill(size);
  }
  // Copies bytes, in pieces when there are more than the buffer holds.
  void put(const char* data, size_t size) {
    if (static_cast<size_t>(limit - at) < size) return putInPieces(data, size);
    std::memcpy(at, data, size);
    at += size;
  }
  void put(const std::string& text) { put(text.data(), text.size()); }
  template <size_t N>
  void put(const char (&literal)[N]) {
    put(literal, N - 1);
  }
  void done() { file.commit(at); }

  OutputFile& file;
  char* at;
  char* limit;

 private:
  void refill(size_t size);
  void putInPieces(const char* data, size_t size);
};

}  // namespace oryx

#endif
