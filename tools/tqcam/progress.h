// A progress line on standard error that rewrites itself, shown only when
// standard error is a terminal.
#pragma once

#include <string>

namespace tqcam {

class Progress {
 public:
  Progress();
  ~Progress();
  void Show(const std::string& text);
  void Clear();

 private:
  bool terminal_;
  bool shown_ = false;
};

}  // namespace tqcam
