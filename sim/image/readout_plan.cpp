#include "image/readout_plan.h"

namespace tqsim::image {
namespace {

constexpr uint8_t kStatusOk = 0x80;
constexpr uint8_t kStatusInvalidParameter = 0x82;

bool IsKind(int kind, std::initializer_list<int> kinds) {
  for (int k : kinds)
    if (k == kind) return true;
  return false;
}

ReadoutPlan PlanGeneration0(const ReadoutCamera& cam, const ReadoutRequest& req) {
  ReadoutPlan plan;
  bool two = (cam.readModeG0 & 0x10) != 0;
  plan.format = two ? SampleFormat::Gen0Double : SampleFormat::Gen0Single;
  uint32_t prefixUnits = two ? 2 : 4;  // the 8-byte row prefix in request units
  uint64_t c0 = 0, r0 = 0, cols = cam.width, rows = cam.height;
  if (req.windowed) {
    if (req.colCount <= prefixUnits || req.rowCount <= 4) return plan;
    c0 = req.colStart;
    r0 = req.rowStart;
    cols = req.colCount - prefixUnits;
    rows = req.rowCount - 4;
  }
  if (cols == 0 || rows == 0 || c0 + cols > cam.width || r0 + rows > cam.height) return plan;
  plan.valid = true;
  plan.window = {static_cast<uint32_t>(c0),
                 static_cast<uint32_t>(cam.height - r0 - rows),
                 static_cast<uint32_t>(cols),
                 static_cast<uint32_t>(rows),
                 1,
                 1};
  plan.bottomUp = true;
  plan.extraRows = 4;
  plan.rowsSent = static_cast<uint32_t>(rows + 4);
  plan.rowBytes = static_cast<uint32_t>((cols + prefixUnits) * (two ? 4 : 2));
  return plan;
}

ReadoutPlan PlanGeneration1(const ReadoutCamera& cam, const ReadoutRequest& req) {
  ReadoutPlan plan;
  if (cam.binX == 0 || cam.binY == 0) return plan;
  uint32_t fw = cam.width / cam.binX, fh = cam.height / cam.binY;
  if (cam.kind == 4) {
    plan.format = SampleFormat::Quad;
    if (req.rowStart != 0 || req.colStart != 0 || req.rowCount != fh || req.colCount != fw ||
        fw == 0 || fh == 0)
      return plan;
    plan.valid = true;
    plan.window = {0, 0, 2 * fw, 2 * fh - 1, cam.binX, cam.binY};
    plan.rowsSent = fh;
    plan.rowBytes = fw * 8;
    return plan;
  }
  bool twoModes = cam.readMode == 1 && IsKind(cam.kind, {1, 2, 7});
  bool bigEndian = IsKind(cam.kind, {1, 2});
  uint32_t bytesPerPixel = 2;
  if (cam.readMode == 2 && cam.kind == 7) {
    plan.format = SampleFormat::ThreeLE;
    bytesPerPixel = 6;
  } else if (twoModes) {
    plan.format = bigEndian ? SampleFormat::TwoBE : SampleFormat::TwoLE;
    bytesPerPixel = 4;
  } else {
    plan.format = bigEndian ? SampleFormat::U16BE : SampleFormat::U16LE;
  }
  uint64_t r = req.rowStart, x = req.colStart, w = req.colCount, h = req.rowCount;
  if (w == 0 || h == 0 || x + w > fw || r + h > fh) return plan;
  plan.valid = true;
  plan.window = {static_cast<uint32_t>(x),
                 static_cast<uint32_t>(fh - r - h),
                 static_cast<uint32_t>(w),
                 static_cast<uint32_t>(h),
                 cam.binX,
                 cam.binY};
  plan.bottomUp = true;
  plan.rowsSent = static_cast<uint32_t>(h);
  plan.rowBytes = static_cast<uint32_t>(w * bytesPerPixel);
  return plan;
}

// The step in which generations 2 to 5 place and size windows.
uint64_t WindowStep(int kind) { return kind == 13 || kind == 16 ? 8 : 4; }

uint64_t RoundUp(uint64_t value, uint64_t step) { return (value + step - 1) / step * step; }

ReadoutPlan PlanGeneration2To5(const ReadoutCamera& cam, const ReadoutRequest& req) {
  ReadoutPlan plan;
  plan.hasStatus = true;
  plan.status = kStatusInvalidParameter;
  bool eightBit = cam.readMode == 0 || cam.readMode == 2;
  plan.format = eightBit ? SampleFormat::U8 : SampleFormat::U16LE;
  const uint64_t W = cam.width, H = cam.height;
  uint64_t left = 0, top = 0, w = W, h = H, marginLeft = 0, marginBottom = 0;
  if (cam.ver128Lo >= 7) {
    // The sensor with its margin up to the next window step.
    const uint64_t step = WindowStep(cam.kind);
    const uint64_t Wm = RoundUp(W, step), Hm = RoundUp(H, step);
    w = req.colCount;
    h = req.rowCount;
    top = req.rowStart;
    if (w == 0 || h == 0 || w > Wm || req.colStart > Wm - w || top + h > Hm) return plan;
    // Counted from the right edge, the window starts left of column 0 when
    // column start and count reach beyond the width.
    if (req.colStart + w > W) marginLeft = req.colStart + w - W;
    else left = W - w - req.colStart;
    if (top + h > H) marginBottom = top + h - H;
    if (marginLeft >= w || marginBottom >= h) return plan;
  }
  if (w == 0 || h == 0) return plan;
  plan.valid = true;
  plan.status = kStatusOk;
  plan.marginLeft = static_cast<uint32_t>(marginLeft);
  plan.marginBottom = static_cast<uint32_t>(marginBottom);
  plan.window = {static_cast<uint32_t>(left),
                 static_cast<uint32_t>(top),
                 static_cast<uint32_t>(w - marginLeft),
                 static_cast<uint32_t>(h - marginBottom),
                 1,
                 1};
  plan.rowsSent = static_cast<uint32_t>(h);
  plan.rowBytes = static_cast<uint32_t>(w * (eightBit ? 1 : 2));
  return plan;
}

}  // namespace

SensorSize SceneSize(const ReadoutCamera& camera) {
  if (camera.generation == 1 && camera.kind == 4) return {2 * camera.width, 2 * camera.height};
  return {camera.width, camera.height};
}

ReadoutPlan PlanReadout(const ReadoutCamera& camera, const ReadoutRequest& request) {
  ReadoutPlan plan;
  switch (camera.generation) {
    case 0:
      plan = PlanGeneration0(camera, request);
      break;
    case 1:
      plan = PlanGeneration1(camera, request);
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      plan = PlanGeneration2To5(camera, request);
      break;
    default:
      return plan;
  }
  plan.bytes = plan.valid ? uint64_t{plan.rowBytes} * plan.rowsSent : 0;
  return plan;
}

}  // namespace tqsim::image
