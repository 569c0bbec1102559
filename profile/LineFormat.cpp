// SPDX-License-Identifier: Apache-2.0
#include "profile/LineFormat.h"

#include "companion/io/ShortCopy.h"
#include "profile/ProfileFormat.h"

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

  // Two blanks a step.
  LineBuilder& indent(size_t steps) {
    const size_t room = kLineBuffer - 1 - m_used;
    const size_t blanks = 2 * steps < room ? 2 * steps : room;
    std::memset(m_line + m_used, ' ', blanks);
    m_used += blanks;
    return *this;
  }

  // A timer name: a control character in it is written as \n, \t or \xHH,
  // so that one event stays one line whatever the name holds.
  LineBuilder& name(const char* text) {
    const char* run = text;
    for (const char* at = text;; ++at) {
      const unsigned char byte = static_cast<unsigned char>(*at);
      if (byte == 0) return append(run, static_cast<size_t>(at - run));
      if (byte >= 0x20 && byte != 0x7f) continue;
      append(run, static_cast<size_t>(at - run));
      run = at + 1;
      char escaped[4] = {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xf]};
      if (byte == '\n' || byte == '\t') {
        escaped[1] = byte == '\n' ? 'n' : 't';
        append(escaped, 2);
      } else {
        append(escaped, 4);
      }
    }
  }

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
  static const char kHexDigits[];

  char* m_line;
  size_t m_used = 0;
};

const char LineBuilder::kHexDigits[] = "0123456789abcdef";

const char LineBuilder::kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

size_t formatStart(char (&line)[kLineBuffer], size_t indentSteps, const char* name) {
  LineBuilder builder(line);
  builder.indent(indentSteps) << "Started[";
  builder.name(name) << "]\n";
  return builder.finish();
}

size_t formatElapsed(char (&line)[kLineBuffer], size_t indentSteps, const char* name,
                     ACE_hrtime_t nanoseconds) {
  const long seconds = static_cast<long>(nanoseconds / kNsPerSecond);
  const long fraction = static_cast<long>(nanoseconds % kNsPerSecond);
  LineBuilder builder(line);
  builder.indent(indentSteps) << "Elapsed[";
  builder.name(name) << "]:" << seconds << "s:" << fraction / 1000000
          << "ms:" << (fraction % 1000000) / 1000 << "us:" << fraction % 1000 << "ns\n";
  return builder.finish();
}

size_t formatTimestamp(char (&line)[kLineBuffer], const char* name, long seconds,
                       long microseconds) {
  LineBuilder builder(line);
  builder << "Timestamp[";
  builder.name(name) << "]:" << seconds << "s:" << microseconds << "us\n";
  return builder.finish();
}

long wholeMilliseconds(ACE_hrtime_t nanoseconds) {
  return static_cast<long>(nanoseconds / kNsPerSecond) * 1000 +
         static_cast<long>(nanoseconds % kNsPerSecond) / 1000000;
}

namespace {

class TextLines : public ProfileFormat {
 public:
  size_t eventRoom() const override { return kLineBuffer; }
  size_t format(const ProfileEvent& event, char* out) const override {
    char(&line)[kLineBuffer] = *reinterpret_cast<char(*)[kLineBuffer]>(out);
    switch (event.kind) {
      case ProfileEvent::Kind::kStart:
        return formatStart(line, event.nesting, event.name);
      case ProfileEvent::Kind::kStop:
        return formatElapsed(line, event.nesting, event.name, event.spanTicks);
      case ProfileEvent::Kind::kInstant:
        break;
    }
    return formatTimestamp(line, event.name, event.wallSeconds, event.wallMicroseconds);
  }
};

}  // namespace

const ProfileFormat& textLines() {
  // Never destroyed: a thread may still profile while the process exits.
  static const TextLines* const format = new TextLines();
  return *format;
}

}  // namespace profile
}  // namespace oryx
