// SPDX-License-Identifier: Apache-2.0
#include "companion/io/Compressor.h"

namespace oryx {

// Defined beside each codec.
std::unique_ptr<Compressor> makeGzipCompressor(int level);
std::unique_ptr<Compressor> makeZstdCompressor(int level);

std::unique_ptr<Compressor> makeCompressor(Compression codec, int level) {
  switch (codec) {
    case Compression::gzip: return makeGzipCompressor(level);
    case Compression::zstd: return makeZstdCompressor(level);
    case Compression::none: break;
  }
  return nullptr;
}

}  // namespace oryx
