// Settings files that are a FIFO, a link to a device, a directory or over the
// size limit: Initialize of a camera with a filter wheel returns promptly and
// reads on as if the file were not there. Each case runs in a child process,
// so that one that hangs can be ended and the library's state starts afresh.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/usbhost_device_table.h"
#include "support/settings_home.h"
#include "tqusb/tqusb.h"

namespace {

namespace fs = std::filesystem;

class SettingsFiles : public tqtest::SettingsHomeTest {
 protected:
  // Found after the files under test: a crop that shows the search went on.
  SettingsFiles() { Write("public/QUIL/ini/tqusb.ini", "[crop]\nx=0\ny=0\nw=300\nh=200\n"); }
};

TEST_F(SettingsFiles, AFileThatIsNoRegularFileOrTooLargeIsAbsent) {
  struct File {
    const char* path;
    std::string head, line;  // text that would show if read, `line` repeated past the limit
    size_t limit;
  } files[] = {
      {"config/tqusb/registry.reg",
       "Windows Registry Editor Version 5.00\n\n"
       "[HKEY_CURRENT_USER\\Software\\Kestoral Instruments\\Tq Camera Filters]\n\"1\"=\"Red\"\n",
       ";" + std::string(1000, 'x') + "\n", 16u << 20},
      {"Documents/QUIL/ini/tqusb.ini", "[crop]\nw=100\n", "; padding\n", 256u << 10},
      {"Documents/QUIL/ini/tqusb.2003.ini", "[crop]\nw=100\n", "; padding\n", 256u << 10},
      {"config/tqusb/devices.conf", "", "1234 5678 3\n", 256u << 10},
  };
  for (const File& f : files) {
    const fs::path path = home_ / f.path;
    std::string oversize = f.head;
    while (oversize.size() <= f.limit) oversize += f.line;
    const std::function<void()> makers[] = {
        [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
        [&] { fs::create_symlink("/dev/zero", path); },
        [&] { fs::create_directory(path); },
        [&] { std::ofstream(path) << oversize; },
    };
    for (const auto& make : makers) {
      SCOPED_TRACE(std::string(f.path) + " case " + std::to_string(&make - makers));
      make();
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        TQCAMERA camera = Initialize(2003);
        uint32_t width = 0, colour = 0;
        char name[32] = {};
        _exit(GetIntegerParameter(camera, 1, &width) && width == 300 &&
                      EnumerateFilters(camera, 0, 31, name, &colour) &&
                      std::string(name) == "<undefined>" &&
                      platform::usbhost::FindModel(0x1234, 0x5678) == nullptr
                  ? 0
                  : 1);
      }
      int status = 0;
      for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 1000) kill(child, SIGKILL);  // 10 s: Initialize hangs
        usleep(10000);
      }
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      fs::remove_all(path);
    }
  }
}

}  // namespace
