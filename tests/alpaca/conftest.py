"""Fixtures of the tqalpaca tests: the simulator with a chosen set of cameras
on a private bus, tqalpaca on free ports in front of it, and a small HTTP
client built on the standard library.

A test module names its cameras in CAMERAS (ids from the simulator's model
file) and the simulated clock in TIME_SCALE; the server and the simulator
live for the whole module.
"""
import http.client
import json
import os
import random
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time
import urllib.parse

import pytest

TQALPACA = os.environ["TQALPACA"]
TQSIM = os.environ["TQSIM"]
TQCAM = os.environ["TQCAM"]
SIM_MODELS = os.environ["TQSIM_MODELS"]
# Sanitizer builds run the server several times slower.
SLOW = float(os.environ.get("ALPACA_TEST_SLOW", "1"))


def free_port(kind=socket.SOCK_STREAM):
    """A port on 127.0.0.1 that nothing holds, below the kernel's ephemeral
    range: client connections (thousands in the bad-input test) leave their
    local ports there in TIME-WAIT, where a server could not bind."""
    with open("/proc/sys/net/ipv4/ip_local_port_range") as f:
        low = int(f.read().split()[0])
    while True:
        port = random.randrange(10000, max(low, 11000))
        with socket.socket(socket.AF_INET, kind) as s:
            try:
                s.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue


def close_at_once(sock):
    """Closing with a reset leaves no TIME-WAIT behind on the client's port."""
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def wait_for(what, condition, seconds):
    """Polls condition() until it returns a true value; fails after seconds."""
    deadline = time.monotonic() + seconds * SLOW
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            pytest.fail(f"timed out waiting for {what}")
        time.sleep(0.02)


class Reply:
    def __init__(self, status, headers, body):
        self.status = status
        self.headers = {k.lower(): v for k, v in headers}
        self.body = body

    @property
    def content_type(self):
        return self.headers.get("content-type", "")

    def json(self):
        return json.loads(self.body)


class Server:
    """tqalpaca as a separate process, and requests to it."""

    def __init__(self, work, bus, env=None):
        self.port = free_port()
        self.discovery_port = free_port(socket.SOCK_DGRAM)
        self.stdout_path = os.path.join(work, "tqalpaca.out")
        self.stderr_path = os.path.join(work, "tqalpaca.err")
        with open(self.stdout_path, "w") as out, open(self.stderr_path, "w") as err:
            self.proc = subprocess.Popen(
                [TQALPACA, "--port", str(self.port), "--discovery-port", str(self.discovery_port),
                 "--bus", bus], stdout=out, stderr=err, env=dict(os.environ, **(env or {})))

    def wait_ready(self):
        wait_for("tqalpaca to answer", self._answers, 30)
        self.cameras = {}  # camera id -> device number
        self.wheels = {}
        for d in self.value("GET", "/management/v1/configureddevices"):
            number = int(d["UniqueID"].rsplit("-", 1)[1])
            (self.cameras if d["DeviceType"] == "Camera" else self.wheels)[number] = d["DeviceNumber"]

    def _answers(self):
        if self.proc.poll() is not None:
            pytest.fail(f"tqalpaca exited with {self.proc.returncode}: {self.errors()}")
        try:
            return self.request("GET", "/management/apiversions", timeout=2).status == 200
        except OSError:
            return False

    def errors(self):
        with open(self.stderr_path) as f:
            return f.read()

    def output(self):
        with open(self.stdout_path) as f:
            return f.read()

    def stop(self):
        """SIGTERM, and the exit status 0 that promises every camera was released
        (under the sanitizers also: no leak, no race)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            status = self.proc.wait(timeout=30 * SLOW)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            pytest.fail("tqalpaca did not end on SIGTERM")
        assert status == 0, f"tqalpaca exited with {status}: {self.errors()[-4000:]}"

    def request(self, method, path, params=None, headers=None, timeout=30):
        """GET with params in the query, PUT with them as a form body."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout * SLOW)
        try:
            body = None
            headers = dict(headers or {})
            if params is not None:
                encoded = urllib.parse.urlencode(params)
                if method == "GET":
                    path += "?" + encoded
                else:
                    body = encoded
                    headers["Content-Type"] = "application/x-www-form-urlencoded"
            conn.request(method, path, body=body, headers=headers)
            r = conn.getresponse()
            return Reply(r.status, r.getheaders(), r.read())
        finally:
            if conn.sock:
                close_at_once(conn.sock)
            conn.close()

    def value(self, method, path, params=None):
        """The Value of a request that must succeed."""
        r = self.request(method, path, params)
        assert r.status == 200, f"{method} {path} {params}: {r.status} {r.body[:200]!r}"
        reply = r.json()
        assert reply["ErrorNumber"] == 0, f"{method} {path} {params}: {reply}"
        return reply.get("Value")

    # Device members: device is ("camera" | "filterwheel", device number).
    def get(self, device, member, **params):
        return self.value("GET", f"/api/v1/{device[0]}/{device[1]}/{member}", params)

    def put(self, device, member, **params):
        return self.value("PUT", f"/api/v1/{device[0]}/{device[1]}/{member}", params)

    def camera(self, camera_id, connected=True):
        device = ("camera", self.cameras[camera_id])
        self.put(device, "connected", Connected=str(connected).lower())
        return device

    def wheel(self, camera_id, connected=True):
        device = ("filterwheel", self.wheels[camera_id])
        self.put(device, "connected", Connected=str(connected).lower())
        return device


def sim_command(bus, *args):
    subprocess.run([TQSIM, "--bus", bus, *args], check=True, stdout=subprocess.DEVNULL,
                   timeout=30 * SLOW)


@pytest.fixture(scope="module")
def work():
    path = tempfile.mkdtemp(prefix="tqalpaca-test-")
    yield path
    shutil.rmtree(path, ignore_errors=True)


@pytest.fixture(scope="module")
def sim(request, work):
    """tqsim serving the module's CAMERAS on a private bus; yields the bus root
    and each camera's model text (as tqcam lists it)."""
    bus = os.path.join(work, "bus")
    os.makedirs(bus)
    os.environ["TQUSB_BUS_DIR"] = bus  # for tqcam and tqsim commands
    os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    wanted = set(request.module.CAMERAS)
    with open(SIM_MODELS) as f:
        models = [c for c in json.load(f)["cameras"] if c.get("camera_id") in wanted]
    config = os.path.join(work, "cameras.json")
    with open(config, "w") as f:
        json.dump({"cameras": models}, f)
    proc = subprocess.Popen([TQSIM, "serve", "--bus", bus, "--config", config, "--time-scale",
                             str(request.module.TIME_SCALE), "--cached-frames"],
                            stdout=subprocess.PIPE, text=True)
    try:
        assert "published" in proc.stdout.readline()
        listing = subprocess.run([TQCAM, "list"], check=True, capture_output=True, text=True,
                                 timeout=30 * SLOW).stdout
        names = {int(m[1]): m[2] for m in re.finditer(r"^(\d+)\s+(.+?)\s{2,}\d+x\d+", listing, re.M)}
        assert sorted(names) == sorted(wanted), listing
        yield bus, names
    finally:
        proc.terminate()
        proc.wait()


@pytest.fixture(scope="module")
def server(request, sim, work):
    s = Server(work, sim[0], getattr(request.module, "SERVER_ENV", None))
    try:
        s.wait_ready()
        yield s
    finally:
        s.stop()
