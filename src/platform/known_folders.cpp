#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace platform {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const struct passwd* pw = getpwuid(getuid());
  return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

std::string ConfigHome(const std::string& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  return home.empty() ? "" : home + "/.config";
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" in the shell-quoted form that
// user-dirs.dirs uses: a value that starts with $HOME or is absolute.
std::string DocumentsFromUserDirs(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return "";
}

}  // namespace

std::string DocumentsFolder() {
  const std::string home = HomeFolder();
  const std::string configHome = ConfigHome(home);
  if (!configHome.empty()) {
    std::string fromFile = DocumentsFromUserDirs(configHome + "/user-dirs.dirs", home);
    if (!fromFile.empty()) return fromFile;
  }
  return home.empty() ? "" : home + "/Documents";
}

std::string PublicDocumentsFolder() {
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  if (dirs != nullptr && dirs[0] == '/') {
    const std::string all = dirs;
    return all.substr(0, all.find(':'));
  }
  return "/etc/xdg";
}

}  // namespace platform
