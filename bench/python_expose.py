#!/usr/bin/env python3
"""Time Camera.expose of a 16-megapixel frame against the C interface for the
same frame, in the same run, and fail when the module takes more than 1.05
times as long as the faster of the two C ways: GetImageExposure16b in one
call, and BeginExposure, EndExposure, GetImage16b (the calls the module
makes for a host-timed exposure). Both sides fill a newly allocated buffer,
as a program does that keeps every frame.

    python_expose.py TQSIM LIBTQUSB   (with the module on PYTHONPATH)

The simulator runs on a private bus in real time, with cached frames: the
frame takes the transfer time the simulated camera's link allows, as it
would on a real camera, plus the host's own work (transport, conversion,
and for the module the array and the calls around).
"""
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CAMERA = 1190  # 4656 x 3520, 16.4 megapixels
ROUNDS = 3
FRAMES = 8  # timed frames per round and side
LIMIT = 1.05


def main():
    tqsim, library = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="tqusb-bench-")
    bus = os.path.join(work, "bus")
    os.makedirs(bus)
    os.environ["TQUSB_BUS_DIR"] = bus
    os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    sim = subprocess.Popen([tqsim, "serve", "--bus", bus, "--cached-frames"],
                           stdout=subprocess.PIPE, text=True)
    try:
        assert "published" in sim.stdout.readline()
        import numpy as np
        import tqusb

        lib = ctypes.CDLL(library)
        lib.Initialize.restype = ctypes.c_void_p
        lib.GetImage16b.argtypes = [ctypes.c_void_p] + [ctypes.c_uint32] * 5 + [ctypes.c_void_p]
        lib.GetImageExposure16b.argtypes = [ctypes.c_void_p, ctypes.c_double, ctypes.c_bool] + \
            [ctypes.c_uint32] * 5 + [ctypes.c_void_p]

        def module_time():
            with tqusb.Camera(CAMERA) as cam:
                mode = max(cam.read_modes, key=lambda m: m.bits).index
                cam.expose(0.0, mode=mode)  # warm: buffers of the library
                took = []
                for _ in range(FRAMES):
                    start = time.perf_counter()
                    frame = cam.expose(0.0)
                    took.append(time.perf_counter() - start)
            assert frame.dtype == np.uint16
            return took, frame.shape, mode

        def c_time(shape, mode):
            handle = ctypes.c_void_p(lib.Initialize(CAMERA))
            try:
                assert lib.SetReadMode(handle, mode)
                height, width = shape
                nbytes = width * height * 2

                def fresh():  # a new frame buffer, as the module returns a new array
                    pixels = np.empty(shape, np.uint16)
                    return pixels, (0, 0, width, height, nbytes, pixels.ctypes.data)

                pixels, window = fresh()
                assert lib.GetImageExposure16b(handle, 0.0, True, *window)
                took = []
                for _ in range(FRAMES):
                    start = time.perf_counter()
                    pixels, window = fresh()
                    assert lib.GetImageExposure16b(handle, 0.0, True, *window)
                    one_call = time.perf_counter() - start
                    start = time.perf_counter()
                    pixels, window = fresh()
                    assert lib.BeginExposure(handle, True) and lib.EndExposure(handle, True, False)
                    assert lib.GetImage16b(handle, *window)
                    took.append(min(one_call, time.perf_counter() - start))
                return took
            finally:
                lib.Release(handle)

        module, c = [], []
        for _ in range(ROUNDS):
            took, shape, mode = module_time()
            module += took
            c += c_time(shape, mode)
        # The shortest time of each side: other work on the machine only
        # ever adds to a time, so the minimum is the cost of the work itself.
        ratio = min(module) / min(c)
        print(f"expose {shape[1]}x{shape[0]} 16-bit: module {min(module) * 1e3:.1f} ms, "
              f"C {min(c) * 1e3:.1f} ms (median {statistics.median(module) * 1e3:.1f} / "
              f"{statistics.median(c) * 1e3:.1f} ms), ratio {ratio:.3f} (limit {LIMIT})")
        return 0 if ratio <= LIMIT else 1
    finally:
        sim.terminate()
        sim.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
