// SPDX-License-Identifier: Apache-2.0
#include "companion/io/Compressor.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace oryx {

namespace {

const size_t kOutputSize = 256 * 1024;
const int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer
const int kMemoryLevel = 8;

class GzipCompressor final : public Compressor {
 public:
  explicit GzipCompressor(int level)
      : m_level(level == 0 ? Z_DEFAULT_COMPRESSION : std::min(std::max(level, 1), 9)) {}
  ~GzipCompressor() override {
    if (m_ready) deflateEnd(&m_stream);
  }

  bool start() override {
    const int rc = m_ready ? deflateReset(&m_stream)
                           : deflateInit2(&m_stream, m_level, Z_DEFLATED, kGzipWindow, kMemoryLevel,
                                          Z_DEFAULT_STRATEGY);
    m_ready = rc == Z_OK;
    if (!m_ready) errno = ENOMEM;
    return m_ready;
  }

  bool put(const char* data, size_t size, Step step, ByteSink& sink) override {
    if (!m_ready) return failed();
    // avail_in is 32 bits wide: a larger piece goes in parts.
    while (size > UINT_MAX / 2) {
      if (!deflateSome(data, UINT_MAX / 2, Z_NO_FLUSH, sink)) return false;
      data += UINT_MAX / 2;
      size -= UINT_MAX / 2;
    }
    const int flush = step == Step::kGather ? Z_NO_FLUSH : step == Step::kSync ? Z_SYNC_FLUSH : Z_FINISH;
    return deflateSome(data, size, flush, sink);
  }

 private:
  bool deflateSome(const char* data, size_t size, int flush, ByteSink& sink) {
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_stream.avail_in = static_cast<uInt>(size);
    // Output until the codec leaves room unused: then it holds nothing more
    // that this flush asks for.
    int rc;
    do {
      m_stream.next_out = reinterpret_cast<Bytef*>(m_output);
      m_stream.avail_out = sizeof(m_output);
      rc = deflate(&m_stream, flush);
      if (rc == Z_STREAM_ERROR) return failed();
      const size_t made = sizeof(m_output) - m_stream.avail_out;
      if (made != 0 && !sink.write(m_output, made)) return false;
    } while (m_stream.avail_out == 0);
    return flush != Z_FINISH || rc == Z_STREAM_END || failed();
  }

  bool failed() {
    errno = EIO;
    return false;
  }

  const int m_level;
  z_stream m_stream = {};
  bool m_ready = false;
  char m_output[kOutputSize];
};

}  // namespace

std::unique_ptr<Compressor> makeGzipCompressor(int level) {
  return std::unique_ptr<Compressor>(new GzipCompressor(level));
}

}  // namespace oryx
