// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_LINEFORMAT_H
#define ORYXUTIL_PROFILE_LINEFORMAT_H

// The three text lines of the profiler (its first ProfileFormat, and what
// getElapsedTime / getTime return), each formatted into a 256-byte buffer: a
// longer line is cut to 255 characters (and then has no line feed). Each
// function returns the line's length; a zero byte follows it. An indent is
// given in steps of two blanks.
// A control character in a name is written as \n, \t or \xHH (lower-case
// hex), so a line never splits.
// Pure functions of their arguments; any thread.

#include <ace/OS_NS_time.h>

#include <cstddef>

namespace oryx {
namespace profile {

const size_t kLineBuffer = 256;

// "<indent>Started[<name>]\n"
size_t formatStart(char (&line)[kLineBuffer], size_t indentSteps, const char* name);
// "<indent>Elapsed[<name>]:<s>s:<ms>ms:<us>us:<ns>ns\n" for a span in
// nanoseconds: whole seconds, then the fraction split into three 0..999 parts.
size_t formatElapsed(char (&line)[kLineBuffer], size_t indentSteps, const char* name,
                     ACE_hrtime_t nanoseconds);
// "Timestamp[<name>]:<s>s:<us>us\n"
size_t formatTimestamp(char (&line)[kLineBuffer], const char* name, long seconds,
                       long microseconds);

// Whole milliseconds of a span: seconds x 1000 plus the milliseconds of the
// fraction.
long wholeMilliseconds(ACE_hrtime_t nanoseconds);

}  // namespace profile
}  // namespace oryx

#endif
