#pragma once
// What the grid import needs from the operating system, kept in one place:
// telling whether two paths name the same file, and removing the temporary
// file of an interrupted import when SIGINT or SIGTERM ends the program.

#include <string>

namespace orthelev {

// True when `a` and `b` both name an existing file and it is the same file
// (same device and file number, links followed).
bool SameExistingFile(const std::string& a, const std::string& b);

// True when a regular file, or a folder, is at `path` (links followed).
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

// While one lives, SIGINT and SIGTERM first remove the file last given to
// Arm (if it is armed) and then end the program as they would have without
// it; the handlers before it are restored when it ends. One at a time.
class TempFileRemoval {
 public:
  TempFileRemoval();
  ~TempFileRemoval();
  TempFileRemoval(const TempFileRemoval&) = delete;
  TempFileRemoval& operator=(const TempFileRemoval&) = delete;

  // The file a signal removes from now on (paths of 4095 bytes at most; a
  // longer one is not removed by a signal).
  void Arm(const std::string& path);
  // No file is removed by a signal from now on.
  void Disarm();
};

}  // namespace orthelev
