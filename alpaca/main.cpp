// tqalpaca: serves the cameras of the tqusb bus to Alpaca clients.
#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "camera_bus.h"
#include "discovery.h"
#include "http_server.h"
#include "options.h"
#include "tqusb/version.h"

namespace {

using namespace tqalpaca;

// New cameras are looked for this often.
constexpr auto kScanPeriod = std::chrono::seconds(2);

// SIGINT and SIGTERM are taken by one thread, which stops the server; every
// other thread has them blocked. SIGPIPE is ignored: a vanished client is a
// failed write.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

int Serve(const Options& options) {
  if (!options.bus.empty()) setenv("TQUSB_BUS_DIR", options.bus.c_str(), 1);
  std::signal(SIGPIPE, SIG_IGN);
  const sigset_t stop = StopSignals();
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  CameraBus bus;
  bus.Scan(nullptr);
  HttpServer http(bus);
  std::string why;
  if (!http.Bind(options.listen, options.port, &why)) {
    std::cerr << "tqalpaca: " << why << "\n";
    return 1;
  }
  const bool loopback = IsLoopback(options.listen);
  const std::string host =
      options.listen.find(':') != std::string::npos ? "[" + options.listen + "]" : options.listen;
  std::cout << "tqalpaca: serving on http://" << host << ":" << http.Port()
            << (loopback ? " (loopback only; use --listen 0.0.0.0 to serve the network)" : "")
            << std::endl;
  const auto cameras = bus.Cameras();
  for (size_t i = 0; i < cameras.size(); ++i)
    std::cout << "tqalpaca: camera " << i << " = " << cameras[i]->Model() << " (id "
              << cameras[i]->Id() << ")" << std::endl;

  Discovery discovery;
  if (options.discoveryPort != 0 &&
      !discovery.Start(options.discoveryPort, http.Port(), loopback, &why))
    std::cerr << "tqalpaca: " << why << "; discovery is off\n";

  std::mutex lock;
  std::condition_variable stopped;
  bool stopping = false;
  std::thread scanner([&] {
    std::unique_lock<std::mutex> hold(lock);
    while (!stopped.wait_for(hold, kScanPeriod, [&] { return stopping; })) {
      hold.unlock();
      bus.Scan(&std::cout);
      hold.lock();
    }
  });
  std::thread signals([&] {
    int signal = 0;
    sigwait(&stop, &signal);
    http.Stop();
  });

  http.Serve();
  {
    std::lock_guard<std::mutex> hold(lock);
    stopping = true;
  }
  stopped.notify_all();
  scanner.join();
  discovery.Stop();
  bus.Close();
  // The signal thread is still waiting when the server ended by itself.
  pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "tqalpaca: " << e.what() << "\n" << kUsage;
    return 2;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  if (options.version) {
    std::cout << "tqalpaca " TQUSB_VERSION_STRING "\n";
    return 0;
  }
  return Serve(options);
}
