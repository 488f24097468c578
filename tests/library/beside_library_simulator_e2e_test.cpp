// Settings and filter files beside the loaded library, with the settings in
// the document folders taking precedence as their order says: a host loads a
// copy of the library from a directory of the test, against the simulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"

namespace {

using tqtest::ChildProcess;

namespace fs = std::filesystem;

class BesideTheLibrary : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"lib", "home/Documents/QUIL/ini", "home/config", "public/QUIL/ini"})
      fs::create_directories(top_ / dir);
    fs::copy_file(TQUSB_SONAME_PATH, top_ / "lib" / fs::path(TQUSB_SONAME_PATH).filename());
    setenv("HOME", (top_ / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (top_ / "home/config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (top_ / "public").c_str(), 1);
    setenv("LD_LIBRARY_PATH", (top_ / "lib").c_str(), 1);
    sim_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus_.Path(), "--time-scale", "0"},
        bus_.Path());
    ASSERT_EQ(sim_->ReadLine().rfind("tqsim: ", 0), 0u) << "simulator did not start";
  }
  void TearDown() override {
    sim_->Signal(SIGTERM);
    sim_->Wait();
    unsetenv("LD_LIBRARY_PATH");
    fs::remove_all(top_);
  }

  void Write(const std::string& relative, const std::string& text) {
    std::ofstream(top_ / relative) << text;
  }
  std::vector<std::string> Camera(const std::string& id) {
    ChildProcess host({LIBRARY_HOST_PATH, "camera", id}, bus_.Path());
    host.CloseInput();
    std::vector<std::string> lines = host.ReadLinesUntil("");
    EXPECT_EQ(host.Wait(), 0);
    return lines;
  }

  TempBusRoot bus_;
  fs::path top_ = bus_.Path() + "-top";
  std::unique_ptr<ChildProcess> sim_;
};

TEST_F(BesideTheLibrary, SearchOrderAndTheFiltersSection) {
  Write("home/Documents/QUIL/ini/tqusb.2003.ini",
        "[driver]\nMicrometerFilterOffsets=1\n[crop]\nx=0\ny=0\nw=100\nh=50\n");
  Write("home/Documents/QUIL/ini/tqusb.ini", "[crop]\nx=0\ny=0\nw=200\nh=60\n");
  Write("lib/tqusb.2003.ini",
        "[crop]\nx=0\ny=0\nw=300\nh=70\n"
        "[filters]\nHa,255,-40\nOIII, lcyan\n=unused\n2=Blue,BLUE\nS2, 12, 5\nextra\n");
  Write("lib/tqusb.7001.ini", "[crop]\nx=0\ny=0\nw=400\nh=80\n");
  Write("lib/tqusb.ini", "[filters]\nL\n");

  EXPECT_EQ(Camera("2003"),
            (std::vector<std::string>{"connected=1 size=100x50 micrometres=1",
                                      "filter=Ha|0000FF|-40", "filter=OIII|FFFF00|0",
                                      "filter=2|000000|0", "filter=S2|00000C|5",
                                      "filter=<undefined>|000000|0"}));
  // The per-camera file beside the library comes before the general file in
  // Documents; its lack of a filters section leaves every position undefined.
  EXPECT_EQ(Camera("7001"), (std::vector<std::string>{
                                "connected=1 size=400x80 micrometres=0",
                                "filter=<undefined>|000000|0", "filter=<undefined>|000000|0",
                                "filter=<undefined>|000000|0", "filter=<undefined>|000000|0",
                                "filter=<undefined>|000000|0"}));
  // Only the general files apply to camera 8002: crop from Documents, the
  // filters from beside the library.
  const std::vector<std::string> other = Camera("8002");
  ASSERT_GE(other.size(), 2u);
  EXPECT_EQ(other[0], "connected=1 size=200x60 micrometres=0");
  EXPECT_EQ(other[1], "filter=L|000000|0");
}

}  // namespace
