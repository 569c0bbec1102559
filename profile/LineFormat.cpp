#include "profile/LineFormat.h"

#include "companion/io/ShortCopy.h"

#include <cstring>

namespace oryx {
namespace profile {

namespace {

const ACE_hrtime_t kNsPerSecond = 1000000000;

// Fills a line buffer the way snprintf would, without its format parsing
// (profiling sits on callers' hot paths): text beyond 255 characters is cut.
class LineBuilder {
 public:
  explicit LineBuilder(char (&line)[kLineBuffer]) : m_line(line) {}

  // Ends the line with a zero byte; its length.
  size_t finish() {
    m_line[m_used] = '\0';
    return m_used;
  }

  LineBuilder& operator<<(const char* text) { return append(text, std::strlen(text)); }

  LineBuilder& operator<<(long value) {
    char digits[24];
    char* const end = digits + sizeof digits;
    char* first = end;
    // Works on the magnitude as unsigned, so the most negative value prints
    // too; two digits a step.
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value)
                                        : static_cast<unsigned long>(value);
    while (magnitude >= 100) {
      first -= 2;
      std::memcpy(first, kDigitPairs + 2 * (magnitude % 100), 2);
      magnitude /= 100;
    }
    if (magnitude >= 10) {
      first -= 2;
      std::memcpy(first, kDigitPairs + 2 * magnitude, 2);
    } else {
      *--first = static_cast<char>('0' + magnitude);
    }
    if (value < 0) *--first = '-';
    return append(first, static_cast<size_t>(end - first));
  }

 private:
  LineBuilder& append(const char* text, size_t length) {
    const size_t room = kLineBuffer - 1 - m_used;
    const size_t copied = length < room ? length : room;
    oryx::copyShort(m_line + m_used, text, copied);
    m_used += copied;
    return *this;
  }

  static const char kDigitPairs[];

  char* m_line;
  size_t m_used = 0;
};

const char LineBuilder::kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

size_t formatStart(char (&line)[kLineBuffer], const char* indent, const char* name) {
  LineBuilder builder(line);
  builder << indent << "Started[" << name << "]\n";
  return builder.finish();
}

size_t formatElapsed(char (&line)[kLineBuffer], const char* indent, const char* name,
                     ACE_hrtime_t nanoseconds) {
  const long seconds = static_cast<long>(nanoseconds / kNsPerSecond);
  const long fraction = static_cast<long>(nanoseconds % kNsPerSecond);
  LineBuilder builder(line);
  builder << indent << "Elapsed[" << name << "]:" << seconds << "s:" << fraction / 1000000
          << "ms:" << (fraction % 1000000) / 1000 << "us:" << fraction % 1000 << "ns\n";
  return builder.finish();
}

size_t formatTimestamp(char (&line)[kLineBuffer], const char* name, long seconds,
                       long microseconds) {
  LineBuilder builder(line);
  builder << "Timestamp[" << name << "]:" << seconds << "s:" << microseconds << "us\n";
  return builder.finish();
}

long wholeMilliseconds(ACE_hrtime_t nanoseconds) {
  return static_cast<long>(nanoseconds / kNsPerSecond) * 1000 +
         static_cast<long>(nanoseconds % kNsPerSecond) / 1000000;
}

}  // namespace profile
}  // namespace oryx
