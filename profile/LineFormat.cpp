#include "profile/LineFormat.h"

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
  ~LineBuilder() { m_line[m_used] = '\0'; }

  LineBuilder& operator<<(const char* text) {
    const size_t length = std::strlen(text);
    const size_t room = kLineBuffer - 1 - m_used;
    const size_t copied = length < room ? length : room;
    std::memcpy(m_line + m_used, text, copied);
    m_used += copied;
    return *this;
  }

  LineBuilder& operator<<(long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* first = end;
    *--first = '\0';
    // Works on the magnitude as unsigned, so the most negative value prints too.
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value)
                                        : static_cast<unsigned long>(value);
    do {
      *--first = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--first = '-';
    return *this << first;
  }

 private:
  char* m_line;
  size_t m_used = 0;
};

}  // namespace

void formatStart(char (&line)[kLineBuffer], const char* indent, const char* name) {
  LineBuilder(line) << indent << "Started[" << name << "]\n";
}

void formatElapsed(char (&line)[kLineBuffer], const char* indent, const char* name,
                   ACE_hrtime_t nanoseconds) {
  const long seconds = static_cast<long>(nanoseconds / kNsPerSecond);
  const long fraction = static_cast<long>(nanoseconds % kNsPerSecond);
  LineBuilder(line) << indent << "Elapsed[" << name << "]:" << seconds << "s:"
                    << fraction / 1000000 << "ms:" << (fraction % 1000000) / 1000 << "us:"
                    << fraction % 1000 << "ns\n";
}

void formatTimestamp(char (&line)[kLineBuffer], const char* name, long seconds,
                     long microseconds) {
  LineBuilder(line) << "Timestamp[" << name << "]:" << seconds << "s:" << microseconds << "us\n";
}

long wholeMilliseconds(ACE_hrtime_t nanoseconds) {
  return static_cast<long>(nanoseconds / kNsPerSecond) * 1000 +
         static_cast<long>(nanoseconds % kNsPerSecond) / 1000000;
}

}  // namespace profile
}  // namespace oryx
