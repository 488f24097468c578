#pragma once
// Transactions with the camera firmware: a request written to the command
// pipe in one call, a reply read from the reply pipe in one call. Status 0x80
// means success; other statuses leave "Instruction failed: " and a reason in
// LastError and keep the camera connected. A failed write or read is never
// retried: it writes a debug line and disconnects the camera.
#include <cstdint>

#include "driver/transport/protocol.h"

namespace tQusb {

class CCamera;


bool Command(CCamera& camera, uint8_t opcode);
bool ByteCommand(CCamera& camera, uint8_t opcode, uint8_t value);
bool WordCommand(CCamera& camera, uint8_t opcode, uint16_t value);

// "Instruction failed: " followed by the reason for `status`, into the buffer.
void InstructionFailureText(uint8_t status, unsigned high, char* text);

// Debug lines on the platform's debugger output: the text and a line feed, or
// the text, the opcode in decimal and a line feed.
void DebugLine(const char* text);
void DebugLineOpcode(const char* text, uint8_t opcode);

// Closes the pipes and the device, releases the claim, empties DevicePath and
// stops the timer; with `notify` the host window is told 0x40B.
void Disconnect(CCamera& camera, bool notify);

// Building blocks for operations with requests or replies of their own shape.
// Each follows the rules above: the not-connected test is the caller's; a
// failed transfer writes the plain debug line given and disconnects.
bool WriteRequest(CCamera& camera, const void* request, uint32_t size, const char* failText);
bool WriteRequest(CCamera& camera, const TRequest& request, const char* failText);
bool ReadReply(CCamera& camera, void* reply, uint32_t size, const char* failText);
// The same transfers for the few requests whose failure keeps the camera
// connected: the debug line is written, nothing else changes.
bool TryWriteRequest(CCamera& camera, const void* request, uint32_t size, const char* failText);
bool TryWriteRequest(CCamera& camera, const TRequest& request, const char* failText);
bool TryReadReply(CCamera& camera, void* reply, uint32_t size, uint32_t* received,
                  const char* failText);
// Status byte test: false with the instruction-failure text for anything but 0x80.
bool CheckStatus(CCamera& camera, uint8_t status);

}  // namespace tQusb
