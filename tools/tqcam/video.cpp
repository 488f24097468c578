// tqcam video: frames read back to back into a SER file.
//
// This thread reads: one library call per frame, in which the camera times
// the exposure and sends the window. A writer thread appends the frames to
// the file; between them a FrameQueue of buffers allocated before the first
// frame. A frame the queue has no room for is dropped (frame_queue.h), so
// the reading never waits for the disk.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include "capture_setup.h"
#include "commands.h"
#include "failure.h"
#include "frame_queue.h"
#include "interrupt.h"
#include "output_file.h"
#include "progress.h"
#include "ser_writer.h"

namespace tqcam {

namespace {

using Clock = std::chrono::steady_clock;

// The queue holds up to this many bytes of frames, within the buffer limits.
constexpr size_t kQueueBytes = size_t{256} << 20;
constexpr size_t kMinBuffers = 4, kMaxBuffers = 512;
// How often the writer brings the header's frame count up to date, so that
// a killed run leaves its frames readable.
constexpr auto kCountEvery = std::chrono::seconds(1);
// The writer's nice value, relative to the reader's (see WriteFrames).
constexpr int kWriterNice = 10;
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
// The header counts frames in a signed 32-bit field.
constexpr uint64_t kMostFrames = INT32_MAX;

struct Tally {
  uint64_t frames = 0;   // handed to the writer
  uint64_t dropped = 0;  // read but found no free buffer
  uint64_t hostStamped = 0;
  double seconds = 0.0;  // from the first request to the last frame's arrival

