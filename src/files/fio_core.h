#pragma once
// Shared pieces of the FIO operations: the thread's error code, handle <->
// descriptor, and names handed to the system.
#include <optional>
#include <string>

namespace files {

// Places of a name buffer: 259 characters and a terminator.
inline constexpr unsigned int kNamePlaces = 260;

// Clears the thread's error code; every exported FIO operation starts with it.
void BeginCall();
void SetError(unsigned int code);
unsigned int LastError();
// Records the code for errno value `error`. For a missing entry the code is
// "path not found" when the directory part of `path` is missing too.
void SetErrnoError(int error, const char* path = nullptr);

// The descriptor of a handle, or -1 (error 6 recorded) for null, the invalid
// handle and values that are no descriptor number.
int HandleFd(void* handle);
void* FdHandle(int fd);

// The name as the system takes it: at most 259 characters, `\` turned into
// `/`. Nothing for a longer or unterminated name (error 206 recorded) or a
// null one (error 87).
std::optional<std::string> NativeName(unsigned int high, const char* name);
std::optional<std::string> NativeName(unsigned int high, const char16_t* name);

// read()/write() of the whole count, retried after interruptions; the count
// transferred (short at the end of the file), or -1 with errno.
long long ReadFully(int fd, void* buffer, unsigned long long count);
long long WriteFully(int fd, const void* buffer, unsigned long long count);

}  // namespace files
