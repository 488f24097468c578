/*
 * capture_fits: cools a camera (if it can), takes a full frame and a 2x2
 * binned sub-frame and writes both into one FITS file.
 *
 * Copyright (c) 2026 the tqusb authors. MIT licence, see LICENSE.
 *
 *   cc capture_fits.c $(pkg-config --cflags --libs tqusb cfitsio) -o capture_fits
 *   ./capture_fits [-i ID] [-t SECONDS] [-c CELSIUS] [-w SECONDS] [-o FILE]
 *
 * -t exposure time, -c cooler set point, -w longest wait for the set point.
 *
 * Without -i the first free camera is used. The file is written under a
 * temporary name and renamed when complete, so it is never seen half done.
 */
#define _POSIX_C_SOURCE 200809L /* getopt, unlink */

#include <fitsio.h>
#include <stdio.h>
#include <stdlib.h>
#include <tqusb/tqusb.h>
#include <unistd.h>

struct frame {
  uint32_t x, y, width, height, binning;
  uint16_t* pixels;
};

static uint32_t first_id;
static bool have_id;

static void found(uint32_t id) {
  if (!have_id) {
    first_id = id;
    have_id = true;
  }
}

static const char* last_error(TQCAMERA camera) {
  static char text[129];
  GetLastErrorString(camera, sizeof text - 1, text);
  text[sizeof text - 1] = '\0';
  return text;
}

/* Sets the cooler and waits up to wait seconds for the sensor to come
 * within one degree. A camera without regulated cooling says so and is used
 * warm. Waiting pumps this thread's events, which keeps reconnection working. */
static void cool(TQCAMERA camera, float target, int wait) {
  float temperature = 0;
  int tries;

  if (!SetTemperature(camera, target)) {
    printf("not cooling: %s\n", last_error(camera));
    return;
  }
  for (tries = 0; tries <= 2 * wait; tries++) {
    if (!GetValue(camera, TQ_VALUE_SENSOR_TEMPERATURE, &temperature)) {
      printf("no temperature reading: %s\n", last_error(camera));
      return;
    }
    if (temperature < target + 1.0f && temperature > target - 1.0f) break;
    tqPumpEvents(500);
  }
  printf("sensor at %.1f C (set point %.1f C)\n", temperature, target);
}

/* Exposes and reads one window; x, y, width and height are binned pixels. */
static bool expose(TQCAMERA camera, double seconds, struct frame* f) {
  uint32_t size = 2 * f->width * f->height;

  if (!SetBinning(camera, f->binning, f->binning)) {
    fprintf(stderr, "binning %u: %s\n", f->binning, last_error(camera));
    return false;
  }
  f->pixels = malloc(size);
  if (!f->pixels) return false;
  if (!GetImageExposure16b(camera, seconds, true, f->x, f->y, f->width, f->height, size,
                           f->pixels)) {
    fprintf(stderr, "exposure of %ux%u at binning %u: %s\n", f->width, f->height, f->binning,
            last_error(camera));
    return false;
  }
  printf("read %ux%u pixels at (%u, %u), binning %u\n", f->width, f->height, f->x, f->y,
         f->binning);
  return true;
}

/* Appends one image HDU with the keywords a reader needs. */
static void write_hdu(fitsfile* fits, const struct frame* f, double seconds, const char* model,
                      int* status) {
  long axes[2] = {(long)f->width, (long)f->height};
  long x = f->x, y = f->y, binning = f->binning;

  fits_create_img(fits, USHORT_IMG, 2, axes, status);
  fits_write_img(fits, TUSHORT, 1, (LONGLONG)f->width * f->height, f->pixels, status);
  fits_write_key(fits, TDOUBLE, "EXPTIME", &seconds, "exposure time [s]", status);
  fits_write_key(fits, TLONG, "XBINNING", &binning, "horizontal binning", status);
  fits_write_key(fits, TLONG, "YBINNING", &binning, "vertical binning", status);
  fits_write_key(fits, TLONG, "XORGSUBF", &x, "sub-frame origin [binned pixels]", status);
  fits_write_key(fits, TLONG, "YORGSUBF", &y, "sub-frame origin [binned pixels]", status);
  fits_write_key(fits, TSTRING, "INSTRUME", (void*)model, "camera model", status);
}

