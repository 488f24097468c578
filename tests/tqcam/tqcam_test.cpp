// tqcam against a running tqsim: the files it writes, and how it fails.
#include <fitsio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "driver/support/child_process.h"
#include "tqusb/tqusb.h"

namespace fs = std::filesystem;
using tqtest::ChildProcess;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// A FITS file read back: the image as unsigned values and the header.
struct FitsImage {
  long width = 0, height = 0;
  int bitpix = 0;
  std::vector<uint16_t> pixels;
  fitsfile* file = nullptr;

  explicit FitsImage(const std::string& path) {
    int status = 0;
    if (fits_open_image(&file, path.c_str(), READONLY, &status)) return;
    long axes[2] = {0, 0};
    fits_get_img_type(file, &bitpix, &status);
    fits_get_img_size(file, 2, axes, &status);
    width = axes[0];
    height = axes[1];
    pixels.resize(static_cast<size_t>(width * height));
    fits_read_img(file, TUSHORT, 1, width * height, nullptr, pixels.data(), nullptr, &status);
  }
  ~FitsImage() {
    int status = 0;
    if (file) fits_close_file(file, &status);
  }
  std::optional<double> Number(const char* key) const {
    double v = 0;
    int status = 0;
    if (fits_read_key(file, TDOUBLE, key, &v, nullptr, &status)) return std::nullopt;
    return v;
  }
  std::string Comment(const char* key) const {
    char v[FLEN_VALUE] = {}, comment[FLEN_COMMENT] = {};
    int status = 0;
    return fits_read_keyword(file, key, v, comment, &status) ? "" : comment;
  }
  std::string Text(const char* key) const {
    char v[FLEN_VALUE] = {};
    int status = 0;
    return fits_read_key(file, TSTRING, key, v, nullptr, &status) ? "" : v;
  }
};

// Seconds since 1970 of a DATE-OBS text (UTC, milliseconds).
double ParseFitsTime(const std::string& text) {
  std::tm t{};
  double seconds = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lf", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                  &t.tm_min, &seconds) != 6)
    return 0;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  return static_cast<double>(timegm(&t)) + seconds;
}

// A SER file read back field by field, little-endian, as a reader of the
// format would.
struct SerRead {
  std::string id;
  int32_t colour = -1, byteOrder = -1, width = 0, height = 0, depth = 0, frames = 0;
  std::string observer, instrument;
  int64_t utcStart = 0;
  std::vector<std::vector<uint8_t>> pixels;  // frame by frame, as stored
  std::vector<int64_t> stamps;               // empty: no trailer
  size_t size = 0;

  explicit SerRead(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    size = b.size();
    if (size < 178) return;
    auto number = [&](size_t at, int bytes) {
      int64_t v = 0;
      for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
      return v;
    };
    auto text = [&](size_t at) {
      return std::string(reinterpret_cast<const char*>(&b[at]),
                         strnlen(reinterpret_cast<const char*>(&b[at]), 40));
    };
    id.assign(b.begin(), b.begin() + 14);
    colour = int32_t(number(18, 4)), byteOrder = int32_t(number(22, 4));
    width = int32_t(number(26, 4)), height = int32_t(number(30, 4));
    depth = int32_t(number(34, 4)), frames = int32_t(number(38, 4));
    observer = text(42), instrument = text(82);
    utcStart = number(170, 8);
    const size_t frameBytes = size_t(width) * height * (depth > 8 ? 2 : 1);
    for (size_t f = 0, at = 178; f < size_t(frames) && at + frameBytes <= size;
         ++f, at += frameBytes)
      pixels.emplace_back(b.begin() + long(at), b.begin() + long(at + frameBytes));
    for (size_t at = 178 + frameBytes * size_t(frames); at + 8 <= size; at += 8)
      stamps.push_back(number(at, 8));
  }
  // A time stamp (100 ns units since year 1) of Unix seconds.
  static int64_t Ticks(double seconds) { return 621355968000000000 + int64_t(seconds * 1e7); }
};

struct RunResult {
  int status = -1;  // exit status; -1 when ended by a signal
  std::string out, err;
};

class TqcamTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "tqcam-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    bus_ = dir_ + "/bus";
    setenv("TQUSB_BUS_DIR", bus_.c_str(), 1);
    // No filter names or settings of the user's own.
    setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    // Cached frames: every readout of a window gives the same pixels, so the
    // library's own readout in this process can be compared with the file.
    const std::vector<std::string> serve = {TQSIM_BINARY, "serve", "--bus", bus_,
                                            "--cached-frames"};
    sim_ = std::make_unique<ChildProcess>(serve, bus_);
    ASSERT_NE(sim_->ReadLine().find("published"), std::string::npos);
  }
  static void TearDownTestSuite() {
    sim_->Signal(SIGTERM);
    sim_->Wait();
    sim_.reset();
    fs::remove_all(dir_);
  }
  void SetUp() override {
    out_ = dir_ + "/out";
    fs::remove_all(out_);
    fs::create_directories(out_);
  }

  // tqcam with standard output on the child's pipe, standard error in a file.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& args,
                                             const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$@\" 2>'" + dir_ + "/err'", "sh",
                                     "env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(TQCAM_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(argv, bus_);
  }
  static std::string Errors() {
    std::ifstream in(dir_ + "/err");
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Runs tqcam to its end; its few lines of output wait in the pipe.
  static RunResult Tqcam(const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {}) {
    const std::unique_ptr<ChildProcess> tqcam = Start(args, env);
    tqcam->CloseInput();
    RunResult r;
    r.status = tqcam->Wait();
    for (const std::string& line : tqcam->ReadLinesUntil("")) r.out += line + "\n";
    r.err = Errors();
    return r;
  }
  static void Sim(const std::string& command, const std::string& id) {
    ChildProcess sim({TQSIM_BINARY, "--bus", bus_, command, id}, bus_);
    sim.CloseInput();
    ASSERT_EQ(sim.Wait(), 0);
  }
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename());
    return names;
  }
  // What the library returns for the same window, read in this process.
  // The window as the library reads it; a read mode is set when given, since
  // a camera keeps the mode the previous host left it in. 8-bit pixels widen.
  static std::vector<uint16_t> LibraryPixels(uint32_t id, uint32_t bin, uint32_t x, uint32_t y,
                                             uint32_t w, uint32_t h, int mode = -1,
                                             uint32_t depth = 16) {
    TQCAMERA camera = Initialize(id);
    std::vector<uint16_t> pixels(size_t{w} * h);
    if (mode >= 0) {
      EXPECT_TRUE(SetReadMode(camera, static_cast<uint32_t>(mode)));
    }
    EXPECT_TRUE(SetBinning(camera, bin, bin));
    if (depth == 8) {
      std::vector<uint8_t> bytes(pixels.size());
      EXPECT_TRUE(GetImageExposure8b(camera, 0.0, true, x, y, w, h,
                                     static_cast<uint32_t>(bytes.size()), bytes.data()));
      std::copy(bytes.begin(), bytes.end(), pixels.begin());
    } else {
      EXPECT_TRUE(GetImageExposure16b(camera, 0.0, true, x, y, w, h,
                                      static_cast<uint32_t>(pixels.size() * 2), pixels.data()));
    }
    Release(camera);
    return pixels;
  }

  static inline std::string dir_, bus_;
  static inline std::unique_ptr<ChildProcess> sim_;
  std::string out_;
};

