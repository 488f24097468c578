"""tqalpaca against tqsim, both as separate processes, driven over HTTP."""
import array
import json
import os
import socket
import struct
import subprocess
import sys
import time

import pytest
from astropy.io import fits

from conftest import SLOW, TQCAM, sim_command, wait_for

# Generation 2 without cooler or wheel; generation 4 with cooler, wheel, guide
# port, gain and 8- and 16-bit read modes; generation 1 without guide port;
# generation 1 that bins in the camera; generation 0 (exposed in one call).
CAMERAS = [1104, 1190, 2003, 7001, 9017]
WHEELS = [1190, 2003, 7001]
# Real time: wheel moves, cooling and guide pulses are slow enough to watch.
TIME_SCALE = 1

NOT_IMPLEMENTED, INVALID_VALUE, VALUE_NOT_SET, NOT_CONNECTED = 0x400, 0x401, 0x402, 0x407
IDLE, EXPOSING, ERROR = 0, 2, 5


def expose(server, device, seconds=0.1):
    server.put(device, "startexposure", Duration=seconds, Light="true")
    wait_for("the image", lambda: server.get(device, "imageready"), 30 + seconds)


def test_discovery_answers_with_the_http_port(server):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(10 * SLOW)
        s.sendto(b"alpacadiscovery1", ("127.0.0.1", server.discovery_port))
        data, _ = s.recvfrom(1024)
    assert json.loads(data) == {"AlpacaPort": server.port}


def test_devices_are_listed_in_camera_id_order(server, sim):
    names = sim[1]
    devices = server.value("GET", "/management/v1/configureddevices")
    cameras = sorted((d for d in devices if d["DeviceType"] == "Camera"),
                     key=lambda d: d["DeviceNumber"])
    assert [(d["DeviceNumber"], d["UniqueID"], d["DeviceName"]) for d in cameras] == [
        (n, f"tqusb-camera-{i}", f"{names[i]} {i}") for n, i in enumerate(CAMERAS)]
    wheels = sorted((d for d in devices if d["DeviceType"] == "FilterWheel"),
                    key=lambda d: d["DeviceNumber"])
    assert [(d["DeviceNumber"], d["UniqueID"]) for d in wheels] == [
        (n, f"tqusb-filterwheel-{i}") for n, i in enumerate(WHEELS)]
    assert len(devices) == len(CAMERAS) + len(WHEELS)
    assert server.value("GET", "/management/apiversions") == [1]
    # The start-up lines: where it serves, then one line per camera.
    lines = server.output().splitlines()
    assert lines[0] == (f"tqalpaca: serving on http://127.0.0.1:{server.port} "
                        "(loopback only; use --listen 0.0.0.0 to serve the network)")
    assert lines[1:1 + len(CAMERAS)] == [
        f"tqalpaca: camera {n} = {names[i]} (id {i})" for n, i in enumerate(CAMERAS)]


def image_bytes(server, device, transaction):
    r = server.request("GET", f"/api/v1/camera/{device[1]}/imagearray",
                       {"ClientTransactionID": transaction},
                       headers={"Accept": "application/imagebytes"})
    assert r.status == 200 and r.content_type.startswith("application/imagebytes"), r.headers
    header = struct.unpack_from("<11i", r.body)
    return header, r.body[44:]


# Camera id, read mode (None: left as it is), bits, binning, and the window in
# binned pixels (StartX, StartY, NumX, NumY); no window is square, so columns
# and rows swapped anywhere show.
EXPOSURES = [
    (1190, 1, 16, 2, (40, 16, 96, 32)),
    (1190, 0, 8, 1, (200, 100, 48, 16)),
    (7001, 0, 16, 2, (12, 30, 64, 20)),
    (9017, 0, 16, 1, (8, 40, 32, 24)),
]


