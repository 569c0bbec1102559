#ifndef ORYXUTIL_COMPANION_COMMONUTILS_H
#define ORYXUTIL_COMPANION_COMMONUTILS_H

// Common utilities: static helpers shared by the writers, the file utilities,
// the ORB configuration and the facade. Stateless; every operation may be
// called from any thread. Environment variables are read at every call.

#include <list>
#include <string>

class oRYXCommonUtils {
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
};

// The same answer as oRYXCommonUtils::IsGlobalVersion().
bool oRYXIsGlobalVersion();

#endif