  double Rate() const { return seconds > 0 ? double(frames + dropped) / seconds : 0.0; }
};

struct Recording {
  ReadoutPlan plan;
  double exposure = 0.0;
  std::optional<uint64_t> count;
  std::optional<double> seconds;
};

struct WriterState {
  std::atomic<bool> failed{false};
  std::string failure;  // read after the writer has ended
};

std::string Format(const char* format, double value) {
  char text[80];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void WriteFrames(FrameQueue& queue, SerFile& file, WriterState& state) {
  // The reader waits on the camera and must run the moment a frame arrives;
  // the writer has a whole queue of slack. On Linux the nice value is per
  // thread, so this lowers the writer alone and a woken reader takes the CPU
  // from it at once. Failing to lower it costs only a little speed.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWriterNice);
  auto counted = Clock::now();
  for (VideoFrame* frame; (frame = queue.Next()) != nullptr; queue.Done(frame)) {
    if (state.failed.load()) continue;  // drain, so the reader is never held up
    try {
      file.Append(frame->pixels, frame->utcTicks);
      if (Clock::now() - counted >= kCountEvery) {
        file.UpdateCount();
        counted = Clock::now();
      }
    } catch (const Failure& failure) {
      state.failure = failure.what();
      state.failed.store(true);
    }
  }
}

// The camera's time stamp of the exposure start where it has a receiver
// that answers, else the host clock just before the request.
int64_t Stamp(const tqusb::Camera& camera, std::chrono::system_clock::time_point host,
              Tally& tally) {
  if (camera.Capabilities().gps) {
    if (const auto t = IfGiven([&] { return camera.TimeStamp(); }))
      return SerTicks(t->year, t->month, t->day, t->hour, t->minute, t->second);
  }
  ++tally.hostStamped;
  return SerTicks(host);
}

std::string ProgressText(const Tally& t) {
  return "frames " + std::to_string(t.frames) + ", " + Format("%.2f fps", t.Rate()) + ", dropped " +
         std::to_string(t.dropped);
}

void Record(tqusb::Camera& camera, const Recording& r, FrameQueue& queue, const WriterState& writer,
            Tally& tally) {
  const Window& w = r.plan.window;
  const bool eightBit = r.plan.mode.bits == 8;
  const size_t bytes = size_t{w.width} * w.height * (eightBit ? 1 : 2);
  Progress progress;
  const Clock::time_point start = Clock::now();
  Clock::time_point shown = start;
  while (!interrupt::Requested() && !writer.failed.load()) {
    VideoFrame& frame = queue.Spare();
    const auto host = std::chrono::system_clock::now();
    if (eightBit)
      camera.Expose8(r.exposure, true, w, frame.pixels, bytes);
    else
      camera.Expose16(r.exposure, true, w, reinterpret_cast<uint16_t*>(frame.pixels), bytes);
    frame.utcTicks = Stamp(camera, host, tally);
    ++(queue.Publish() ? tally.frames : tally.dropped);
    const Clock::time_point now = Clock::now();
    tally.seconds = std::chrono::duration<double>(now - start).count();
    if ((r.count && tally.frames >= *r.count) || (r.seconds && tally.seconds >= *r.seconds) ||
        tally.frames >= kMostFrames)
      break;
    if (now - shown >= kProgressEvery) {
      progress.Show(ProgressText(tally));
      shown = now;
    }
  }
}

void CheckArguments(const VideoOptions& o) {
  if (o.exposure && (!(*o.exposure >= 0) || !std::isfinite(*o.exposure)))
    throw Failure(Format("exposure time %g s: it must be 0 s or more", *o.exposure), kUsageStatus);
  if (o.count && (*o.count == 0 || *o.count > kMostFrames))
    throw Failure("count: from 1 to " + std::to_string(kMostFrames) + " frames", kUsageStatus);
  if (o.seconds && !(*o.seconds > 0 && std::isfinite(*o.seconds)))
    throw Failure(Format("seconds %g: it must be above 0", *o.seconds), kUsageStatus);
  for (const auto& [option, text] :
       {std::pair{"--observer", &o.observer}, std::pair{"--telescope", &o.telescope}}) {
    if (text->size() > kSerTextSize)
      throw Failure(std::string(option) + ": at most " + std::to_string(kSerTextSize) +
                        " bytes, not " + std::to_string(text->size()),
                    kUsageStatus);
  }
  ParseBinning(o.binning);
  if (!o.roi.empty()) ParseWindow(o.roi);
}

std::string OutputPath(std::string pattern, uint32_t id) {
  for (size_t at; (at = pattern.find("{id}")) != std::string::npos;)
    pattern.replace(at, 4, std::to_string(id));
  return pattern;
}

std::string StampSource(const Tally& t) {
  const uint64_t read = t.frames + t.dropped;
  return t.hostStamped == 0 ? "camera" : t.hostStamped == read ? "host" : "camera+host";
}

}  // namespace

int Video(const VideoOptions& o) {
  // Checked before the camera is claimed, so a bad argument costs nothing.
  CheckArguments(o);
  const std::string path = OutputPath(o.output, o.id);
  CheckOutputPath(path, o.overwrite);

  tqusb::Camera camera(o.id);
  const tqusb::Caps& caps = camera.Capabilities();
  Recording r;
  r.exposure = o.exposure.value_or(caps.minExposure);
  CheckExposure(camera, r.exposure, true);
  r.plan = PlanReadout(camera, o.binning, o.roi, o.mode, o.eightBit);
  r.count = o.count;
  r.seconds = o.seconds;
  if (r.plan.mode.index) camera.SetReadMode(*r.plan.mode.index);
  camera.SetBinning(r.plan.binning.x, r.plan.binning.y);

  SerHeader header;
  header.width = r.plan.window.width;
  header.height = r.plan.window.height;
  header.bitDepth = r.plan.mode.bits == 8 ? 8 : 16;
  header.observer = o.observer;
  header.telescope = o.telescope;
  header.instrument = camera.Text(TQ_STRING_MODEL_TEXT).value_or(caps.model);
  const size_t frameBytes = size_t{header.width} * header.height * (header.bitDepth / 8);
  FrameQueue queue(frameBytes, std::clamp(kQueueBytes / frameBytes, kMinBuffers, kMaxBuffers));
  const auto started = std::chrono::system_clock::now();
  header.utcTicks = SerTicks(started);
  header.localTicks = SerLocalTicks(started);
  SerFile file(path, o.overwrite, header, o.count.value_or(0));

  WriterState writer;
  std::thread writing(WriteFrames, std::ref(queue), std::ref(file), std::ref(writer));
  Tally tally;
  std::exception_ptr readFailure;
  try {
    Record(camera, r, queue, writer, tally);
  } catch (...) {
    readFailure = std::current_exception();
  }
  queue.Close();
  writing.join();

  if (file.Frames() == 0) {
    file.Remove();  // nothing recorded: no file
    if (readFailure) std::rethrow_exception(readFailure);
    if (writer.failed) throw Failure(writer.failure);
    throw Failure("interrupted before the first frame", kInterruptedStatus);
  }
  const bool stamped = file.Finish();
  std::printf(
      "saved %s frames=%u dropped=%llu fps=%.2f seconds=%.2f size=%ux%u bits=%d "
      "exptime=%g stamps=%s\n",
      path.c_str(), file.Frames(), static_cast<unsigned long long>(tally.dropped), tally.Rate(),
      tally.seconds, header.width, header.height, header.bitDepth, r.exposure,
      StampSource(tally).c_str());
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    throw Failure("standard output: cannot write");
  const std::string kept = "; " + path + " keeps " + std::to_string(file.Frames()) + " frames" +
                           (stamped ? "" : " without time stamps");
  if (readFailure) {
    try {
      std::rethrow_exception(readFailure);
    } catch (const std::exception& e) {
      throw Failure(e.what() + kept);
    }
  }
  if (writer.failed) throw Failure(writer.failure + kept);
  if (!stamped) throw Failure(path + ": no room for the time stamps" + kept);
  // Ctrl-C is how an open-ended recording ends; it cuts a limited one short.
  if (interrupt::Requested() && (o.count || o.seconds))
    throw Failure("interrupted" + kept, kInterruptedStatus);
  return 0;
}

}  // namespace tqcam
