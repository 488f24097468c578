// What a camera sends for a readout request: the part of the scene, the row
// order, the sample format and the byte count, decided from the camera's
// state and the request alone.
//
// Geometry per generation (scene rows count from the top):
//   generation 0:    rows count from the bottom of the sensor; a window of
//                    (column start c0, row start r0, column count cc, row
//                    count rr) holds rr - 4 image rows sent bottom row first,
//                    then 4 extra rows; each row starts with a prefix of 8
//                    bytes. cc counts the prefix: cc - 4 pixels with one
//                    sample, cc - 2 with two. 0x04/0x05 send the whole sensor.
//   generation 1:    camera-binned pixels; rows count from the bottom and
//                    are sent bottom row first; kind 4 sends its four outputs
//                    interleaved and accepts only the whole quarter window.
//   generations 2-5: rows from the top; with Ver128Lo of 7 or more the
//                    window's left column is W - column count - column start;
//                    older firmware sends the whole sensor whatever the
//                    window; a status byte follows the pixels. Windows come
//                    in steps of 4 (kinds 13 and 16: 8), so a sensor whose
//                    size is no multiple of the step reads a masked margin
//                    up to the next multiple: columns left of column 0 and
//                    rows below the last row, sent at the bias level.
// A window outside the sensor (and its margin) is invalid: no pixels (an
// empty image frame) and, on generations 2 to 5, status 0x82.
#pragma once

#include <array>
#include <cstdint>

#include "image/readout_request.h"
#include "image/scene.h"

namespace tqsim::image {

// The camera state a readout depends on.
struct ReadoutCamera {
  int generation = 2;
  int kind = 9;
  // Sensor size of the information record (kind 4: one quarter of the
  // image; generation 0: the packed record).
  uint32_t width = 0, height = 0;
  uint8_t ver128Lo = 7;
  uint32_t readMode = 0;        // generations 1 to 5: code of request 0x03
  uint32_t readModeG0 = 16;     // generation 0: byte of request 0x02 (0x10 = two samples)
  uint32_t binX = 1, binY = 1;  // generation 1: factors of requests 0x01 and 0x02
  // Kind 4: level each of outputs 1 to 4 adds (the host corrects it with its
  // configured offsets, which are the negatives of these).
  std::array<int32_t, 4> outputLevels{0, 0, 0, 0};
  // Level each reading adds in the cameras that read a pixel more than once.
  std::array<int32_t, 3> sampleLevels{0, 0, 0};
};

// Sensor size of the scene a camera's readouts sample.
struct SensorSize {
  uint32_t width, height;
};
SensorSize SceneSize(const ReadoutCamera& camera);

enum class SampleFormat {
  Gen0Single,  // generation 0: one big-endian sample per pixel
  Gen0Double,  // generation 0: two big-endian samples per pixel
  U16LE,       // one little-endian sample
  U16BE,       // one big-endian sample (generation 1, kinds 1 and 2)
  TwoLE,       // two little-endian samples (kind 7)
  TwoBE,       // two big-endian samples (kinds 1 and 2)
  ThreeLE,     // three little-endian samples (kind 7)
  Quad,        // kind 4: four outputs interleaved
  U8,          // one byte per pixel (8-bit read modes)
};

struct ReadoutPlan {
  bool valid = false;      // false: send an empty image (and a failure status)
  bool hasStatus = false;  // a status byte follows the image (generations 2 to 5)
  uint8_t status = 0x82;   // that status byte
  SampleFormat format = SampleFormat::U16LE;
  BlockWindow window;      // scene blocks of the image rows
  bool bottomUp = false;   // rows sent bottom row first
  uint32_t extraRows = 0;  // generation 0: rows sent after the image
  // Generations 2 to 5: margin columns sent before each row of the window
  // and margin rows sent after it, outside the sensor.
  uint32_t marginLeft = 0, marginBottom = 0;
  uint32_t rowBytes = 0;   // bytes of one sent row
  uint32_t rowsSent = 0;   // rows of the image frame
  uint64_t bytes = 0;      // length of the image frame
};

ReadoutPlan PlanReadout(const ReadoutCamera& camera, const ReadoutRequest& request);

}  // namespace tqsim::image
