// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_IO_COMPRESSOR_H
#define ORYXUTIL_COMPANION_IO_COMPRESSOR_H

// A streaming compressor between a buffered output file and its
// descriptor: bytes go in, compressed bytes come out to a ByteSink as they
// are made, in constant memory (the codec's window and one output buffer,
// whatever the size of the document). One stream per document: start()
// begins a new one, put(..., kEnd) finishes it.
// Results: false when the codec or the sink failed, errno set (the sink's,
// or ENOMEM / EIO for the codec); the stream is then unusable until start().
// Threads: one thread at a time per object.

#include "oryxutil/export/WriterOptions.h"

#include <cstddef>
#include <memory>

namespace oryx {

// Where compressed bytes go: all of them, or false with errno set.
class ByteSink {
 public:
  virtual bool write(const char* data, size_t size) = 0;

 protected:
  ~ByteSink() = default;
};

class Compressor {
 public:
  // What follows the bytes of one put(): nothing yet (the codec may hold
  // them back), a flush that lets a reader decode every byte so far, or
  // the end of the stream.
  enum class Step { kGather, kSync, kEnd };

  virtual ~Compressor() = default;
  // Begins a new stream (a new document); false with errno set.
  virtual bool start() = 0;
  virtual bool put(const char* data, size_t size, Step step, ByteSink& sink) = 0;
};

// The codec's compressor at `level` (0: the codec's default; others clamped
// to what the codec offers in constant memory), or null for none.
std::unique_ptr<Compressor> makeCompressor(Compression codec, int level);

}  // namespace oryx

#endif