@pytest.mark.parametrize("camera_id,mode,bits,binning,window", EXPOSURES)
def test_exposure_gives_tqcams_pixels_as_json_and_imagebytes(server, work, camera_id, mode, bits,
                                                            binning, window):
    cam = server.camera(camera_id)
    x, y, width, height = window
    server.put(cam, "readoutmode", ReadoutMode=mode)
    for member, value in [("BinX", binning), ("BinY", binning), ("StartX", x), ("StartY", y),
                          ("NumX", width), ("NumY", height)]:
        server.put(cam, member.lower(), **{member: value})
    expose(server, cam)
    assert server.get(cam, "camerastate") == IDLE
    assert server.get(cam, "lastexposureduration") == pytest.approx(0.1)

    reply = server.request("GET", f"/api/v1/camera/{cam[1]}/imagearray",
                           {"ClientTransactionID": 7}).json()
    assert (reply["ErrorNumber"], reply["Type"], reply["Rank"]) == (0, 2, 2)
    columns = reply["Value"]
    assert len(columns) == width and {len(c) for c in columns} == {height}

    header, data = image_bytes(server, cam, 8)
    element = 8 if bits == 16 else 6  # UInt16 or Byte
    assert header[:3] == (1, 0, 8) and header[4:] == (44, 2, element, 2, width, height, 0)
    pixels = array.array("H" if bits == 16 else "B", data)
    if sys.byteorder == "big":
        pixels.byteswap()
    assert pixels.tolist() == [p for c in columns for p in c]

    server.put(cam, "connected", Connected="false")
    path = os.path.join(work, f"tqcam-{camera_id}-{mode}.fits")
    subprocess.run([TQCAM, "capture", str(camera_id), "-t", "0.1", "--bin", str(binning),
                    "--roi", ",".join(map(str, window)), "--mode", str(mode), "-o", path,
                    "--overwrite"], check=True, capture_output=True, timeout=60 * SLOW)
    expected = fits.getdata(path).T.tolist()  # FITS rows are y; the Alpaca order is [x][y]
    assert columns == expected
    assert len({p for c in columns for p in c}) > 1  # a flat frame would hide a swap


def test_cooling(server):
    cam = server.camera(1190)
    assert server.get(cam, "cansetccdtemperature") and server.get(cam, "cangetcoolerpower")
    server.put(cam, "setccdtemperature", SetCCDTemperature=-10)
    assert server.get(cam, "setccdtemperature") == pytest.approx(-10, abs=0.1)
    start = server.get(cam, "ccdtemperature")
    server.put(cam, "cooleron", CoolerOn="true")
    assert server.get(cam, "cooleron") is True
    wait_for("the sensor to cool", lambda: server.get(cam, "ccdtemperature") < start - 0.5, 15)
    assert 0 < server.get(cam, "coolerpower") <= 100
    server.put(cam, "cooleron", CoolerOn="false")
    assert server.get(cam, "cooleron") is False


def test_gain_and_read_modes(server):
    cam = server.camera(1190)
    assert (server.get(cam, "gainmin"), server.get(cam, "gainmax")) == (0, 240)
    server.put(cam, "gain", Gain=100)
    assert server.get(cam, "gain") == 100
    assert len(server.get(cam, "readoutmodes")) == 4
    max_adu = []
    for mode in (0, 1):  # 8 and 16 bits
        server.put(cam, "readoutmode", ReadoutMode=mode)
        assert server.get(cam, "readoutmode") == mode
        max_adu.append(server.get(cam, "maxadu"))
    assert max_adu[0] <= 255 < max_adu[1] <= 65535


def test_pulse_guide_runs_for_its_duration(server):
    cam = server.camera(1190)
    assert server.get(cam, "canpulseguide") is True
    start = time.monotonic()
    server.put(cam, "pulseguide", Direction=2, Duration=1000)  # east, 1 s
    assert server.get(cam, "ispulseguiding") is True
    wait_for("the pulse to end", lambda: not server.get(cam, "ispulseguiding"), 10)
    assert time.monotonic() - start >= 0.9


