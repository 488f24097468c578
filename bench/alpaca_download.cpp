// Download of a 16-megapixel frame from tqalpaca over loopback, as ImageBytes
// and as JSON, against the loopback's own bandwidth measured in the same run:
// a plain socket pushing the same number of bytes as the ImageBytes reply.
// The simulator (time scale 0, cached frames) and the server run as separate
// processes on a private bus, with the simulator's 16-megapixel model alone:
// a 16-bit CCD whose sky frame reads about 1000 ADU, four digits in JSON as
// in most frames of a real 16-bit camera. Every download is one request on a new
// connection, read to its end by the same receive loop.
//
// Each iteration pairs the measured download with its reference taken right
// before it (the loopback push for ImageBytes, an ImageBytes download for
// JSON), so that the load of a busy machine falls on both alike; the ratios
// are those of the medians. The goals: ImageBytes at half the loopback's
// bandwidth or better ("of_loopback" >= 0.5), and at least ten times faster
// than JSON ("imagebytes_speedup" >= 10).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_simulator.h"
#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"

namespace {

constexpr unsigned kWidth = 4096, kHeight = 4096;
constexpr size_t kImageBytes = 44 + size_t(kWidth) * kHeight * 2;  // header and UInt16 pixels
// As in sim/cameras.json: four quadrants of 2048 x 2048 pixels.
constexpr const char* kConfig = R"({"cameras": [
  {"name": "g1-k4", "class": 4, "camera_id": 4004, "width": 2048, "height": 2048, "caps": 1,
   "info_word3": 1350, "info_word4": 1350}]})";

int Connect(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A listening socket on an ephemeral loopback port.
int Listen(uint16_t* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    close(fd);
    return -1;
  }
  *port = ntohs(a.sin_port);
  return fd;
}

// A port for the server below the kernel's ephemeral range, where client
// connections of other tests leave no TIME-WAIT that would block the bind.
uint16_t FreePort() {
  unsigned low = 32768;
  std::ifstream("/proc/sys/net/ipv4/ip_local_port_range") >> low;
  std::random_device random;
  for (;;) {
    const uint16_t port = uint16_t(10000 + random() % (low > 11000 ? low - 10000 : 1000));
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (free) return port;
  }
}

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

// A receive buffer that only grows, so that no download pays for clearing it.
struct Buffer {
  std::vector<char> data;
  size_t used = 0;
  std::string Text() const { return std::string(data.data(), used); }
};

// Everything the peer sends until it closes.
void ReceiveAll(int fd, Buffer& into) {
  constexpr size_t kChunk = 1 << 20;
  into.used = 0;
  for (;;) {
    if (into.data.size() < into.used + kChunk) into.data.resize(2 * (into.used + kChunk));
    const ssize_t n = recv(fd, into.data.data() + into.used, kChunk, 0);
    if (n <= 0) return;
    into.used += size_t(n);
  }
}

// One HTTP exchange on a new connection: the whole reply, head and body.
bool Http(uint16_t port, const std::string& method, const std::string& path,
          const std::string& body, const char* accept, Buffer& reply) {
  const int fd = Connect(port);
  if (fd < 0) return false;
  std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (accept) request += std::string("Accept: ") + accept + "\r\n";
  if (method == "PUT")
    request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;
  const bool sent = SendAll(fd, request.data(), request.size());
  if (sent) ReceiveAll(fd, reply);
  close(fd);
  return sent && reply.used > 12 && std::memcmp(reply.data.data() + 9, "200", 3) == 0;
}

bool Succeeds(const Buffer& reply) {
  return reply.Text().find("\"ErrorNumber\":0") != std::string::npos;
}

