// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_FILEUTIL_H
#define ORYXUTIL_FILEUTIL_FILEUTIL_H

// File chores in the server's directories: listing one directory into sorted
// FILEINFO records, removing directory trees, pruning zip archives by age or
// count, and packing files or directories with the external archiver 7za.
// Results: 0 success, -1 failure, -2 where a later step (a deletion) failed;
// isDir answers 1/2/-1 and isZipFile a bool. Nothing is thrown or reported.
// Paths the caller passes are product paths (a backslash is a separator) in
// the caller's `encoding`. A name read from a directory is its own bytes: it
// is never mapped, split or joined into a path to parse again, so a backslash
// or any other byte in it never reaches outside its directory.
// Threads: any operation from any thread. Sorted scans keep their context in
// per-thread storage, so concurrent scans never meet. The zip operations
// change the process's working directory while they run (and restore it on
// every exit): callers serialise them against each other and against any
// code that depends on the working directory.

#include "oryxutil/Visibility.h"

#include <cstdint>
#include <ctime>
#include <list>
#include <string>

// One directory entry of a listing.
struct FILEINFO {
  std::string fileName;  // the bare entry name, without the directory
  bool isDirectory;      // the entry is a directory (false when unreadable)
  int32_t reserved;      // always 0
};

// Order of getFileList; any value other than 1 and 2 lists unsorted.
enum ORDER {
  ORDER_NONE = 0,     // directory order
  ORDER_BY_TIME = 1,  // newest modification time first
  ORDER_BY_NAME = 2   // ascending byte order of the names
};

class ORYXUTIL_EXPORT oRYXFileUtil {
 public:
  oRYXFileUtil();
  ~oRYXFileUtil();
  oRYXFileUtil& operator=(const oRYXFileUtil&);

  // Appends the entries of `dir` (never "." or "..") to `files`, which is
  // not cleared. maxCount 0 lists all, n > 0 at most n (the newest n by
  // time, the first n by name, the first n read unsorted).
  // -1: dir null/empty, maxCount negative, or (unsorted only) dir not
  // opened; a sorted scan of an unreadable directory gives 0 and no records.
  static int getFileList(const char* dir, std::list<FILEINFO>& files, ORDER order, int maxCount,
                         const char* encoding = "UTF-8");

  // `out` = `path` without one trailing backslash. -1 (out untouched) for "".
  static int removeLastSeparator(const std::string& path, std::string& out);

  // 1 directory, 2 exists but is not one, -1 empty or status unreadable.
  // One trailing backslash is ignored; symbolic links are followed.
  static int isDir(const std::string& path, const char* encoding = "UTF-8");

  // True when `name` ends with ".zip" (case-sensitive). No file-system access.
  static bool isZipFile(const std::string& name);

  // Removes the tree `dir`; the result is that of removing `dir` itself (0
  // when the whole tree went, -1 otherwise). -1 when dir is not a directory
  // (a symbolic link included) or cannot be opened. The removal works on
  // directory descriptors: links inside the tree are removed as entries and
  // never followed, also when an entry is swapped for one while it runs. Any
  // depth works, with a bounded number of open descriptors.
  static int delDir(const char* dir, const char* encoding = "UTF-8");

  // Removes the archives (*.zip) at the top of `dir` modified before the
  // local time `cutoff` (normalised in place; the caller's hour is kept
  // across a daylight-saving shift). -1: bad arguments, cut-off in the
  // future, dir not opened, or an archive's status unreadable; -2: a
  // removal failed. Removals already made stay. A link named *.zip answers
  // with its own time and is removed as a link; fifos, sockets and devices
  // are skipped (so are they by deleteFileByThreshold).
  static int deleteFileByTime(const char* dir, struct tm* cutoff, const char* encoding = "UTF-8");

  // Keeps the newest `threshold` entries whose names contain ".zip" and
  // removes the rest. -1: bad arguments; -2: a removal failed (earlier
  // removals stay). An unreadable directory gives 0.
  static int deleteFileByThreshold(const char* dir, long threshold, const char* encoding = "UTF-8");

  // Packs `parent`\`sub` into `parent`\`zipName`.zip (`sub` without one
  // trailing backslash when zipName is ""), then, when `deleteAfter`,
  // removes what was packed and is unchanged. Every zip operation is one
  // transaction: the entries are decided first (regular files, directories,
  // links stored as links; fifos, sockets and devices never taken), the
  // archive is built in a staging directory private to the call, checked
  // entry by entry, synced and moved into place without replacing anything,
  // and only then is anything removed. -1: bad arguments, working-directory
  // failure, sub missing, the archive already there, or the archiver failed,
  // warned, stalled beyond ORYX_ZIP_TIMEOUT_S seconds (default 3600) or left
  // an archive without every entry (nothing is removed); -2: packed, but not
  // all of the subdirectory could go (entries that changed or appeared stay).
  static int zipSpecificDir(const char* parent, const char* sub, const char* zipName, bool deleteAfter,
                            const char* encoding = "UTF-8");

  // Packs every subdirectory of `dir` into an archive named after it. 0 when
  // all were packed; -1 bad argument or directory failure; otherwise the
  // first failing zipSpecificDir result (later subdirectories untouched).
  // Links to directories are not subdirectories and are left alone.
  static int zipAllSubDir(const char* dir, bool deleteAfter, const char* encoding = "UTF-8");

  // Packs the regular files of `dir` named by `files` (one name, names
  // separated by ";", or a wildcard) into `dir`\`zipName`.zip and deletes
  // those that are unchanged since they were listed. Every piece between ";"
  // is one name, byte for byte (blanks included); a piece with "*" or "?" is
  // matched by the Windows rule ("*.*" and "*" match every name, "?" one
  // character). With zipName "" the archive is named after the files.
  // option: 0..777. 0 packed, -1 on every failure (nothing is deleted); an
  // archive already in `dir` gives -1 before anything is packed.
  static int zipSpecificFile(const char* dir, const char* files, const char* zipName, int option,
                             const char* encoding = "UTF-8");

  // In the working directory: packs the files `fileText` names (command
  // text: blank-separated, possibly double-quoted names or wildcards) through
  // a private staging directory below %ORYX_ROOT%\var\tmp into `zipName`.zip
  // here, then deletes the packed files that are unchanged. 0 packed; -1
  // option outside 0..777, ORYX_ROOT unset, no names, the archive already
  // here, or a failed pack (nothing is deleted, the staging is cleared).
  static int runZipCmd(const char* fileText, const std::string& zipName, int option,
                       const char* encoding = "UTF-8");
};

#endif
