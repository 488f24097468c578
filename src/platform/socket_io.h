#pragma once
// Unix stream sockets of the bus pipes: connect, and the exact-length sends
// and receives that frames are built from. Used by src/platform and, for the
// listening side, by the device servers' bus library (busdevice/).
#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::sock {

// The socket address of `path`. sun_path holds 107 characters; a longer path
// is reached as /proc/self/fd/<dir>/<name> through an O_PATH descriptor of
// its directory, left in *dirFd (-1 when none) for the caller to close once
// the address was used. False when the path cannot be addressed.
bool MakeAddress(const std::string& path, sockaddr_un* address, int* dirFd);

// A new Unix stream socket (close-on-exec); -1 on failure.
int NewStreamSocket();

// Connects to the socket at `path`; -1 on failure. Paths longer than a socket
// address holds are reached through their directory.
int ConnectStream(const std::string& path);

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

// Bounds each blocking receive on `fd` to `timeoutMs` (0: at once when no
// data is there). False when the socket refuses the setting.
bool SetReceiveTimeout(int fd, int timeoutMs);

// Receives for a socket with a receive timeout (SetReceiveTimeout): the
// blocking receives wait themselves, so no poll precedes them. TimedOut once
// no byte arrived for the timeout. RecvSomeTimed takes what has come, at
// least one byte and at most `size`, and leaves the count in *got.
RecvResult RecvSomeTimed(int fd, void* buffer, size_t size, size_t* got);
RecvResult RecvExactTimed(int fd, void* buffer, size_t size);

// Waits until `fd` is readable; false on timeout (-1 waits for ever).
bool WaitReadable(int fd, int timeoutMs);

}  // namespace platform::sock
