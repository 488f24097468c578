#include "image/readout.h"

namespace tqsim::image {

ReadoutReply MakeReadoutReply(const ReadoutPlan& plan,
                              std::shared_ptr<const std::vector<uint8_t>> image,
                              const ImageFault& fault) {
  ReadoutReply reply;
  uint64_t size = image ? image->size() : 0;
  reply.image = std::move(image);
  reply.frameLength = size;
  reply.sendBytes = size;
  reply.hasStatus = plan.hasStatus;
  reply.status = plan.status;
  switch (fault.kind) {
    case ImageFault::Kind::None:
      break;
    case ImageFault::Kind::ShortBy:
      reply.sendBytes = fault.bytes < size ? size - fault.bytes : 0;
      reply.frameLength = reply.sendBytes;
      break;
    case ImageFault::Kind::CloseAfter:
      reply.sendBytes = fault.bytes < size ? fault.bytes : size;
      reply.closeAfter = true;
      // The connection is gone before the status would be read.
      reply.hasStatus = false;
      break;
    case ImageFault::Kind::FailStatus:
      if (reply.hasStatus) reply.status = fault.status;
      break;
  }
  return reply;
}

}  // namespace tqsim::image