def test_filter_wheel_reports_moving_then_arrives(server):
    wheel = server.wheel(1190)
    names = server.get(wheel, "names")
    assert len(names) == 7 and all(isinstance(n, str) and n for n in names)
    assert len(server.get(wheel, "focusoffsets")) == 7
    start = wait_for("the wheel to settle", lambda: server.get(wheel, "position") + 1, 10) - 1
    target = (start + 3) % 7  # three steps: about a second in real time
    server.put(wheel, "position", Position=target)
    assert server.get(wheel, "position") == -1
    wait_for("the wheel to arrive", lambda: server.get(wheel, "position") == target, 15)


@pytest.mark.parametrize("connected_name,transaction_name", [
    ("Connected", "ClientTransactionID"),
    ("connected", "clienttransactionid"),
    ("CONNECTED", "ClientTransactionId"),
])
def test_parameter_names_in_any_case(server, connected_name, transaction_name):
    path = f"/api/v1/camera/{server.cameras[1104]}/connected"
    for state, transaction in (("true", 41), ("false", 42)):
        reply = server.request("PUT", path, {connected_name: state, transaction_name: transaction})
        assert reply.json()["ClientTransactionID"] == transaction
        assert reply.json()["ErrorNumber"] == 0
        reply = server.request("GET", path, {transaction_name: transaction + 100}).json()
        assert (reply["Value"], reply["ClientTransactionID"]) == (state == "true", transaction + 100)


def test_put_without_content_length_is_answered_at_once(server):
    # HTTP/1.1: no Content-Length and no Transfer-Encoding is an empty body.
    with socket.create_connection(("127.0.0.1", server.port), timeout=2 * SLOW) as s:
        s.sendall(f"PUT /api/v1/camera/{server.cameras[1104]}/abortexposure HTTP/1.1\r\n"
                  "Host: 127.0.0.1\r\n\r\n".encode())
        assert s.recv(100).startswith(b"HTTP/1.1 200 ")


def test_server_transaction_ids_increase(server):
    ids = []
    for _ in range(5):
        reply = server.request("GET", f"/api/v1/camera/{server.cameras[1104]}/connected").json()
        assert reply["ClientTransactionID"] == 0  # none supplied
        ids.append(reply["ServerTransactionID"])
    assert ids[0] > 0 and all(a < b for a, b in zip(ids, ids[1:]))


# Requests the server cannot interpret: HTTP 400 and a plain-text reason.
# "{cam}" is the connected generation-4 camera, "{wheel}" its wheel.
BAD_REQUESTS = [
    ("GET", "/api/v1/camera/99/name", None),              # no such device
    ("GET", "/api/v1/camera/x/name", None),               # not a number
    ("GET", "/api/v1/camera/-1/name", None),
    ("GET", "/api/v1/filterwheel/3/position", None),
    ("GET", "/api/v1/telescope/0/name", None),            # a type the server has none of
    ("GET", "/api/v1/camera/{cam}/nosuchmember", None),
    ("PUT", "/api/v1/camera/{cam}/connected", {}),        # missing parameter
    ("PUT", "/api/v1/camera/{cam}/connected", {"Connected": "yes"}),
    ("PUT", "/api/v1/camera/{cam}/binx", {"BinX": "two"}),
    ("PUT", "/api/v1/camera/{cam}/binx", {"BinX": "1.5"}),
    ("PUT", "/api/v1/camera/{cam}/setccdtemperature", {"SetCCDTemperature": "cold"}),
    ("PUT", "/api/v1/camera/{cam}/startexposure", {"Duration": "1"}),
    ("PUT", "/api/v1/camera/{cam}/pulseguide", {"Direction": "north", "Duration": "100"}),
    ("PUT", "/api/v1/filterwheel/{wheel}/position", {"Position": ""}),
]


