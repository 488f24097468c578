// tqcam against a running tqsim: the files it writes, and how it fails.
#include <fitsio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
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
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$@\" 2>'" + dir_ + "/err'", "sh",
                                     TQCAM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(argv, bus_);
  }
  static std::string Errors() {
    std::ifstream in(dir_ + "/err");
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Runs tqcam to its end; its few lines of output wait in the pipe.
  static RunResult Tqcam(const std::vector<std::string>& args) {
    const std::unique_ptr<ChildProcess> tqcam = Start(args);
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
  static std::vector<uint16_t> LibraryPixels(uint32_t id, uint32_t bin, uint32_t x, uint32_t y,
                                             uint32_t w, uint32_t h) {
    TQCAMERA camera = Initialize(id);
    std::vector<uint16_t> pixels(size_t{w} * h);
    EXPECT_TRUE(SetBinning(camera, bin, bin));
    EXPECT_TRUE(GetImageExposure16b(camera, 0.0, true, x, y, w, h,
                                    static_cast<uint32_t>(pixels.size() * 2), pixels.data()));
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
    std::vector<std::string> args = {"capture", std::to_string(c.id),  "-t", "1",
                                     "--bin",   std::to_string(c.bin), "-o", path};
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

TEST_F(TqcamTest, EightBitReadModeAndPreview) {
  const std::string path = out_ + "/eight.fits";
  const RunResult r =
      Tqcam({"capture", "1103", "-t", "0.1", "--mode", "8-bit", "--8bit", "--png", "-o", path});
  ASSERT_EQ(r.status, 0) << r.err;
  const FitsImage fits(path);
  EXPECT_EQ(fits.bitpix, BYTE_IMG);
  EXPECT_EQ(fits.Text("READMODE"), "8-bit");
  EXPECT_TRUE(fs::exists(out_ + "/eight.png"));
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
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"capture", "4242", "-t", "1", "-o", out_ + "/a.fits"}, "camera 4242"},
      {{"info", "4242"}, "camera 4242"},
      {{"capture", "1104", "-t", "1", "--roi", "700,0,100,10", "-o", out_ + "/a.fits"}, "outside"},
      {{"capture", "1104", "-t", "1", "-o", out_ + "/plain/a.fits"}, "cannot write"},
      {{"capture", "1104", "-t", "-1", "-o", out_ + "/a.fits"}, "exposure time"},
      {{"capture", "1104", "-t", "1", "--bin", "0", "-o", out_ + "/a.fits"}, "binning"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " ... " + c.says);
    const RunResult r = Tqcam(c.args);
    EXPECT_GT(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"plain"});
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

}  // namespace