static bool write_fits(const char* path, const struct frame* frames, int n, double seconds,
                       const char* model) {
  char temporary[4096], text[FLEN_STATUS];
  fitsfile* fits = NULL;
  int status = 0, i;

  snprintf(temporary, sizeof temporary, "!%s.part", path); /* "!": overwrite */
  fits_create_file(&fits, temporary, &status);
  for (i = 0; i < n && !status; i++) write_hdu(fits, &frames[i], seconds, model, &status);
  fits_close_file(fits, &status);
  if (status) {
    fits_get_errstatus(status, text);
    fprintf(stderr, "%s: %s\n", temporary + 1, text);
    unlink(temporary + 1);
    return false;
  }
  if (rename(temporary + 1, path) != 0) {
    perror(path);
    return false;
  }
  return true;
}

int main(int argc, char** argv) {
  const char* path = "capture.fits";
  double seconds = 1.0;
  float target = -10.0f;
  struct frame frames[2];
  char model[16] = "";
  uint32_t width = 0, height = 0, max_binning = 1;
  bool connected = false, ok;
  TQCAMERA camera;
  int option, wait = 60;

  while ((option = getopt(argc, argv, "i:t:c:w:o:")) != -1) {
    switch (option) {
      case 'i':
        first_id = (uint32_t)strtoul(optarg, NULL, 10);
        have_id = true;
        break;
      case 't':
        seconds = atof(optarg);
        break;
      case 'c':
        target = (float)atof(optarg);
        break;
      case 'w':
        wait = atoi(optarg);
        break;
      case 'o':
        path = optarg;
        break;
      default:
        fprintf(stderr, "usage: %s [-i ID] [-t SECONDS] [-c CELSIUS] [-w SECONDS] [-o FILE]\n",
                argv[0]);
        return 2;
    }
  }
  if (!have_id) Enumerate(found);
  if (!have_id) {
    fprintf(stderr, "no free camera found (is the bus root right? see TQUSB_BUS_DIR)\n");
    return 1;
  }

  camera = Initialize(first_id);
  GetBooleanParameter(camera, TQ_BOOL_CONNECTED, &connected);
  if (!connected) {
    fprintf(stderr, "camera %u: not connected: %s\n", first_id, last_error(camera));
    Release(camera);
    return 1;
  }
  if (GetStringParameter(camera, TQ_STRING_MODEL_TEXT, sizeof model - 1, model))
    model[sizeof model - 1] = '\0';
  GetIntegerParameter(camera, TQ_INT_WIDTH, &width);
  GetIntegerParameter(camera, TQ_INT_HEIGHT, &height);
  GetIntegerParameter(camera, TQ_INT_MAX_BINNING_X, &max_binning);
  printf("camera %u: %s, %ux%u pixels\n", first_id, model, width, height);

  cool(camera, target, wait);

  /* The full frame, unbinned; then the middle of the frame at 2x2, whose
   * window is given in binned pixels. */
  frames[0] = (struct frame){0, 0, width, height, 1, NULL};
  frames[1] = (struct frame){width / 8, height / 8, width / 4, height / 4, 2, NULL};
  ok = expose(camera, seconds, &frames[0]);
  if (ok) {
    /* Not every camera bins or reads windows: keep the full frame then. */
    bool binned = max_binning >= 2 && expose(camera, seconds, &frames[1]);
    if (!binned) printf("no binned sub-frame from this camera\n");
    ok = write_fits(path, frames, binned ? 2 : 1, seconds, model);
  }
  if (ok) printf("wrote %s\n", path);

  free(frames[0].pixels);
  free(frames[1].pixels);
  Release(camera);
  return ok ? 0 : 1;
}
