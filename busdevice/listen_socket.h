#pragma once
// The listening side of the bus's Unix stream sockets: what a device server
// binds for each pipe (and tqsim for its control socket).
#include <string>

namespace busdevice {

// Binds and listens at `path` (which must not exist); -1 on failure. Paths
// longer than a socket address holds are reached through their directory.
int ListenStream(const std::string& path);

// Accepts one pending connection, made blocking for its transfers; -1 when
// none can be taken. `nonBlocking` only keeps the accept itself from waiting.
int Accept(int listenFd, bool nonBlocking);

}  // namespace busdevice
