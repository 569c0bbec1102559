// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_UTILS_UTILS_H
#define ORYXUTIL_UTILS_UTILS_H

// One place for the product's server code to reach the common utilities and
// the file utilities. Almost every operation forwards its arguments and
// result unchanged (see oRYXCommonUtils and oRYXFileUtil for the contracts);
// two have logic of their own:
// - oRYXgetenv warns on standard error when the variable is unset or empty;
// - getDBConfigValue looks a key up in <config path>/dbinfo.txt.
// Stateless; every operation may be called from any thread.

#include "oryxutil/Visibility.h"
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/fileutil/FileUtil.h"

#include <ctime>
#include <list>
#include <string>

class ORYXUTIL_EXPORT oRYXUtils {
 public:
  oRYXUtils();
  ~oRYXUtils();
  oRYXUtils& operator=(const oRYXUtils&);

  static std::string hostname();
  static std::string sysname();
  static std::string hostipaddr();
  static int IsPrimaryHost();
  static std::string oRYXreverse(std::string& text);
  static std::string oRYXltrim(std::string& text);
  static std::string oRYXtrim(std::string& text);
  static std::string oRYXreplace(std::string& text, std::string& from, std::string& to);
  static void split(const std::string& text, const std::string& delimiter,
                    std::list<std::string>& pieces);
  static char* ltoa(long value, char* buffer);
  static char* ultoa(unsigned long value, char* buffer);
  static std::string getDumpAllLocksFile();
  static std::string getConfigPath();
  static void printStackTrace();
  static void STR2WSTR(const char* text, wchar_t* buffer);
  static std::string WSTR2STR(const wchar_t* text);
  static std::string tabs(const std::string& text);
  static std::string replaceEnvVar(const std::string& text);

  static int getFileList(const char* dir, std::list<FILEINFO>& files, ORDER order, int maxCount,
                         const char* encoding = "UTF-8");
  static int zipSpecificDir(const char* parentDir, const char* subDir, const char* zipName,
                            bool deleteAfter, const char* encoding = "UTF-8");
  static int zipAllSubDir(const char* dir, bool deleteAfter, const char* encoding = "UTF-8");
  // A null archive name is passed on as "", so the name is derived from the
  // packed files instead of failing.
  static int zipSpecificFile(const char* dir, const char* files, const char* zipName, int option,
                             const char* encoding = "UTF-8");
  static int deleteFileByTime(const char* dir, struct tm* cutOff, const char* encoding = "UTF-8");
  static int deleteFileByThreshold(const char* dir, long threshold, const char* encoding = "UTF-8");

  // The variable's value; "" for a null name (no message). An unset or
  // empty variable also writes "Environment NAME not set!!" to stderr.
  static std::string oRYXgetenv(const char* name);

  // The value of the first token "key=value" of <getConfigPath()>/dbinfo.txt
  // whose key equals `key` (tokens are separated by white space; the value
  // runs to the next "=" or the token's end). "oryx" when the file cannot be
  // opened for reading and writing, or no token matches. Read afresh every call.
  static std::string getDBConfigValue(std::string key);
};

// A class of the product with no members beyond its trivial three.
class ORYXUTIL_EXPORT oRYXGlobalUtils {
 public:
  oRYXGlobalUtils();
  ~oRYXGlobalUtils();
  oRYXGlobalUtils& operator=(const oRYXGlobalUtils&);
};

#endif
