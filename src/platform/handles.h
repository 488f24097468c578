#pragma once
// Handles of the platform layer (bus devices, pipes, claims). A handle is a
// number looked up in a process-wide table, so a closed or made-up handle is
// recognised and refused instead of being dereferenced.
#include <cstdint>
#include <memory>

namespace platform {

using THandle = std::uintptr_t;
// The value every handle holds while it is not open (all bits set).
inline constexpr THandle kInvalidHandle = ~THandle{0};

// What a handle stands for. Wake() is called by CloseHandle so that a call
// blocked on the object in another thread returns (with failure).
class HandleObject {
 public:
  virtual ~HandleObject() = default;
  virtual void Wake() {}
};

// Enters the object into the table and returns its new handle.
THandle RegisterHandle(std::shared_ptr<HandleObject> object);

// The object of an open handle, null for an unknown or closed one.
std::shared_ptr<HandleObject> LookupHandle(THandle handle);

// Typed lookup: null when the handle is not open or is of another kind.
template <typename T>
std::shared_ptr<T> LookupHandleAs(THandle handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Closes the handle; false when it was not open. The object goes away once
// the calls still using it have returned.
bool CloseHandle(THandle handle);

}  // namespace platform
