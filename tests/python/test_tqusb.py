"""End-to-end tests of the tqusb Python module against tqsim on a private bus."""
import ctypes
import datetime
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import numpy as np
import pytest

# The library finds its bus and settings through the environment, so both
# are private before it is loaded.
WORK = tempfile.mkdtemp(prefix="tqusb-python-")
BUS = os.path.join(WORK, "bus")
os.makedirs(BUS)
os.environ["TQUSB_BUS_DIR"] = BUS
os.environ["XDG_CONFIG_HOME"] = os.path.join(WORK, "config")
os.makedirs(os.path.join(WORK, "config", "tqusb"))
with open(os.path.join(WORK, "config", "tqusb", "registry.reg"), "w") as f:
    f.write("Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Kestoral Instruments\\Tq Camera Filters\\1190]\n"
            '"1"="Luminance, WHITE, 0"\n"2"="Red, RED, 12"\n"3"="Ha, 255, -40"\n')

import tqusb  # noqa: E402

TQSIM = os.environ["TQSIM"]
NOT_CONNECTED = "CCD camera not connected to USB"


@pytest.fixture(scope="module", autouse=True)
def sim():
    # Cached frames: every readout of a window gives the same pixels. The
    # simulated clock runs 30 times faster (cooling, wheel, guide pulses);
    # host-timed exposures stay real time.
    proc = subprocess.Popen([TQSIM, "serve", "--bus", BUS, "--time-scale", "30", "--cached-frames"],
                            stdout=subprocess.PIPE, text=True)
    assert "published" in proc.stdout.readline()
    yield proc
    proc.terminate()
    proc.wait()
    shutil.rmtree(WORK, ignore_errors=True)


def tqsim(*args):
    subprocess.run([TQSIM, "--bus", BUS, *args], check=True, stdout=subprocess.DEVNULL)


def c_frame(camera_id, seconds, bin_, roi, mode, bits):
    """The same request through the C interface, in this process."""
    lib = ctypes.CDLL(os.environ["TQUSB_LIBRARY"])
    lib.Initialize.restype = ctypes.c_void_p
    handle = ctypes.c_void_p(lib.Initialize(camera_id))
    try:
        if mode is not None:
            assert lib.SetReadMode(handle, mode)
        assert lib.SetBinning(handle, bin_, bin_)
        x, y, w, h = roi
        dtype = np.uint8 if bits == 8 else np.uint16
        pixels = np.zeros((h, w), dtype)
        call = lib.GetImageExposure8b if bits == 8 else lib.GetImageExposure16b
        call.argtypes = [ctypes.c_void_p, ctypes.c_double, ctypes.c_bool] + [ctypes.c_uint32] * 5 + [
            ctypes.c_void_p]
        assert call(handle, seconds, True, x, y, w, h, pixels.nbytes, pixels.ctypes.data)
        return pixels
    finally:
        lib.Release(handle)


def test_listing():
    found = {info.id: info for info in tqusb.cameras()}
    expected = [  # id, model, width, height, generation, some capabilities
        (1190, "CMOS 4656", 4656, 3520, 4, {"cooler", "fan", "filter_wheel", "guide_port"}),
        (1226, "CMOS 6248", 6248, 4176, 5, {"cooler", "gps", "shutter", "window_heater"}),
        (9017, "CCD 768", 768, 512, 0, {"guide_port"}),
    ]
    for camera_id, model, width, height, generation, capabilities in expected:
        info = found[camera_id]
        assert (info.model, info.width, info.height, info.generation) == (model, width, height,
                                                                           generation)
        assert capabilities <= info.capabilities
    assert tqusb.version.count(".") == 2


