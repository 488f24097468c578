// A file written under a temporary name in its target directory and renamed
// onto the target when complete, so that an interrupted write never leaves a
// partial file under the name a reader expects. Not committed: removed.
#pragma once

#include <string>

namespace tqcam {

class OutputFile {
 public:
  explicit OutputFile(std::string target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& TempPath() const { return temp_; }
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  bool committed_ = false;
};

// Fails unless files can be created in the directory of `path`.
void CheckWritable(const std::string& path);

}  // namespace tqcam
