/* check_fits FILE W H BW BH: the file holds a W x H image and a BW x BH
 * image, both 16-bit with an exposure time, neither all black. */
#include <fitsio.h>
#include <stdio.h>
#include <stdlib.h>

static int check_hdu(fitsfile* fits, int hdu, long width, long height, int* status) {
  long axes[2] = {0, 0}, n = width * height, i, lit = 0;
  int bitpix = 0, physical = 0, naxis = 0, anynul = 0;
  double exptime = -1;
  unsigned short* pixels = malloc((size_t)n * sizeof *pixels);

  fits_movabs_hdu(fits, hdu, NULL, status);
  fits_get_img_equivtype(fits, &bitpix, status);
  fits_get_img_param(fits, 2, &physical, &naxis, axes, status);
  fits_read_key(fits, TDOUBLE, "EXPTIME", &exptime, NULL, status);
  if (!*status && axes[0] == width && axes[1] == height)
    fits_read_img(fits, TUSHORT, 1, n, NULL, pixels, &anynul, status);
  for (i = 0; !*status && i < n; i++) lit += pixels[i] != 0;
  free(pixels);
  if (*status || bitpix != USHORT_IMG || axes[0] != width || axes[1] != height || exptime < 0 ||
      lit == 0) {
    fprintf(stderr,
            "HDU %d: status %d, bitpix %d, %ldx%ld (want %ldx%ld), EXPTIME %g, "
            "%ld lit pixels\n",
            hdu, *status, bitpix, axes[0], axes[1], width, height, exptime, lit);
    return 0;
  }
  return 1;
}

int main(int argc, char** argv) {
  fitsfile* fits = NULL;
  int status = 0, ok;

  if (argc != 6) return 2;
  if (fits_open_file(&fits, argv[1], READONLY, &status)) {
    fprintf(stderr, "%s: cfitsio status %d\n", argv[1], status);
    return 1;
  }
  ok = check_hdu(fits, 1, atol(argv[2]), atol(argv[3]), &status) &&
       check_hdu(fits, 2, atol(argv[4]), atol(argv[5]), &status);
  fits_close_file(fits, &status);
  return ok ? 0 : 1;
}