TEST_F(TqcamTest, CaptureWritesTheLibrarysPixelsAndTheHeader) {
  struct Case {
    uint32_t id;
    uint32_t bin;
    uint32_t x, y, width, height;
    std::string roi;  // empty: the whole frame
  };
  const Case cases[] = {
      {1104, 1, 0, 0, 752, 480, ""},                   // generation 2, whole frame
      {1104, 2, 10, 20, 100, 50, "10,20,100,50"},      // generation 2, binned window
      {7001, 2, 0, 0, 680, 518, ""},                   // generation 1 bins in the camera
      {12019, 2, 5, 6, 40, 30, "5,6,40,30"},           // generation 0, exposed in one call
      {1222, 1, 100, 200, 300, 40, "100,200,300,40"},  // generation 5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("camera " + std::to_string(c.id) + " roi " + c.roi);
    const std::string path = out_ + "/" + std::to_string(c.id) + ".fits";
    std::vector<std::string> args = {"capture",    std::to_string(c.id),  "-t", "1",
                                     "--bin",      std::to_string(c.bin), "-o", path,
                                     "--overwrite"};
    if (!c.roi.empty()) args.insert(args.end(), {"--roi", c.roi});
    const double before = Now();
    const RunResult r = Tqcam(args);
    const double after = Now();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    const FitsImage fits(path);
    ASSERT_EQ(fits.width, c.width);
    ASSERT_EQ(fits.height, c.height);
    EXPECT_EQ(fits.bitpix, SHORT_IMG);  // unsigned values stored with BZERO 32768
    EXPECT_EQ(fits.Number("BZERO"), 32768.0);
    EXPECT_EQ(fits.pixels, LibraryPixels(c.id, c.bin, c.x, c.y, c.width, c.height));
    EXPECT_EQ(fits.Number("XBINNING"), c.bin);
    EXPECT_EQ(fits.Number("YBINNING"), c.bin);
    EXPECT_EQ(fits.Number("XORGSUBF"), c.x);
    EXPECT_EQ(fits.Number("YORGSUBF"), c.y);
    EXPECT_EQ(fits.Number("EXPTIME"), 1.0);
    EXPECT_EQ(fits.Number("CAMERAID"), c.id);
    EXPECT_EQ(fits.Text("IMAGETYP"), "Light Frame");
    EXPECT_FALSE(fits.Text("INSTRUME").empty());
    // The start of the exposure, not its end: after the tool was started and
    // at least the exposure time before the tool had finished.
    const double start = ParseFitsTime(fits.Text("DATE-OBS"));
    EXPECT_GE(start, before - 0.001);
    EXPECT_LE(start, after - 1.0 + 0.001);
    EXPECT_NE(r.out.find("saved " + path), std::string::npos);
  }
}

TEST_F(TqcamTest, AccessoryKeywords) {
  auto temperature = [] {
    TQCAMERA camera = Initialize(1190);
    float now = 0;
    EXPECT_TRUE(GetValue(camera, 0, &now));
    Release(camera);
    return double{now};
  };
  const std::string path = out_ + "/cool.fits";
  const double before = temperature();
  const RunResult r = Tqcam({"capture", "1190", "-t", "0", "--temp", "-5", "--filter", "2",
                             "--gain", "100", "--roi", "0,0,600,8", "-o", path});
  const double after = temperature();
  ASSERT_EQ(r.status, 0) << r.err;
  const FitsImage fits(path);
  EXPECT_EQ(fits.Number("SET-TEMP"), -5.0);
  EXPECT_EQ(fits.Number("GAIN"), 100.0);
  EXPECT_EQ(fits.Text("FILTER"), "2");  // a position without a description
  // The sensor cools steadily towards the set point, so the reading taken
  // during the capture lies between the readings before and after it.
  ASSERT_TRUE(fits.Number("CCD-TEMP"));
  EXPECT_GE(*fits.Number("CCD-TEMP"), std::min(before, after) - 0.3);
  EXPECT_LE(*fits.Number("CCD-TEMP"), std::max(before, after) + 0.3);
}

TEST_F(TqcamTest, BadInputGivesOneLineAndNoFile) {
  std::ofstream(out_ + "/plain") << "a file, not a directory";
  std::ofstream(out_ + "/taken.fits") << "an earlier capture";
  const std::string a = out_ + "/a.fits";
  struct Case {
    std::vector<std::string> args;
    std::string says;
    int status = 2;
  };
  const Case cases[] = {
      {{"capture", "4242", "-t", "1", "-o", a}, "camera 4242", 1},
      {{"info", "4242"}, "camera 4242", 1},
      {{"gps", "1222"}, "camera 1222 has no GPS receiver", 1},
      {{"capture", "1104", "-t", "1", "--roi", "700,0,100,10", "-o", a}, "outside"},
      {{"capture", "1104", "-t", "1", "-o", out_ + "/plain/a.fits"}, "not a folder"},
      {{"capture", "1104", "-t", "1", "-o", out_ + "/none/a.fits"}, "No such file or directory"},
      {{"capture", "1104", "-t", "1", "-o", out_ + "/taken.fits"}, "--overwrite"},
      {{"capture", "1104", "-t", "-1", "-o", a}, "exposure time"},
      {{"capture", "12019", "-t", "9", "-o", a}, "exposes from 0 s to 8.19187 s"},
      {{"capture", "1104", "-t", "1", "--bin", "0", "-o", a}, "binning"},
      {{"capture", "1104", "-t", "1", "--bin", "2x5", "-o", a}, "bins at most 4x4"},
      {{"capture", "1104", "-t", "1", "--temp", "-5", "-o", a}, "has no cooler"},
      {{"capture", "1190", "-t", "1", "--temp", "70", "-o", a}, "to 58.2 C"},
      {{"capture", "1190", "-t", "1", "--gain", "241", "-o", a}, "takes 0 to 240"},
      {{"capture", "1190", "-t", "1", "--filter", "7", "-o", a}, "has positions 0 to 6"},
      {{"capture", "12019", "-t", "1", "--8bit", "-o", a}, "has no 8-bit read mode"},
      {{"capture", "1190", "-t", "1", "--wait-temp", "-o", a}, "--wait-temp requires --temp"},
      {{"capture", "1104", "-t", "1", "--delay", "2", "-o", a}, "--delay requires --count"},
      {{"capture", "1104", "--bias", "-t", "1", "-o", a}, "--bias"},
      {{"capture", "1104", "-t", "0", "--count", "2", "--delay", "-1", "-o", a}, "delay -1 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " ... " + c.says);
    const RunResult r = Tqcam(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(OutputFiles().size(), 2u);
  }
}

// The header follows the camera: the widest read mode unless one is named,
// the vertical binning factor, and the time source the camera has.
TEST_F(TqcamTest, HeaderFollowsTheCamera) {
  const struct {
    std::vector<std::string> args;
    std::string header;
  } cases[] = {
      {{"1190", "--bin", "4", "--roi", "0,0,100,8"},
       "16 12-bit slow 4x4 8 Light Frame, host clock, site 0"},
      {{"1104", "--bin", "1x2"}, "16  1x2 240 Light Frame, host clock, site 0"},
      {{"1103", "--mode", "8-bit", "--8bit", "--png"},
       "8 8-bit 1x1 1024 Light Frame, host clock, site 0"},
      {{"1226", "--roi", "0,0,600,8", "--flat"},
       "16 12-bit slow 1x1 8 Flat Field, camera time stamp, site 1"},
      {{"1222", "--roi", "0,0,600,8", "--bias"}, "16  1x1 8 Bias Frame, host clock, site 0"},
  };
  for (const auto& c : cases) {
    const std::string path = out_ + "/h" + c.args[0] + ".fits";
    std::vector<std::string> args = {"capture", "-o", path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (c.args.back() != "--bias") args.insert(args.end(), {"-t", "0.01"});
    const RunResult r = Tqcam(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const FitsImage f(path);
    const std::string date = f.Comment("DATE-OBS");
    EXPECT_EQ(std::to_string(f.bitpix == SHORT_IMG ? 16 : f.bitpix) + " " + f.Text("READMODE") +
                  " " + f.Text("XBINNING") + "x" + f.Text("YBINNING") + " " +
                  std::to_string(f.height) + " " + f.Text("IMAGETYP") + "," +
                  date.substr(date.rfind(',') + 1) + ", site " +
                  std::to_string(f.Number("SITELAT").has_value()),
              c.header);
  }
  // 16-bit data: the binned sums go beyond what 8-bit samples could reach.
  const FitsImage wide(out_ + "/h1190.fits");
  EXPECT_GT(*std::max_element(wide.pixels.begin(), wide.pixels.end()), 255);
  EXPECT_TRUE(fs::exists(out_ + "/h1103.png"));
}

// A disk that fills up at any point of the file: no "saved", a failure that
// names the cause, and no file left behind, the temporary one included.
TEST_F(TqcamTest, FullDiskLeavesNoFile) {
  // A leftover of a killed run (its process id is above any the kernel gives).
  const std::string leftover = out_ + "/.old.fits.tqcam-99999999-abcdef";
  std::ofstream(leftover) << "partial";
  // The preloaded library goes before a sanitizer's run-time library.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string options =
      std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0";
  for (const char* bytes : {"0", "1000", "2880", "100000", "724319"}) {
    SCOPED_TRACE(bytes);
    const RunResult r = Tqcam({"capture", "1104", "-t", "0", "-o", out_ + "/full.fits"},
                              {"LD_PRELOAD=" TQCAM_DISK_FULL_SHIM, options,
                               std::string("TQCAM_TEST_DISK_BYTES=") + bytes});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_TRUE(OutputFiles().empty());
  }
}

TEST_F(TqcamTest, UnplugOrCtrlCDuringAnExposureLeavesNoFile) {
  for (const uint32_t id : {1104u, 12019u}) {  // timed by the tool; by the camera
    for (const bool unplug : {true, false}) {
      SCOPED_TRACE(std::to_string(id) + (unplug ? " unplugged" : " interrupted"));
      const auto tqcam = Start({"capture", std::to_string(id), "-t", "3", "-o", out_ + "/a.fits"});
      std::this_thread::sleep_for(std::chrono::milliseconds(1200));
      if (unplug)
        Sim("unplug", std::to_string(id));
      else
        tqcam->Signal(SIGINT);
      const int status = tqcam->Wait();
      if (unplug) Sim("plug", std::to_string(id));
      const std::string err = Errors();
      EXPECT_EQ(status, unplug ? 1 : 130) << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_TRUE(OutputFiles().empty());
    }
  }
}

TEST_F(TqcamTest, ListAndWatchFollowTheBus) {
  const RunResult list = Tqcam({"list"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("\n1104     CMOS 752         752x480     2 "), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("\n12019    CCD 512          512x512     0 "), std::string::npos)
      << list.out;

  // Each step waits for the line before it, so a slow machine only takes longer.
  const auto watch = Start({"watch"});
  std::string seen;
  auto waitFor = [&](const std::string& text) {
    while (seen.find(text) == std::string::npos) {
      const std::string line = watch->ReadLine();
      if (line.empty()) return false;
      seen += line + "\n";
    }
    return true;
  };
  EXPECT_TRUE(waitFor("camera 1104 present")) << seen;
  EXPECT_TRUE(waitFor("camera 12019 present")) << seen;
  Sim("unplug", "1104");
  EXPECT_TRUE(waitFor("camera 1104 disconnected")) << seen;
  Sim("plug", "1104");
  EXPECT_TRUE(waitFor("camera 1104 connected")) << seen;
  watch->Signal(SIGINT);  // Ctrl-C is how a watch ends
  EXPECT_EQ(watch->Wait(), 0);
}

// Every frame of a video is the library's window (cached frames make each
// readout the same), stamped within the recording, under a header a reader
// of the format understands.
TEST_F(TqcamTest, VideoRecordsTheLibrarysFrames) {
  const struct {
    std::vector<std::string> args;
    uint32_t id, bin, x, y, width, height, depth;
    int mode;  // -1: the camera has one
  } cases[] = {
      {{"1104", "--count", "12"}, 1104, 1, 0, 0, 752, 480, 16, -1},  // whole frame
      {{"1104", "--bin", "2", "--roi", "8,4,100,60", "--count", "30"}, 1104, 2, 8, 4, 100, 60, 16,
       -1},
      {{"12019", "--roi", "5,6,40,30", "--count", "5"}, 12019, 1, 5, 6, 40, 30, 16, -1},  // gen 0
      {{"1226", "--roi", "0,0,600,8", "--mode", "1", "--count", "6"}, 1226, 1, 0, 0, 600, 8, 16,
       1},  // camera stamps
      {{"1103", "--8bit", "--roi", "0,0,64,32", "--mode", "0", "--count", "4"}, 1103, 1, 0, 0, 64,
       32, 8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2]);
    const std::string path = out_ + "/v" + c.args[0] + ".ser";
    std::vector<std::string> args = {"video", "-o", path, "--observer", "me", "--overwrite"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const double before = Now();
    const RunResult r = Tqcam(args);
    const double after = Now();
    ASSERT_EQ(r.status, 0) << r.err;
    const SerRead ser(path);
    const int32_t count = std::stoi(c.args.back());
    EXPECT_EQ(ser.id + " " + std::to_string(ser.colour) + " " + std::to_string(ser.byteOrder) +
                  " " + ser.observer,
              "LUCAM-RECORDER 0 0 me");
    EXPECT_FALSE(ser.instrument.empty());
    EXPECT_EQ(std::vector<int32_t>({ser.width, ser.height, ser.depth, ser.frames}),
              std::vector<int32_t>({int32_t(c.width), int32_t(c.height), int32_t(c.depth), count}));
    ASSERT_EQ(ser.pixels.size(), size_t(count));
    ASSERT_EQ(ser.stamps.size(), size_t(count));
    EXPECT_NE(r.out.find("saved " + path + " frames=" + c.args.back() + " dropped=0 fps="),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(c.id == 1226 ? "stamps=camera" : "stamps=host"), std::string::npos);
    EXPECT_GE(ser.utcStart, SerRead::Ticks(before - 0.001));
    for (size_t i = 0; i < ser.stamps.size(); ++i) {
      EXPECT_GT(ser.stamps[i], i ? ser.stamps[i - 1] : SerRead::Ticks(before - 0.01));
      EXPECT_LE(ser.stamps[i], SerRead::Ticks(after + 0.01));
    }
    const std::vector<uint16_t> expected =
        LibraryPixels(c.id, c.bin, c.x, c.y, c.width, c.height, c.mode, c.depth);
    for (const std::vector<uint8_t>& frame : ser.pixels) {
      std::vector<uint16_t> pixels(frame.size() / (c.depth / 8));
      for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = c.depth == 8 ? frame[i] : uint16_t(frame[2 * i] | frame[2 * i + 1] << 8);
      EXPECT_EQ(pixels, expected);
    }
  }
}

// Ctrl-C and a full disk end the recording with a file a reader can open:
// the header counts the whole frames in it, the time stamps follow if they
// fitted; a disk full before the header leaves no file.
TEST_F(TqcamTest, VideoCutShortLeavesAValidFile) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string options =
      std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0";
  const size_t frame = 752 * 480 * 2;
  const struct {
    std::string limit;    // --count or --seconds; empty: until Ctrl-C
    long long diskBytes;  // -1: no limit
    int status;
    int frames;  // -1: some
    bool stamped;
  } cases[] = {
      {"", -1, 0, -1, true},                            // Ctrl-C ends an open recording
      {"--count", -1, 130, -1, true},                   // and cuts a limited one short
      {"--seconds", 178 + frame * 7 / 2, 1, 3, false},  // full in the fourth frame
      {"--seconds", 100, 1, 0, false},                  // full in the header: no file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit + " " + std::to_string(c.diskBytes));
    const std::string path = out_ + "/cut.ser";
    std::vector<std::string> args = {"video", "1104", "-o", path};
    if (!c.limit.empty()) args.insert(args.end(), {c.limit, "100000"});
    std::vector<std::string> env;
    if (c.diskBytes >= 0)
      env = {"LD_PRELOAD=" TQCAM_DISK_FULL_SHIM, options,
             "TQCAM_TEST_DISK_BYTES=" + std::to_string(c.diskBytes)};
    const auto tqcam = Start(args, env);
    if (c.diskBytes < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      tqcam->Signal(SIGINT);
    }
    EXPECT_EQ(tqcam->Wait(), c.status) << Errors();
    if (c.frames == 0) {
      EXPECT_TRUE(OutputFiles().empty());
      EXPECT_NE(Errors().find("No space left on device"), std::string::npos) << Errors();
      continue;
    }
    const SerRead ser(path);
    EXPECT_GT(ser.frames, 0);
    EXPECT_EQ(ser.frames, c.frames > 0 ? c.frames : ser.frames);
    EXPECT_EQ(ser.size, 178 + size_t(ser.frames) * (frame + (c.stamped ? 8 : 0)));
    EXPECT_EQ(
        tqcam->ReadLine().rfind("saved " + path + " frames=" + std::to_string(ser.frames) + " ", 0),
        0u);
    fs::remove(path);
  }
}

}  // namespace
