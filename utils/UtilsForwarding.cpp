// SPDX-License-Identifier: Apache-2.0
// The forwarding operations of oRYXUtils: arguments and results unchanged.
#include "oryxutil/utils/Utils.h"

std::string oRYXUtils::hostname() { return oRYXCommonUtils::hostname(); }
std::string oRYXUtils::sysname() { return oRYXCommonUtils::sysname(); }
std::string oRYXUtils::hostipaddr() { return oRYXCommonUtils::hostipaddr(); }
int oRYXUtils::IsPrimaryHost() { return oRYXCommonUtils::IsPrimaryHost(); }
std::string oRYXUtils::oRYXreverse(std::string& text) { return oRYXCommonUtils::oRYXreverse(text); }
std::string oRYXUtils::oRYXltrim(std::string& text) { return oRYXCommonUtils::oRYXltrim(text); }
std::string oRYXUtils::oRYXtrim(std::string& text) { return oRYXCommonUtils::oRYXtrim(text); }
std::string oRYXUtils::oRYXreplace(std::string& text, std::string& from, std::string& to) {
  return oRYXCommonUtils::oRYXreplace(text, from, to);
}
void oRYXUtils::split(const std::string& text, const std::string& delimiter,
                      std::list<std::string>& pieces) {
  oRYXCommonUtils::split(text, delimiter, pieces);
}
char* oRYXUtils::ltoa(long value, char* buffer) { return oRYXCommonUtils::ltoa(value, buffer); }
char* oRYXUtils::ultoa(unsigned long value, char* buffer) { return oRYXCommonUtils::ultoa(value, buffer); }
std::string oRYXUtils::getDumpAllLocksFile() { return oRYXCommonUtils::getDumpAllLocksFile(); }
std::string oRYXUtils::getConfigPath() { return oRYXCommonUtils::getConfigPath(); }
void oRYXUtils::printStackTrace() { oRYXCommonUtils::printStackTrace(); }
void oRYXUtils::STR2WSTR(const char* text, wchar_t* buffer) { oRYXCommonUtils::STR2WSTR(text, buffer); }
std::string oRYXUtils::WSTR2STR(const wchar_t* text) { return oRYXCommonUtils::WSTR2STR(text); }
std::string oRYXUtils::tabs(const std::string& text) { return oRYXCommonUtils::tabs(text); }
std::string oRYXUtils::replaceEnvVar(const std::string& text) { return oRYXCommonUtils::replEnvVar(text); }

int oRYXUtils::getFileList(const char* dir, std::list<FILEINFO>& files, ORDER order, int maxCount,
                           const char* encoding) {
  return oRYXFileUtil::getFileList(dir, files, order, maxCount, encoding);
}
int oRYXUtils::zipSpecificDir(const char* parentDir, const char* subDir, const char* zipName,
                              bool deleteAfter, const char* encoding) {
  return oRYXFileUtil::zipSpecificDir(parentDir, subDir, zipName, deleteAfter, encoding);
}
int oRYXUtils::zipAllSubDir(const char* dir, bool deleteAfter, const char* encoding) {
  return oRYXFileUtil::zipAllSubDir(dir, deleteAfter, encoding);
}
int oRYXUtils::zipSpecificFile(const char* dir, const char* files, const char* zipName, int option,
                               const char* encoding) {
  return oRYXFileUtil::zipSpecificFile(dir, files, zipName == nullptr ? "" : zipName, option, encoding);
}
int oRYXUtils::deleteFileByTime(const char* dir, struct tm* cutOff, const char* encoding) {
  return oRYXFileUtil::deleteFileByTime(dir, cutOff, encoding);
}
int oRYXUtils::deleteFileByThreshold(const char* dir, long threshold, const char* encoding) {
  return oRYXFileUtil::deleteFileByThreshold(dir, threshold, encoding);
}
