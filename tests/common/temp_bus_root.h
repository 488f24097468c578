#pragma once
// A private virtual USB bus for one test: a fresh temporary directory that
// TQUSB_BUS_DIR points at while the object lives, deleted afterwards.
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

class TempBusRoot {
 public:
  TempBusRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tqusb-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* old = getenv("TQUSB_BUS_DIR")) previous_ = old;
    setenv("TQUSB_BUS_DIR", path_.c_str(), 1);
  }
  ~TempBusRoot() {
    if (previous_)
      setenv("TQUSB_BUS_DIR", previous_->c_str(), 1);
    else
      unsetenv("TQUSB_BUS_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempBusRoot(const TempBusRoot&) = delete;
  TempBusRoot& operator=(const TempBusRoot&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<std::string> previous_;
};
