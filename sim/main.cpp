// tqsim: the camera simulator.
//
//   tqsim serve [--bus DIR] [--config FILE] [--time-scale X] [--cached-frames]
//   tqsim [--bus DIR] list | plug DEVICE | unplug DEVICE | status DEVICE | fault DEVICE ...
#include <signal.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/model_config.h"
#include "platform/vbus_layout.h"
#include "server/device_server.h"

namespace {

constexpr const char* kFaults =
    "Faults (tqsim fault DEVICE ...): status CODE [COUNT] | delay MS [COUNT] | close-reply |\n"
    "  close-image | unplug-after N | image-short K | image-cut K | image-status CODE | clear\n"
    "DEVICE is a camera name, a device name or a camera id. The bus root is --bus, else\n"
    "$TQUSB_BUS_DIR, else $XDG_RUNTIME_DIR/tqusb-bus, else /tmp/tqusb-bus-<uid>.\n";

// The default configuration: the copy beside the program (build tree), the
// installed one (bin/../share/tqusb), else the source tree's.
std::string DefaultConfig() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    for (const char* relative : {"cameras.json", TQSIM_INSTALLED_CONFIG}) {
      const std::filesystem::path candidate = self.parent_path() / relative;
      if (std::filesystem::is_regular_file(candidate, ec)) return candidate.lexically_normal();
    }
  }
  return TQSIM_DEFAULT_CONFIG;
}

// The simulated clock runs at X times real time; 0 completes every timed
// action at once. Negative, infinite or non-numeric rates make no clock.
std::string CheckTimeScale(std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') return "'" + text + "' is not a number";
  if (!std::isfinite(value) || value < 0)
    return "the time scale must be a finite number of 0 or more, not " + text;
  return {};
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
  const std::string busRoot = root.empty() ? platform::vbus::ResolveRoot() : root;
  if (!tqsim::SendControl(busRoot, line, &answer)) {
    std::fprintf(stderr, "tqsim: no simulator serves %s\n", busRoot.c_str());
    return 1;
  }
  const std::size_t eol = answer.find('\n');
  const std::string head = answer.substr(0, eol);
  const std::string body = eol == std::string::npos ? std::string() : answer.substr(eol + 1);
  if (head != "ok") {
    std::fprintf(stderr, "tqsim: %s\n",
                 head.rfind("error ", 0) == 0 ? head.c_str() + 6 : head.c_str());
    return 1;
  }
  std::fputs(body.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tqsim: simulated cameras on the virtual USB bus of libtqusb"};
  app.footer(kFaults);
  app.require_subcommand(1);
  std::string root;
  app.add_option("--bus", root, "Bus root directory");

  std::string config = DefaultConfig();
  double timeScale = 1.0;
  bool cachedFrames = false;
  CLI::App* serve =
      app.add_subcommand("serve", "Publish the cameras and play them until SIGINT/SIGTERM");
  serve->fallthrough();  // --bus may follow the command name
  serve->add_option("--config", config, "Camera file")->capture_default_str();
  serve->add_option("--time-scale", timeScale, "Simulated seconds per real second (0: at once)")
      ->check(CLI::Validator(CheckTimeScale, "X >= 0", "TimeScale"));
  serve->add_flag("--cached-frames", cachedFrames, "Serve precomputed frames");

  // The commands for a running server go to it as one control line.
  std::string device;
  const std::pair<const char*, const char*> commands[] = {
      {"list", "List the devices and their state"},
      {"plug", "Plug DEVICE back in"},
      {"unplug", "Unplug DEVICE"},
      {"status", "Show the state of DEVICE"}};
  for (const auto& [name, help] : commands) {
    CLI::App* command = app.add_subcommand(name, help);
    command->fallthrough();  // --bus may follow the command name
    if (name != std::string("list"))
      command->add_option("DEVICE", device, "The device")->required();
  }
  CLI::App* fault = app.add_subcommand("fault", "Inject a fault: DEVICE KIND [VALUES] (below)");
  fault->prefix_command();  // the fault words are the server's to judge
  fault->callback([fault] {
    if (fault->remaining_size() < 2)
      throw CLI::ValidationError("fault", "needs a DEVICE and a fault kind");
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    const std::vector<std::string> extra = app.remaining();
    const std::string reason = app.get_subcommands().empty() && !extra.empty()
                                   ? "unknown command: " + extra.front()
                                   : std::string(e.what());
    std::fprintf(stderr, "tqsim: %s\nRun 'tqsim --help' for the commands.\n", reason.c_str());
    return 2;
  }
  if (serve->parsed()) return Serve(root, config, timeScale, cachedFrames);
  const CLI::App* command = app.get_subcommands().front();
  std::vector<std::string> words = {command->get_name()};
  if (!device.empty()) words.push_back(device);
  for (const std::string& w : command->remaining()) words.push_back(w);
  return Command(root, words);
}
