#include "image/readout.h"

#include "image/encode_rows.h"

namespace tqsim::image {

void EncodeImage(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                 std::vector<uint8_t>& out) {
  if (!plan.valid) {
    out.clear();
    return;
  }
  // Every byte is written below; a reused buffer of the right size is not
  // cleared first.
  out.resize(plan.bytes);
  switch (plan.format) {
    case SampleFormat::Gen0Single:
    case SampleFormat::Gen0Double:
      EncodeGeneration0(camera, plan, source, out.data());
      break;
    case SampleFormat::Quad:
      EncodeQuadrants(camera, plan, source, out.data());
      break;
    case SampleFormat::U16BE:
    case SampleFormat::TwoLE:
    case SampleFormat::TwoBE:
    case SampleFormat::ThreeLE:
      EncodeGeneration1(camera, plan, source, out.data());
      break;
    case SampleFormat::U16LE:
      if (camera.generation == 1)
        EncodeGeneration1(camera, plan, source, out.data());
      else
        EncodeGeneration2To5(camera, plan, source, out.data());
      break;
    case SampleFormat::U8:
      EncodeGeneration2To5(camera, plan, source, out.data());
      break;
  }
}

}  // namespace tqsim::image
