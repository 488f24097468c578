#!/usr/bin/env python3
"""Take one binned sub-frame and write it as FITS, with the keywords tqcam writes.

    capture_fits.py ID SECONDS OUTPUT.fits [--bin N] [--roi X,Y,W,H] [--dark]

The window is in binned pixels from the top-left corner. The file is written
to a temporary name beside OUTPUT and renamed when complete, so an
interrupted run never leaves half a file.
"""
import argparse
import datetime
import os
import sys
import tempfile

import numpy as np
from astropy.io import fits

import tqusb


def fits_time(t):
    """UTC as FITS writes it, milliseconds rounded down: 2026-12-06T02:26:37.123."""
    return t.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%S.") + \
        f"{t.microsecond // 1000:03d}"


def header(cam, info, seconds, binning, roi, dark, host_start):
    h = fits.Header()
    h["EXPTIME"] = (seconds, "exposure time in seconds")
    if "gps" in info.capabilities:
        try:
            h["DATE-OBS"] = (fits_time(cam.last_timestamp), "UTC start of exposure, camera time stamp")
        except tqusb.Error:
            pass
    if "DATE-OBS" not in h:
        h["DATE-OBS"] = (fits_time(host_start), "UTC start of exposure, host clock")
    h["IMAGETYP"] = ("Dark Frame" if dark else "Light Frame", "type of image")
    h["INSTRUME"] = (info.model, "camera model")
    h["CAMERAID"] = (info.id, "camera id")
    h["FIRMWARE"] = (info.firmware, "camera firmware version words")
    h["DRIVERVR"] = (info.library_version, "camera library version")
    h["XBINNING"] = (binning, "horizontal binning factor")
    h["YBINNING"] = (binning, "vertical binning factor")
    h["XORGSUBF"] = (roi[0], "sub-frame origin x in binned pixels")
    h["YORGSUBF"] = (roi[1], "sub-frame origin y in binned pixels")
    h["ROWORDER"] = ("TOP-DOWN", "first row in the file is the top row")
    modes = cam.read_modes
    if modes:
        current = next((m for m in modes if m.index == info.read_mode), None)
        if current:
            h["READMODE"] = (current.name, "camera read mode")
    if info.pixel_size:
        h["XPIXSZ"] = (info.pixel_size[0] * binning, "binned pixel width in micrometres")
        h["YPIXSZ"] = (info.pixel_size[1] * binning, "binned pixel height in micrometres")
    if info.serial:
        h["SERIALNO"] = (info.serial, "camera serial text")
    try:
        h["CCD-TEMP"] = (round(cam.temperature, 2), "sensor temperature in C")
    except tqusb.Error:
        pass
    if "gps" in info.capabilities:
        try:
            fix = cam.gps()
            if fix.valid:
                h["SITELAT"] = (fix.latitude, "site latitude in degrees north, camera GPS")
                h["SITELONG"] = (fix.longitude, "site longitude in degrees east, camera GPS")
        except tqusb.Error:
            pass
    h["SWCREATE"] = ("capture_fits.py", "acquisition program")
    return h


def write_fits(path, frame, h):
    # 16-bit frames are stored as FITS stores unsigned values (BITPIX 16, BZERO 32768).
    hdu = fits.PrimaryHDU(frame, header=h)
    folder = os.path.dirname(os.path.abspath(path))
    fd, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            hdu.writeto(f)
            f.flush()
            os.fsync(f.fileno())
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("id", type=int)
    parser.add_argument("seconds", type=float)
    parser.add_argument("output")
    parser.add_argument("--bin", type=int, default=2)
    parser.add_argument("--roi", help="X,Y,W,H in binned pixels (default: whole frame)")
    parser.add_argument("--dark", action="store_true", help="keep the shutter closed")
    args = parser.parse_args()
    try:
        with tqusb.Camera(args.id) as cam:
            info = cam.info
            roi = tuple(int(v) for v in args.roi.split(",")) if args.roi else \
                (0, 0, info.width // args.bin, info.height // args.bin)
            host_start = datetime.datetime.now(datetime.timezone.utc)
            frame = cam.expose(args.seconds, bin=args.bin, roi=roi, dark=args.dark)
            info = cam.info  # the read mode the exposure used
            write_fits(args.output, frame, header(cam, info, args.seconds, args.bin, roi,
                                                  args.dark, host_start))
    except tqusb.Error as error:
        sys.exit(f"capture_fits.py: {error}")
    except KeyboardInterrupt:
        sys.exit(130)
    print(f"saved {args.output} size={frame.shape[1]}x{frame.shape[0]} "
          f"median={int(np.median(frame))}")


if __name__ == "__main__":
    main()