@pytest.mark.parametrize("camera_id, bin_, roi, mode, bits", [
    (1190, 2, (10, 20, 64, 32), 1, 16),   # host-timed, 16-bit mode
    (1190, 1, (100, 8, 48, 16), 0, 8),    # 8-bit mode gives uint8
    (2003, 2, (5, 7, 40, 30), None, 16),  # generation 1
    (9017, 2, (3, 4, 40, 20), None, 16),  # generation 0, camera-timed
])
def test_expose_matches_c_interface(camera_id, bin_, roi, mode, bits):
    with tqusb.Camera(camera_id) as cam:
        frame = cam.expose(0.0, bin=bin_, roi=roi, mode=mode)
        full = cam.expose(0.0, bin=4, mode=mode)
        info = cam.info
    assert frame.dtype == (np.uint8 if bits == 8 else np.uint16)
    assert frame.shape == (roi[3], roi[2]) and frame.flags.c_contiguous
    assert full.shape == (info.height // 4, info.width // 4)
    assert np.array_equal(frame, c_frame(camera_id, 0.0, bin_, roi, mode, bits))


def test_host_timed_exposure_releases_gil_and_stops_on_ctrl_c():
    with tqusb.Camera(1190) as cam:
        ticks = []
        stop = threading.Event()
        worker = threading.Thread(target=lambda: [ticks.append(1) or time.sleep(0.01)
                                                  for _ in iter(stop.is_set, True)], daemon=True)
        worker.start()
        start = time.monotonic()
        try:
            cam.expose(1.0, roi=(0, 0, 64, 64), mode=1)
        finally:
            stop.set()
            worker.join()
        assert time.monotonic() - start >= 1.0
        assert len(ticks) > 40  # the other thread ran through the exposure

        threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
        start = time.monotonic()
        with pytest.raises(KeyboardInterrupt):
            cam.expose(20.0, roi=(0, 0, 64, 64))
        assert time.monotonic() - start < 2.0
        # The exposure was ended: the camera takes the next one.
        assert cam.expose(0.0, roi=(0, 0, 8, 8)).shape == (8, 8)

        cam.begin_exposure(bin=2, roi=(4, 4, 16, 8), mode=1)
        cam.end_exposure()
        assert cam.read_image().shape == (8, 16)


def test_cooling_filters_guiding_gps():
    with tqusb.Camera(1190) as cam:
        cam.setpoint = -5.0
        deadline = time.monotonic() + 30
        while abs(cam.temperature + 5.0) > 1.0 and time.monotonic() < deadline:
            time.sleep(0.2)
        assert abs(cam.temperature + 5.0) <= 1.0 and cam.setpoint == -5.0
        assert 0.0 < cam.cooler_power <= 1.0

        names = [f.name for f in cam.filters]
        assert names[:3] == ["Luminance", "Red", "Ha"] and cam.filters[2].offset == -40
        cam.filter = "ha"
        assert cam.filter == 2
        cam.filter = 1
        assert cam.filter == 1

        cam.guide(3000, -1500)
        assert cam.guiding
        cam.guide(300, 0, wait=True)
        assert not cam.guiding

        cam.gain = 100
        assert cam.gain_db == pytest.approx(10.0)
    with tqusb.Camera(1226) as cam:
        cam.expose(0.0, roi=(0, 0, 8, 8))
        fix = cam.gps()
        assert fix.valid and fix.time.tzinfo == datetime.timezone.utc
        assert cam.last_timestamp.tzinfo == datetime.timezone.utc


def test_events_on_unplug_and_replug():
    cam = tqusb.Camera(1191)
    try:
        # Earlier cameras' events come first; opening posts the state.
        seen = [(e.kind, e.camera_id) for e in tqusb.events(timeout=0.3)]
        assert seen[-1] == ("connected", 1191) and seen.count(("connected", 1191)) == 1
        tqsim("unplug", "1191")
        event = next(tqusb.events(timeout=5))
        assert (event.connected, event.camera_id) == (False, 1191) and not cam.connected
        with pytest.raises(tqusb.NotConnectedError) as error:
            cam.expose(0.0, roi=(0, 0, 8, 8))
        assert error.value.text == NOT_CONNECTED
        tqsim("plug", "1191")
        event = next(tqusb.events(timeout=5))
        assert (event.kind, event.camera_id) == ("connected", 1191) and cam.connected
        assert cam.expose(0.0, roi=(0, 0, 8, 8)).shape == (8, 8)
    finally:
        cam.close()


@pytest.mark.parametrize("camera_id, action, error, text", [
    (424242, None, tqusb.NotConnectedError, None),
    (2003, lambda c: setattr(c, "gain", 10), tqusb.NotSupportedError,
     "Camera does not support this feature"),
    (1190, lambda c: c.expose(0.0, bin=9), tqusb.InvalidValueError, "binning 9x9 is above"),
    (1190, lambda c: c.expose(0.0, roi=(4600, 0, 100, 10)), tqusb.InvalidValueError, "roi"),
    (1190, lambda c: setattr(c, "setpoint", 500.0), tqusb.InvalidValueError, "set point 500 C"),
    (1190, lambda c: setattr(c, "filter", "Blue"), tqusb.InvalidValueError, "no filter named"),
    (1190, lambda c: c.expose(0.0, mode="bogus"), tqusb.InvalidValueError, "no read mode named"),
    (1190, lambda c: (c.close(), c.temperature), tqusb.Error, "the camera is closed"),
])
def test_errors_carry_the_text(camera_id, action, error, text):
    with pytest.raises(error) as raised:
        with tqusb.Camera(camera_id) as cam:
            action(cam)
    assert isinstance(raised.value, tqusb.Error)
    if text:
        assert raised.value.text.startswith(text)
