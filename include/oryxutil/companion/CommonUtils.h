// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_COMMONUTILS_H
#define ORYXUTIL_COMPANION_COMMONUTILS_H

// Common utilities: static helpers shared by the writers, the file utilities,
// the ORB configuration and the facade. Stateless; every operation may be
// called from any thread. Environment variables are read at every call.

#include "oryxutil/Visibility.h"

#include <list>
#include <string>

class ORYXUTIL_EXPORT oRYXCommonUtils {
 public:
  oRYXCommonUtils();
  ~oRYXCommonUtils();
  oRYXCommonUtils& operator=(const oRYXCommonUtils&);

  // UTF-8 text as 16-bit units held in wchar_t: one unit per character of
  // the basic plane, two (a surrogate pair) above U+FFFF. A malformed byte
  // becomes U+FFFD; the text is never read past its end.
  static std::wstring STR2WSTR(const std::string& text);

  // True on a global-version installation: ORYX_GLOBAL_VERSION unset or
  // anything but "0".
  static bool IsGlobalVersion();

  // The variable's value, "" when it is not set.
  static std::string oRYXgetenv(const char* name);

  // The local host's name ("" when it cannot be read).
  static std::string hostname();

  // Appends to `pieces` the texts between occurrences of the whole text
  // `delimiter`, in order. Empty pieces are skipped; blanks are kept.
  // An empty delimiter appends the whole text (when non-empty).
  static void split(const std::string& text, const std::string& delimiter,
                    std::list<std::string>& pieces);

  // $ORYX_CONFIG_PATH when non-empty, else $ORYX_ROOT/etc/conf; without a
  // trailing separator.
  static std::string getConfigPath();

  // The operating system's name (uname), e.g. "Linux".
  static std::string sysname();

  // The first non-loopback IPv4 address of the host in dotted form, "" when
  // the host has none.
  static std::string hostipaddr();

  // 1 when this host is the installation's primary host, else 0: the host
  // named by ORYX_PRIMARY_HOST (its name in any case, or its address); every
  // host is primary when the variable is unset or empty.
  static int IsPrimaryHost();

  // These change `text` in place and return the result. oRYXreverse reverses
  // the bytes; the trims remove blanks, tabs, CR and LF (oRYXltrim at the
  // start, oRYXtrim at both ends); oRYXreplace replaces every occurrence of
  // `from` by `to`, left to right, not rescanning the replacement (an empty
  // `from` changes nothing).
  static std::string oRYXreverse(std::string& text);
  static std::string oRYXltrim(std::string& text);
  static std::string oRYXtrim(std::string& text);
  static std::string oRYXreplace(std::string& text, std::string& from, std::string& to);

  // The decimal form of `value` into `buffer` (21 bytes always suffice);
  // returns `buffer`, or null for a null buffer.
  static char* ltoa(long value, char* buffer);
  static char* ultoa(unsigned long value, char* buffer);

  // Where a dump of all locks of this process goes:
  // $ORYX_ROOT/var/logs/dumpAllLocks_<pid>.txt.
  static std::string getDumpAllLocksFile();

  // Writes the calling thread's backtrace to standard error.
  static void printStackTrace();

  // STR2WSTR into the caller's buffer with a closing zero unit; the buffer
  // needs strlen(text) + 1 units. Null text or buffer: nothing is written.
  static void STR2WSTR(const char* text, wchar_t* buffer);

  // 16-bit units (surrogate pairs joined; values above U+FFFF taken as they
  // are) to UTF-8; a lone surrogate becomes U+FFFD. Null gives "".
  static std::string WSTR2STR(const wchar_t* text);

  // The text with every tab expanded to blanks up to the next multiple of 8
  // columns (columns counted in bytes, restarting after a line feed).
  static std::string tabs(const std::string& text);

  // The text with $NAME and ${NAME} (NAME: letters, digits, underscore, not
  // starting with a digit) replaced by the variable's value, "" when unset,
  // as a shell would. Any other "$" is kept, as is an unclosed "${".
  static std::string replEnvVar(const std::string& text);
};

// The same answer as oRYXCommonUtils::IsGlobalVersion().
ORYXUTIL_EXPORT bool oRYXIsGlobalVersion();

#endif
