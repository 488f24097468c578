// tqcam: list, inspect and drive the cameras on the bus through libtqusb.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <limits>

#include "commands.h"
#include "failure.h"
#include "interrupt.h"
#include "tqusb/version.h"

using namespace tqcam;

int main(int argc, char** argv) {
  CLI::App app{"tqcam: capture images and drive cameras through libtqusb"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "help of every command");
  app.set_version_flag("--version", "tqcam " TQUSB_VERSION_STRING);

  app.add_subcommand("list", "list the free cameras on the bus");

  uint32_t id = 0;
  bool json = false;
  CLI::App* info =
      app.add_subcommand("info", "every parameter, read mode, filter and value of a camera");
  info->add_option("ID", id, "camera id")->required();
  info->add_flag("--json", json, "print JSON instead of a table");

  CaptureOptions capture;
  std::optional<double> exposure, temperature;
  std::optional<unsigned> gain;
  bool dark = false, bias = false, flat = false;
  CLI::App* cap = app.add_subcommand("capture", "expose and save FITS files");
  cap->add_option("ID", capture.id, "camera id")->required();
  cap->add_option("-t,--exposure", exposure, "exposure time in seconds (not with --bias)");
  cap->add_option("--bin", capture.binning, "binning N or NxM")->capture_default_str();
  cap->add_option("--roi", capture.roi, "window X,Y,WIDTH,HEIGHT in binned pixels");
  cap->add_option("--mode", capture.mode,
                  "read mode, by number or name (default: the mode with the most bits per pixel)");
  cap->add_flag("--8bit", capture.eightBit, "read 8 bits per pixel (an 8-bit read mode)");
  CLI::Option* darkFlag = cap->add_flag("--dark", dark, "keep the shutter closed (dark frame)");
  CLI::Option* biasFlag =
      cap->add_flag("--bias", bias, "shutter closed, no exposure time (bias frame)");
  CLI::Option* flatFlag = cap->add_flag("--flat", flat, "a flat field (shutter open)");
  darkFlag->excludes(biasFlag)->excludes(flatFlag);
  biasFlag->excludes(flatFlag);
  CLI::Option* countOption =
      cap->add_option("--count", capture.count, "number of frames")->capture_default_str();
  cap->add_option("--delay", capture.delay, "seconds between frames")->needs(countOption);
  cap->add_option("--filter", capture.filter, "filter position (from 0) or name");
  CLI::Option* tempOption = cap->add_option("--temp", temperature, "cooler set point in degrees C");
  CLI::Option* waitOption =
      cap->add_flag("--wait-temp", capture.waitTemperature, "wait until the sensor reaches --temp")
          ->needs(tempOption);
  cap->add_option("--wait-timeout", capture.waitTimeout, "longest wait for --wait-temp, seconds")
      ->capture_default_str()
      ->needs(waitOption);
  cap->add_option("--gain", gain, "gain in 0.1 dB steps");
  cap->add_option("-o,--output", capture.output,
                  "file name pattern; {id}, {n} (frame number) and {type} are replaced")
      ->capture_default_str();
  cap->add_flag("--overwrite", capture.overwrite,
                "replace existing files (without it an existing file is an error)");
  cap->add_flag("--png", capture.png, "also write an 8-bit PNG preview");

  VideoOptions video;
  CLI::App* vid = app.add_subcommand("video", "record frames back to back into a SER file");
  vid->add_option("ID", video.id, "camera id")->required();
  vid->add_option("-t,--exposure", video.exposure,
                  "exposure time of each frame in seconds (default: the camera's shortest)");
  vid->add_option("--bin", video.binning, "binning N or NxM")->capture_default_str();
  vid->add_option("--roi", video.roi, "window X,Y,WIDTH,HEIGHT in binned pixels");
  vid->add_option("--mode", video.mode,
                  "read mode, by number or name (default: the mode with the most bits per pixel)");
  vid->add_flag("--8bit", video.eightBit, "read 8 bits per pixel (an 8-bit read mode)");
  CLI::Option* frames = vid->add_option("--count", video.count, "stop after this many frames");
  vid->add_option("--seconds", video.seconds, "stop after this many seconds")->excludes(frames);
  vid->add_option("-o,--output", video.output, "SER file; {id} is replaced")->capture_default_str();
  vid->add_flag("--overwrite", video.overwrite,
                "replace an existing file (without it an existing file is an error)");
  vid->add_option("--observer", video.observer, "observer text of the file (40 bytes at most)");
  vid->add_option("--telescope", video.telescope, "telescope text of the file (40 bytes at most)");

  std::optional<double> setPoint;
  bool watchCooling = false;
  double watchSeconds = std::numeric_limits<double>::infinity();
  CLI::App* cool = app.add_subcommand("cool", "set the cooler and read the sensor temperature");
  cool->add_option("ID", id, "camera id")->required();
  cool->add_option("--set", setPoint, "set point in degrees C");
  CLI::Option* watchFlag = cool->add_flag("--watch", watchCooling, "keep reading until Ctrl-C");
  cool->add_option("--for", watchSeconds, "stop watching after this many seconds")
      ->needs(watchFlag);

  std::string filterArg;
  CLI::App* filter = app.add_subcommand("filter", "list the filters or move the wheel");
  filter->add_option("ID", id, "camera id")->required();
  filter->add_option("FILTER", filterArg, "position (from 0) or name; none: list the filters");

  int axes[2] = {0, 0};
  CLI::App* guide = app.add_subcommand("guide", "send a guiding move and wait for its end");
  guide->add_option("ID", id, "camera id")->required();
  guide->add_option("AXIS1", axes[0], "first axis value (firmware units)")->required();
  guide->add_option("AXIS2", axes[1], "second axis value (firmware units)")->required();

  CLI::App* gps = app.add_subcommand("gps", "position and time of the camera's receiver");
  gps->add_option("ID", id, "camera id")->required();

  double watchFor = std::numeric_limits<double>::infinity();
  CLI::App* watch = app.add_subcommand("watch", "report cameras as they come and go");
  watch->add_option("--for", watchFor, "stop after this many seconds");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "tqcam: %s\n", e.what());
    return kUsageStatus;
  }

  interrupt::Install();
  try {
    if (app.got_subcommand("list")) return ListCameras();
    if (app.got_subcommand(info)) return ShowInfo(id, json);
    if (app.got_subcommand(cap)) {
      capture.exposure = exposure;
      capture.temperature = temperature;
      capture.gain = gain;
      capture.type = dark   ? FrameType::Dark
                     : bias ? FrameType::Bias
                     : flat ? FrameType::Flat
                            : FrameType::Light;
      return Capture(capture);
    }
    if (app.got_subcommand(vid)) return Video(video);
    if (app.got_subcommand(cool)) return Cool(id, setPoint, watchCooling, watchSeconds);
    if (app.got_subcommand(filter)) return MoveFilter(id, filterArg);
    if (app.got_subcommand(guide)) return Guide(id, axes[0], axes[1]);
    if (app.got_subcommand(gps)) return ShowGps(id);
    if (app.got_subcommand(watch)) return Watch(watchFor);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "tqcam: %s\n", failure.what());
    return failure.Status();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tqcam: %s\n", e.what());
    return 1;
  }
  return 2;
}
