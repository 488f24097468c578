#pragma once
// The simulator test with a private home of its own: the document, public and
// configuration folders a settings file can live in, found through HOME and
// the XDG variables, which are given back their values afterwards.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/support/simulator.h"

namespace tqtest {

class SettingsHomeTest : public SimulatorTest {
 protected:
  SettingsHomeTest() : home_(root_.Path() + "-home") {
    for (const char* name : kVariables)
      if (const char* value = getenv(name)) saved_.emplace_back(name, value);
    for (const char* dir : {"Documents/QUIL/ini", "public/QUIL/ini", "config/tqusb"})
      std::filesystem::create_directories(home_ / dir);
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home_ / "public").c_str(), 1);
  }
  ~SettingsHomeTest() override {
    for (const char* name : kVariables) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    std::filesystem::remove_all(home_);
  }

  void Write(const std::string& relative, const std::string& text) {
    std::ofstream(home_ / relative) << text;
  }

  std::filesystem::path home_;

 private:
  static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};
  std::vector<std::pair<std::string, std::string>> saved_;
};

}  // namespace tqtest
