#pragma once
// The simulator serving its default cameras as its own process on a private
// bus for each test, with its control commands and a second host process.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"
#include "tqusb/tqusb.h"

namespace tqtest {

class SimulatorTest : public testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> argv = {TQSIM_PATH, "serve", "--bus", root_.Path()};
    if (!timeScale_.empty()) argv.insert(argv.end(), {"--time-scale", timeScale_});
    if (!config_.empty()) argv.insert(argv.end(), {"--config", config_});
    sim_ = std::make_unique<ChildProcess>(argv, root_.Path());
    const std::string ready = sim_->ReadLine();
    ASSERT_EQ(ready.rfind("tqsim: ", 0), 0u) << "simulator did not start: " << ready;
  }
  void TearDown() override {
    for (TQCAMERA camera : opened_) Release(camera);
    sim_->Signal(SIGTERM);
    sim_->Wait();
  }

  // Initialize, released when the test ends.
  TQCAMERA Open(uint32_t id) { return opened_.emplace_back(Initialize(id)); }

  // Runs a tqsim control command against this test's simulator; its output lines.
  std::vector<std::string> Control(std::vector<std::string> words) {
    words.insert(words.begin(), {TQSIM_PATH, "--bus", root_.Path()});
    ChildProcess command(words, root_.Path());
    command.CloseInput();
    std::vector<std::string> lines = command.ReadLinesUntil("");
    EXPECT_EQ(command.Wait(), 0) << words[3];
    return lines;
  }
  // One "key=value" of a simulated camera's state.
  std::string State(const std::string& device, const std::string& key) {
    for (const std::string& line : Control({"status", device}))
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "(missing)";
  }

  // A second host process.
  std::unique_ptr<ChildProcess> Helper(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TQUSB_CLAIM_HELPER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(argv, root_.Path());
  }

  static std::string LastError(TQCAMERA camera) {
    char text[129] = {};
    GetLastErrorString(camera, 128, text);
    return text;
  }

  std::string timeScale_ = "0";  // the simulator's --time-scale ("0": no waiting); empty: real time
  std::string config_;     // a camera file of the test's own instead of the default set
  TempBusRoot root_;
  std::unique_ptr<ChildProcess> sim_;
  std::vector<TQCAMERA> opened_;
};

}  // namespace tqtest
