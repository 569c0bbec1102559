// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_EXPORT_HTML_HTMLESCAPE_H
#define ORYXUTIL_EXPORT_HTML_HTMLESCAPE_H

// The HTML writer's escaping: & < > " become &amp; &lt; &gt; &quot;, every
// other byte is copied as it is. Sixteen bytes are checked a step, held
// in two words; the last bytes of a text are loaded from inside it (never
// at or past its end) and shifted into place, so a field of up to 16
// bytes costs one check and two stores when it holds no special byte.
// (A 16-byte load of the tail from behind its start would need a
// variable byte shift of the vector, which SSE2 lacks; words shift.)
// Four fixed specials allow compares instead of the table lookups of the
// writers' general scanner (ByteScan.h), which measured slower here.
// escapeHtml() needs kHtmlGrowth x (input bytes) + kHtmlSlack bytes of
// room: it stores whole words and entity blocks beyond the bytes it keeps.
// Thread-safe: no state.

#include "companion/io/OutputFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte of a text is the low byte of its word");

namespace oryx {

const size_t kHtmlGrowth = 6;  // " as &quot;
const size_t kHtmlSlack = 16;
// Texts up to this size are escaped in one go; longer ones in pieces of it.
const size_t kHtmlPiece = 16 * 1024;

namespace htmlescape {

struct Entity {
  char text[8];
  uint64_t size;  // a whole word: an entry is 16 bytes, indexed by a shift
};
// Indexed by bits 1-3 of the byte, which tell the four specials apart.
constexpr Entity kEntities[8] = {
    {"", 0}, {"&quot;", 6}, {"", 0}, {"&amp;", 5}, {"", 0}, {"", 0}, {"&lt;", 4}, {"&gt;", 4},
};

inline uint64_t load8(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

// The `n` bytes (1 to 7) at `p` as the low bytes of a word, zero above.
// Overlapping loads are merged with OR: a byte read twice is the same byte.
inline uint64_t loadShort(const unsigned char* p, size_t n) {
  if (n >= 4) {
    uint32_t low, high;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4);
    return low | static_cast<uint64_t>(high) << (8 * (n - 4));
  }
  return p[0] | static_cast<uint64_t>(p[n / 2]) << (8 * (n / 2)) | static_cast<uint64_t>(p[n - 1]) << (8 * (n - 1));
}

// Bit i set when byte i of the 16 bytes in `low` and `high` is special. "
// and & differ only in bit 2, < and > in bit 1, so setting that bit leaves
// two bytes to compare.
#if defined(__SSE2__)
inline unsigned specials(uint64_t low, uint64_t high) {
  const __m128i bytes = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
  const __m128i quoteAmp = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x04)), _mm_set1_epi8(0x26));
  const __m128i angle = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x02)), _mm_set1_epi8(0x3E));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(quoteAmp, angle)));
}
#else
// The same eight bytes a word: high bit of each zero byte (exact, no
// borrow between bytes), then one bit a byte gathered by a multiplication.
inline unsigned specials(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kLow7 = 0x7F * kOnes;
  const uint64_t quoteAmp = (word | 0x04 * kOnes) ^ (0x26 * kOnes);
  const uint64_t angle = (word | 0x02 * kOnes) ^ (0x3E * kOnes);
  auto zeros = [](uint64_t t) { return ~(((t & kLow7) + kLow7) | t | kLow7); };
  const uint64_t hits = (zeros(quoteAmp) | zeros(angle)) >> 7;
  return static_cast<unsigned>((hits * 0x0102040810204080ULL) >> 56);
}
inline unsigned specials(uint64_t low, uint64_t high) { return specials(low) | specials(high) << 8; }
#endif

// Escapes the `size` bytes (1 to 16) at `in`, which `low` and `high` hold
// (bytes 0-7, then 8 on; zero above them), to `at`; returns the end of the
// output. Both words are stored at once; a special byte's entity is
// stored over its place, followed by the bytes after it once more.
[[gnu::always_inline]] inline char* escapeBlock(char* at, const unsigned char* in, uint64_t low, uint64_t high, size_t size) {
  unsigned hits = specials(low, high);
  std::memcpy(at, &low, 8);
  std::memcpy(at + 8, &high, 8);
  if (hits == 0) return at + size;
  size_t done = 0;  // bytes of the block written
  do {
    const size_t n = static_cast<size_t>(__builtin_ctz(hits));
    const Entity& entity = kEntities[(in[n] >> 1) & 7];
    at += n - done;
    std::memcpy(at, entity.text, 8);
    at += entity.size;
    done = n + 1;
    // The bytes after the special again: the rest of `low`, then `high`.
    if (n < 7) {
      const uint64_t rest = low >> (8 * done);
      std::memcpy(at, &rest, 8);
      std::memcpy(at + 7 - n, &high, 8);
    } else {
      const uint64_t rest = n == 7 ? high : high >> (8 * (n - 8)) >> 8;
      std::memcpy(at, &rest, 8);
    }
    hits &= hits - 1;
  } while (hits != 0);
  return at + (size - done);
}

}  // namespace htmlescape

// Escapes [in, end) to `at`; returns the end of the output.
[[gnu::always_inline]] inline char* escapeHtml(char* at, const unsigned char* in, const unsigned char* const end) {
  using namespace htmlescape;
  const size_t size = static_cast<size_t>(end - in);
  for (; end - in > 16; in += 16) at = escapeBlock(at, in, load8(in), load8(in + 8), 16);
  const size_t left = static_cast<size_t>(end - in);
  // The last bytes of a text of eight bytes or more are the top of its last word.
  if (left > 8) {
    return escapeBlock(at, in, load8(in), load8(end - 8) >> (8 * (16 - left)), left);
  }
  if (left == 0) return at;
  const uint64_t low = size >= 8 ? load8(end - 8) >> (8 * (8 - left)) : loadShort(in, left);
  return escapeBlock(at, in, low, 0, left);
}

// Escapes `text` at the cursor, in pieces of kHtmlPiece bytes.
inline void escapeHtmlTo(OutputCursor& out, const std::string& text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  while (p < end) {
    const size_t piece = static_cast<size_t>(end - p) < kHtmlPiece ? static_cast<size_t>(end - p) : kHtmlPiece;
    out.need(kHtmlGrowth * piece + kHtmlSlack);
    out.at = escapeHtml(out.at, p, p + piece);
    p += piece;
  }
}

}  // namespace oryx

#endif
