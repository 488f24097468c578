// tqsim: the camera simulator.
//
//   tqsim serve [--bus DIR] [--config FILE] [--time-scale X] [--cached-frames]
//   tqsim [--bus DIR] list | plug DEVICE | unplug DEVICE | status DEVICE | fault DEVICE ...
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/model_config.h"
#include "platform/bus_layout.h"
#include "server/device_server.h"

namespace {

constexpr const char* kUsage =
    "usage: tqsim serve [--bus DIR] [--config FILE] [--time-scale X] [--cached-frames]\n"
    "       tqsim [--bus DIR] list\n"
    "       tqsim [--bus DIR] plug DEVICE | unplug DEVICE | status DEVICE\n"
    "       tqsim [--bus DIR] fault DEVICE status CODE [COUNT] | delay MS [COUNT] |\n"
    "                                 close-reply | close-image | unplug-after N |\n"
    "                                 image-short K | image-cut K | image-status CODE | clear\n"
    "DEVICE is a camera name, a device name or a camera id.\n";

// The default configuration: the source tree's, else the copy beside the
// program (a build tree moved elsewhere).
std::string DefaultConfig() {
  std::error_code ec;
  if (std::filesystem::exists(TQSIM_DEFAULT_CONFIG, ec)) return TQSIM_DEFAULT_CONFIG;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(TQSIM_DEFAULT_CONFIG) : (self.parent_path() / "cameras.json").string();
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Serve(const std::string& root, const std::string& config, double timeScale, bool cachedFrames) {
  tqsim::ConfigResult models = tqsim::LoadConfig(config);
  if (!models.Ok()) {
    std::fprintf(stderr, "tqsim: %s: %s\n", config.c_str(), models.error.c_str());
    return 1;
  }
  // Signals are taken by sigwait below, so block them before the serving
  // thread starts and inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  tqsim::ServerOptions options;
  options.root = root;
  options.cameras = std::move(models.cameras);
  options.timeScale = timeScale;
  options.cachedFrames = cachedFrames;
  tqsim::DeviceServer server(std::move(options));
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "tqsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("tqsim: %zu devices published on %s\n", server.DeviceCount(), server.Root().c_str());
  std::fflush(stdout);
  int signalNumber = 0;
  sigwait(&stopSignals, &signalNumber);
  server.Stop();
  return 0;
}

int Command(const std::string& root, const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  std::string answer;
  const std::string busRoot = root.empty() ? platform::bus::ResolveRoot() : root;
  if (!tqsim::SendControl(busRoot, line, &answer)) {
    std::fprintf(stderr, "tqsim: no simulator serves %s\n", busRoot.c_str());
    return 1;
  }
  const std::size_t eol = answer.find('\n');
  const std::string head = answer.substr(0, eol);
  const std::string body = eol == std::string::npos ? std::string() : answer.substr(eol + 1);
  if (head != "ok") {
    std::fprintf(stderr, "tqsim: %s\n", head.rfind("error ", 0) == 0 ? head.c_str() + 6 : head.c_str());
    return 1;
  }
  std::fputs(body.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root, config = DefaultConfig();
  double timeScale = 1.0;
  bool cachedFrames = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--bus" && hasValue) {
      root = argv[++i];
    } else if (arg == "--config" && hasValue) {
      config = argv[++i];
    } else if (arg == "--time-scale" && hasValue) {
      char* end = nullptr;
      timeScale = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !(timeScale >= 0)) return Usage();
    } else if (arg == "--cached-frames") {
      cachedFrames = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return Usage();
  if (words[0] == "serve") return words.size() == 1 ? Serve(root, config, timeScale, cachedFrames) : Usage();
  if (words[0] == "list" || words[0] == "plug" || words[0] == "unplug" || words[0] == "status" ||
      words[0] == "fault")
    return Command(root, words);
  return Usage();
}
