// SPDX-License-Identifier: Apache-2.0
#include "companion/io/Compressor.h"

#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace oryx {

namespace {

// Levels above 19 need windows of hundreds of MiB: not constant memory.
const int kMaxLevel = 19;

class ZstdCompressor final : public Compressor {
 public:
  explicit ZstdCompressor(int level)
      : m_level(level == 0 ? ZSTD_CLEVEL_DEFAULT : std::min(std::max(level, 1), kMaxLevel)),
        m_output(ZSTD_CStreamOutSize()) {}
  ~ZstdCompressor() override { ZSTD_freeCCtx(m_context); }

  bool start() override {
    if (m_context == nullptr) {
      m_context = ZSTD_createCCtx();
      if (m_context == nullptr ||
          ZSTD_isError(ZSTD_CCtx_setParameter(m_context, ZSTD_c_compressionLevel, m_level))) {
        errno = ENOMEM;
        return false;
      }
    }
    return !ZSTD_isError(ZSTD_CCtx_reset(m_context, ZSTD_reset_session_only)) || failed();
  }

  bool put(const char* data, size_t size, Step step, ByteSink& sink) override {
    if (m_context == nullptr) return failed();
    const ZSTD_EndDirective mode =
        step == Step::kGather ? ZSTD_e_continue : step == Step::kSync ? ZSTD_e_flush : ZSTD_e_end;
    ZSTD_inBuffer in = {data, size, 0};
    for (;;) {
      ZSTD_outBuffer out = {m_output.data(), m_output.size(), 0};
      const size_t left = ZSTD_compressStream2(m_context, &out, &in, mode);
      if (ZSTD_isError(left)) return failed();
      if (out.pos != 0 && !sink.write(m_output.data(), out.pos)) return false;
      // Gathering ends when the input is taken; a flush or the end when
      // the codec holds nothing more back.
      if (mode == ZSTD_e_continue ? in.pos == in.size : left == 0) return true;
    }
  }

 private:
  bool failed() {
    errno = EIO;
    return false;
  }

  const int m_level;
  ZSTD_CCtx* m_context = nullptr;
  std::vector<char> m_output;
};

}  // namespace

std::unique_ptr<Compressor> makeZstdCompressor(int level) {
  return std::unique_ptr<Compressor>(new ZstdCompressor(level));
}

}  // namespace oryx