@pytest.mark.parametrize("method,path,params", BAD_REQUESTS)
def test_uninterpretable_requests_get_400_with_text(server, method, path, params):
    server.camera(1190)
    server.wheel(1190)
    path = path.format(cam=server.cameras[1190], wheel=server.wheels[1190])
    r = server.request(method, path, params)
    assert r.status == 400 and r.content_type.startswith("text/plain") and r.body.strip(), \
        (r.status, r.headers, r.body[:200])


# Well-formed requests the device refuses: camera id, whether it is connected
# first, method, member, parameters, ASCOM error number.
DEVICE_ERRORS = [
    (1190, True, "PUT", "gain", {"Gain": 241}, INVALID_VALUE),
    (1190, True, "PUT", "binx", {"BinX": 5}, INVALID_VALUE),
    (1190, True, "PUT", "setccdtemperature", {"SetCCDTemperature": -300}, INVALID_VALUE),
    (1190, True, "PUT", "readoutmode", {"ReadoutMode": 4}, INVALID_VALUE),
    (1190, True, "PUT", "startexposure", {"Duration": -1, "Light": "true"}, INVALID_VALUE),
    (1190, True, "PUT", "pulseguide", {"Direction": 7, "Duration": 100}, INVALID_VALUE),
    ("wheel 1190", True, "PUT", "position", {"Position": 7}, INVALID_VALUE),
    (2003, True, "GET", "lastexposureduration", {}, VALUE_NOT_SET),
    (2003, True, "GET", "lastexposurestarttime", {}, VALUE_NOT_SET),
    (7001, False, "GET", "ccdtemperature", {}, NOT_CONNECTED),
    (7001, False, "PUT", "startexposure", {"Duration": 0.1, "Light": "true"}, NOT_CONNECTED),
    ("wheel 2003", False, "GET", "position", {}, NOT_CONNECTED),
    (1104, True, "PUT", "setccdtemperature", {"SetCCDTemperature": -10}, NOT_IMPLEMENTED),
    (1104, True, "GET", "coolerpower", {}, NOT_IMPLEMENTED),
    (2003, True, "PUT", "pulseguide", {"Direction": 0, "Duration": 100}, NOT_IMPLEMENTED),
    (1104, True, "GET", "imagearrayvariant", {}, NOT_IMPLEMENTED),
]


@pytest.mark.parametrize("device,connected,method,member,params,error", DEVICE_ERRORS)
def test_device_errors(server, device, connected, method, member, params, error):
    if isinstance(device, str):
        device = server.wheel(int(device.split()[1]), connected)
    else:
        device = server.camera(device, connected)
    r = server.request(method, f"/api/v1/{device[0]}/{device[1]}/{member}",
                       dict(params, ClientTransactionID=5))
    assert r.status == 200, (r.status, r.body[:200])
    reply = r.json()
    assert (reply["ErrorNumber"], reply["ClientTransactionID"]) == (error, 5), reply
    assert reply["ErrorMessage"]


def test_unplug_mid_exposure_is_an_error_and_the_camera_returns(server, sim):
    bus = sim[0]
    cam = server.camera(1104)
    server.put(cam, "startexposure", Duration=3, Light="true")
    wait_for("the exposure", lambda: server.get(cam, "camerastate") == EXPOSING, 10)
    sim_command(bus, "unplug", "1104")
    try:
        wait_for("the error state", lambda: server.get(cam, "camerastate") == ERROR, 20)
    finally:
        sim_command(bus, "plug", "1104")

    def reconnected():
        reply = server.request("PUT", f"/api/v1/camera/{cam[1]}/connected", {"Connected": "true"})
        return reply.json()["ErrorNumber"] == 0 and server.get(cam, "connected")
    wait_for("the camera to come back", reconnected, 20)
    assert server.cameras == {int(d["UniqueID"].rsplit("-", 1)[1]): d["DeviceNumber"] for d in
                              server.value("GET", "/management/v1/configureddevices")
                              if d["DeviceType"] == "Camera"}
    expose(server, cam)
    assert server.get(cam, "camerastate") == IDLE
