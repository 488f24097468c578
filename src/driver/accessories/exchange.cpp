#include "driver/accessories/exchange.h"

#include "driver/transport/command_channel.h"

namespace tQusb {

uint8_t OpcodeForGeneration(CCamera& camera, const TOpcodeByGeneration& opcodes) {
  if (camera.Generation < 0 || camera.Generation >= kGenerationCount) return kNoOpcode;
  const uint8_t opcode = opcodes[camera.Generation];
  if (opcode == kNoOpcode) camera.Unsupported();
  return opcode;
}

bool Exchange(CCamera& camera, const TRequest& request, uint8_t* reply, uint32_t replySize,
              const char* writeFail, const char* readFail) {
  return WriteRequest(camera, request, writeFail) && ReadReply(camera, reply, replySize, readFail);
}

}  // namespace tQusb
