#pragma once
// Unix stream sockets of the bus pipes: connect, listen, and the exact-length
// sends and receives that frames are built from. Internal to src/platform and
// to device servers.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::sock {

// Connects to the socket at `path`; -1 on failure. Paths longer than a socket
// address holds are reached through their directory.
int ConnectStream(const std::string& path);

// Binds and listens at `path` (which must not exist); -1 on failure.
int ListenStream(const std::string& path);

// Accepts one pending connection; -1 when none can be taken.
int Accept(int listenFd, bool nonBlocking);

void Close(int fd);

// Wakes every call blocked on `fd` and makes further transfers fail.
void Shutdown(int fd);

// Sends all bytes (no SIGPIPE); false when the connection is closed or fails.
bool SendAll(int fd, const void* data, size_t size);

// Sends one frame: header and payload in as few calls as possible.
bool SendFrame(int fd, const void* data, uint32_t size);

enum class RecvResult { Ok, Closed, TimedOut, Failed };

// Receives exactly `size` bytes straight into `buffer`. With `idleTimeoutMs`
// >= 0 the call fails with TimedOut once no byte arrived for that long; with
// -1 it waits as long as the connection lives.
RecvResult RecvExact(int fd, void* buffer, size_t size, int idleTimeoutMs);

// Waits until `fd` is readable; false on timeout (-1 waits for ever).
bool WaitReadable(int fd, int timeoutMs);

}  // namespace platform::sock
