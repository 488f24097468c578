#!/usr/bin/env python3
"""Take flat fields, adjusting the exposure so each frame's median is near a target.

    flat_sequence.py ID COUNT [--target ADU] [--start S] [--longest S] [--bin N] [--prefix NAME]

A bias frame (0 s, shutter closed) gives the level without light. The
signal above it grows linearly with the exposure well below saturation, so
the next exposure is the last one scaled by (target - bias) / (median - bias).
Frames whose median is more than 5 % off the target are taken again, up to a
few times; frames within it are saved as NAME-001.npy, NAME-002.npy, ...
The light source may change between frames (twilight): every frame corrects
the exposure of the next.
"""
import argparse
import sys

import numpy as np

import tqusb


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("id", type=int)
    parser.add_argument("count", type=int)
    parser.add_argument("--target", type=float, help="median in ADU (default: 40 %% of full scale)")
    parser.add_argument("--start", type=float, default=0.5, help="first exposure, seconds")
    parser.add_argument("--longest", type=float, default=60.0, help="longest exposure, seconds")
    parser.add_argument("--bin", type=int, default=1)
    parser.add_argument("--prefix", default="flat")
    args = parser.parse_args()
    try:
        with tqusb.Camera(args.id) as cam:
            info = cam.info
            bias = float(np.median(cam.expose(0.0, bin=args.bin, dark=True)))
            seconds, saved, tries = args.start, 0, 0
            while saved < args.count:
                frame = cam.expose(seconds, bin=args.bin)
                target = args.target or 0.4 * np.iinfo(frame.dtype).max
                median = float(np.median(frame))
                within = abs(median - target) <= 0.05 * target
                print(f"{seconds:8.3f} s  median {median:8.1f}  {'saved' if within else 'again'}")
                if within:
                    saved += 1
                    np.save(f"{args.prefix}-{saved:03d}.npy", frame)
                    tries = 0
                else:
                    tries += 1
                    if tries > 8:
                        sys.exit("flat_sequence.py: the median does not reach the target")
                # No more than ten times longer or shorter per step, so one
                # frame near the bias level cannot send the next far off.
                scale = (target - bias) / max(median - bias, (target - bias) / 10.0)
                wanted = seconds * min(max(scale, 0.1), 10.0)
                if wanted > args.longest and seconds >= args.longest:
                    sys.exit(f"flat_sequence.py: {args.longest} s are not enough for the target")
                seconds = min(max(wanted, info.min_exposure), args.longest)
    except tqusb.Error as error:
        sys.exit(f"flat_sequence.py: {error}")
    except KeyboardInterrupt:
        sys.exit(130)


if __name__ == "__main__":
    main()
