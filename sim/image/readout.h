// The image side of the camera simulator: what the device server calls.
//
// A readout request goes through four steps, all free of sockets and clocks:
//
//   1. ReadoutRequestLength(generation, opcode) tells the server whether a
//      command frame is a readout request (nonzero) and how long it must be;
//      DecodeReadoutRequest() turns its bytes into a ReadoutRequest (window,
//      exposure in seconds, shutter flag).
//   2. The server takes the exposure from its Integration model
//      (exposure.h): Timed(now, request.exposureSeconds, shutter, T) for an
//      exposing request, after which it waits exposureSeconds on its clock;
//      Readout(now, T) otherwise.
//   3. PlanReadout(camera, request) fixes the window of the scene, the format
//      and plan.bytes; BuildReadout() encodes the image (live from a
//      SceneSource, or from a FrameCache in cached-frame mode) and applies an
//      image fault (image_fault.h).
//   4. The server sends `image` as one frame on the image pipe (after
//      ReadoutSeconds(plan.bytes, rate) of simulated time, or paced over it),
//      honouring closeAfter, and then, when hasStatus, the one status byte as
//      a frame on the reply pipe. Generations 0 and 1 send no status byte,
//      and no reply at all to a readout request.
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

// Plans nothing itself: combines an already encoded image with the plan's
// status and a fault.
ReadoutReply MakeReadoutReply(const ReadoutPlan& plan,
                              std::shared_ptr<const std::vector<uint8_t>> image,
                              const ImageFault& fault);

}  // namespace tqsim::image