// The simulator, the server, one finished exposure of the whole frame.
struct TBench {
  TBench() {
    if (!StartBenchSimulator(bus, kConfig, sim)) return;
    port = FreePort();
    server = std::make_unique<tqtest::ChildProcess>(
        std::vector<std::string>{TQALPACA_PATH, "--port", std::to_string(port),
                                 "--discovery-port", "0", "--bus", bus.Path()},
        bus.Path());
    if (server->ReadLine().rfind("tqalpaca: serving", 0) != 0) return;
    const std::string camera = "/api/v1/camera/0/";
    Buffer reply;
    for (const auto& [member, value] : {std::pair{"connected", "Connected=true"},
                                        {"startexposure", "Duration=0&Light=true"}})
      if (!Http(port, "PUT", camera + member, value, nullptr, reply) || !Succeeds(reply)) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      if (Http(port, "GET", camera + "imageready", "", nullptr, reply) &&
          reply.Text().find("\"Value\":true") != std::string::npos) {
        ready = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The baseline: a thread of this program accepts and pushes kImageBytes
    // from memory on each new connection.
    listener = Listen(&loopbackPort);
    if (listener < 0) ready = false;
    pusher = std::thread([this] {
      const std::vector<char> data(kImageBytes, 'x');
      for (int fd; (fd = accept(listener, nullptr, nullptr)) >= 0; close(fd))
        SendAll(fd, data.data(), data.size());
    });
  }

  // Seconds one download takes, or -1 when it fails or comes back short.
  double Loopback() {
    return Timed([this] {
      const int fd = Connect(loopbackPort);
      ReceiveAll(fd, reply);
      close(fd);
      return reply.used == kImageBytes;
    });
  }
  double ImageArray(const char* accept, size_t atLeast) {
    return Timed([&] {
      return Http(port, "GET", "/api/v1/camera/0/imagearray", "", accept, reply) &&
             reply.used >= atLeast;
    });
  }
  template <class F>
  static double Timed(F&& download) {
    const auto start = std::chrono::steady_clock::now();
    if (!download()) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  ~TBench() {
    if (listener >= 0) {
      shutdown(listener, SHUT_RDWR);
      pusher.join();
      close(listener);
    }
    for (auto* child : {server.get(), sim.get()}) {
      if (!child) continue;
      child->Signal(SIGTERM);
      child->Wait();
    }
  }

  TempBusRoot bus;
  std::unique_ptr<tqtest::ChildProcess> sim, server;
  uint16_t port = 0;
  bool ready = false;
  Buffer reply;
  int listener = -1;
  uint16_t loopbackPort = 0;
  std::thread pusher;
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

constexpr size_t kJsonAtLeast = size_t(kWidth) * kHeight * 2;  // a digit and a comma a pixel

// ImageBytes, each download right after a loopback push of as many bytes.
void BM_ImageBytes(benchmark::State& state) {
  TBench& b = Bench();
  if (!b.ready) return state.SkipWithError("no image on the server");
  std::vector<double> image, loopback;
  for (auto _ : state) {
    loopback.push_back(b.Loopback());
    image.push_back(b.ImageArray("application/imagebytes", kImageBytes));
    if (loopback.back() < 0 || image.back() < 0) return state.SkipWithError("download");
    state.SetIterationTime(image.back());
  }
  state.counters["loopback_ms"] = Median(loopback) * 1e3;
  state.counters["of_loopback"] = Median(loopback) / Median(image);
  state.SetBytesProcessed(int64_t(state.iterations() * kImageBytes));
}
BENCHMARK(BM_ImageBytes)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(40);

// JSON, each download right after one as ImageBytes.
void BM_Json(benchmark::State& state) {
  TBench& b = Bench();
  if (!b.ready) return state.SkipWithError("no image on the server");
  std::vector<double> json, image;
  for (auto _ : state) {
    image.push_back(b.ImageArray("application/imagebytes", kImageBytes));
    json.push_back(b.ImageArray("application/json", kJsonAtLeast));
    if (json.back() < 0 || image.back() < 0) return state.SkipWithError("download");
    state.SetIterationTime(json.back());
  }
  state.counters["reply_mb"] = double(b.reply.used) / 1e6;
  state.counters["imagebytes_ms"] = Median(image) * 1e3;
  state.counters["imagebytes_speedup"] = Median(json) / Median(image);
}
BENCHMARK(BM_Json)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace
