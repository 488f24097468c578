#pragma once
// tqsim as a separate process for a benchmark: its own camera file on the
// benchmark's private bus, cached frames and no simulated waiting.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"

// Starts the simulator into `sim`; false when it did not say it is serving.
inline bool StartBenchSimulator(const TempBusRoot& bus, const char* cameras,
                                std::unique_ptr<tqtest::ChildProcess>& sim) {
  const std::string config = bus.Path() + "/bench-cameras.json";
  std::ofstream(config) << cameras;
  sim = std::make_unique<tqtest::ChildProcess>(
      std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus.Path(), "--config", config,
                               "--time-scale", "0", "--cached-frames"},
      bus.Path());
  return sim->ReadLine().rfind("tqsim: ", 0) == 0;
}
