#pragma once
// Real USB cameras through libusb, presented as the virtual bus presents its
// devices: members of interface classes with device paths of the form
// \\?\usb#vid_xxxx&pid_yyyy#<bus>-<port path>#<class guid> (stable while the
// device stays in the same port), a device handle with the descriptor query
// and three pipe handles (path + "\0", "\1", "\2") on the bulk endpoints the
// device table names. Handles live in the platform handle table; close them
// with platform::CloseHandle.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace platform::usbhost {

// Device paths of the class's members present now, sorted.
std::vector<std::string> InterfacePaths(int classNumber);

// Opens a device path (succeeds while the device is present) or a pipe path
// (opens the device and claims its interface, shared by its pipes).
// kInvalidHandle when the path names no present USB camera or it cannot be
// opened.
THandle Open(const char* path);

// True for handles that Open made.
bool Owns(THandle handle);

// Command pipe: one OUT transfer of all bytes; true when all were taken.
bool Write(THandle handle, const void* data, uint32_t size);

// Reply pipe: one IN transfer of `size` bytes (the reply timeout applies);
// *read is what the device sent; a zero-length packet fails the call. Image
// pipe: IN transfers queued in pieces, waiting up to the bound ExpectImage
// set (without limit when none); a short piece ends the read early. A failed,
// stalled or timed-out transfer or a vanished device fails the call.
// Whatever a short or failed transfer left behind is drained before the next
// request on the command pipe, and a zero-length packet that closes a
// transfer of whole packets is skipped, so every call gets its own frame.
bool Read(THandle handle, void* data, uint32_t size, uint32_t* read);

// Image pipe: bounds the reads after the request just written by the
// exposure plus a readout allowance for `frameBytes` at the device's speed.
void ExpectImage(THandle handle, double exposureSeconds, uint64_t frameBytes);

// Device handle: the device's 18-byte descriptor.
bool QueryDescriptor(THandle handle, uint8_t* descriptor, uint32_t* returned);

}  // namespace platform::usbhost
