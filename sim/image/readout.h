// The steps of a readout, all free of sockets and clocks. ImageUnit
// (image_unit.h) runs them for one camera; the firmware calls it.
//
//   1. ReadoutRequestLength(generation, opcode) tells whether a command frame
//      is a readout request (nonzero) and how long it must be;
//      DecodeReadoutRequest() turns its bytes into a ReadoutRequest (window,
//      exposure in seconds, shutter flag).
//   2. The exposure comes from the Integration model (exposure.h):
//      Timed(now, request.exposureSeconds, shutter, T) for an exposing
//      request, whose image leaves exposureSeconds later; Readout(now, T)
//      otherwise.
//   3. PlanReadout(camera, request) fixes the window of the scene, the format
//      and plan.bytes; EncodeImage() writes the bytes (live from a
//      SceneSource, or through a FrameCache in cached-frame mode);
//      MakeReadoutReply() adds the status byte and applies an image fault.
//   4. The image goes out as one frame on the image pipe after
//      ReadoutSeconds(sendBytes, rate) more simulated seconds, cut off and
//      the connection closed when closeAfter is set; then, when hasStatus,
//      the status byte as a frame on the reply pipe. Generations 0 and 1
//      send no status byte and no reply at all to a readout request.
//
// Time, frequency and position requests (0x2A to 0x2D) are answered by the
// builders of gps_reply.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/exposure.h"
#include "image/image_fault.h"
#include "image/readout_plan.h"
#include "image/readout_request.h"
#include "image/scene.h"

namespace tqsim::image {

// Writes plan.bytes bytes of image for a valid plan (nothing for an invalid
// one) into out, which is resized to fit; out may be a reused buffer.
void EncodeImage(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                 std::vector<uint8_t>& out);

// Everything the server sends for one readout.
struct ReadoutReply {
  std::shared_ptr<const std::vector<uint8_t>> image;  // the whole encoded image
  uint64_t frameLength = 0;                           // length announced in the image frame header
  uint64_t sendBytes = 0;                             // bytes of `image` actually written
  bool closeAfter = false;                            // close the image connection after sendBytes
  bool hasStatus = false;                             // send a status byte on the reply pipe
  uint8_t status = 0x80;
};

// Combines an encoded image with the plan's status byte and a fault.
ReadoutReply MakeReadoutReply(const ReadoutPlan& plan,
                              std::shared_ptr<const std::vector<uint8_t>> image,
                              const ImageFault& fault);

}  // namespace tqsim::image
