// A file written under a temporary name in its target folder and moved onto
// the target only when every byte is on disk, so a full disk, a crash or
// Ctrl-C never leaves a short file under the name a reader expects.
//
// The temporary file is created by this process alone (exclusive create, so
// a planted symbolic link is never followed) and written through its open
// descriptor. Its name, ".NAME.tqcam-PID-XXXXXX", tells the next run in the
// folder that it is a leftover once process PID is gone.
#pragma once

#include <cstddef>
#include <string>

namespace tqcam {

class OutputFile {
 public:
  // Creates the temporary file; `overwrite` lets Commit replace an existing
  // target.
  OutputFile(std::string target, bool overwrite);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Writes all bytes or fails naming the cause ("No space left on device").
  void Write(const void* data, size_t size);
  // Flushes to disk, checks the size, closes and moves onto the target.
  void Commit();

 private:
  [[noreturn]] void Fail(const std::string& what, int error);

  std::string target_;
  std::string temp_;
  bool overwrite_;
  int fd_ = -1;
  size_t written_ = 0;
  bool committed_ = false;
};

// Checks before the exposure that `path` can be written: a valid file name,
// an existing writable folder, and no existing file unless `overwrite`.
// Removes the leftovers of killed runs from the folder.
void CheckOutputPath(const std::string& path, bool overwrite);

}  // namespace tqcam
