"""10,000 malformed requests to tqalpaca: it keeps answering and its memory
stays flat. The requests come from a seeded generator (ALPACA_BAD_INPUT_SEED
picks another sequence), so a failure names the request that caused it and
repeats."""
import os
import random
import socket
import urllib.parse

from conftest import SLOW, close_at_once

CAMERAS = [1104, 1190]
TIME_SCALE = 0
SEED = int(os.environ.get("ALPACA_BAD_INPUT_SEED", "29"))
COUNT = 10000
WARM_UP = 1000
CHECK_EVERY = 250
# Memory the allocator keeps for reuse is not growth: one malloc arena
# instead of one per server thread, and under AddressSanitizer a quarantine of
# freed blocks of 16 MB instead of 256, which the megabyte headers would fill.
SERVER_ENV = {"MALLOC_ARENA_MAX": "1",
              "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":quarantine_size_mb=16"}

MEMBERS = ["connected", "name", "startexposure", "imagearray", "binx", "numx", "startx",
           "setccdtemperature", "cooleron", "gain", "readoutmode", "pulseguide", "position",
           "names", "abortexposure", "stopexposure", "camerastate", "action", "commandblind"]
PARAMETERS = ["Connected", "Duration", "Light", "BinX", "NumX", "StartX", "SetCCDTemperature",
              "CoolerOn", "Gain", "ReadoutMode", "Direction", "Position", "ClientID",
              "ClientTransactionID", "Action", "Parameters"]
ODD_NUMBERS = ["nan", "inf", "-inf", "1e308", "-1e308", "4294967296", "-2147483649",
               "99999999999999999999999", "-0", "0x10", "1,5", "", " 1", "1 ", "+", "1e", ".",
               "true", "False", "\x00", "\u00e9", "%", "%zz", "%4", "%00"]
DEVICE_NUMBERS = ["abc", "1e3", "0x1", "+1", " 1", "1.0", "99999999999999999999", "-0", "",
                  "%31", "0/0", "4294967296", "-1", "0" * 300]
METHODS = ["DELETE", "POST", "PATCH", "OPTIONS", "TRACE", "CONNECT", "get", "G ET", "GET\x00",
           "PUT\t", "X" * 5000, ""]


def text(rng, n, alphabet=None):
    if alphabet is None:
        return rng.randbytes(n).decode("latin-1")
    return "".join(rng.choice(alphabet) for _ in range(n))


def raw(method, target, headers=(), body=b""):
    """A request; one without Content-Length gets that of its body, so that no
    request here leaves the server waiting for a body (the end-to-end test
    covers a PUT that announces none)."""
    headers = list(headers)
    if not any(k == "Content-Length" for k, _ in headers):
        headers.append(("Content-Length", len(body)))
    head = f"{method} {target} HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    head += "".join(f"{k}: {v}\r\n" for k, v in headers)
    return head.encode("latin-1", "replace") + b"\r\n" + body


def device_path(rng):
    kind = rng.choice(["camera", "filterwheel", "telescope", "Camera", ""])
    return f"/api/v1/{kind}/{rng.choice(['0', '1', '2'])}/{rng.choice(MEMBERS)}"


def odd_params(rng):
    return "&".join(f"{rng.choice(PARAMETERS + ['', '=', '&', '%zz'])}="
                    f"{rng.choice(ODD_NUMBERS + [text(rng, rng.randrange(20))])}"
                    for _ in range(rng.randrange(6)))


def random_path(rng):
    return raw("GET", "/" + text(rng, rng.randrange(200), "abcz019/%?&=.-_~!$'()*+,;:@ "))


def odd_query(rng):
    return raw("GET", device_path(rng) + "?" + odd_params(rng))


def odd_body(rng):
    body = rng.choice([odd_params(rng), text(rng, rng.randrange(2000))]).encode("latin-1", "replace")
    ctype = rng.choice(["application/x-www-form-urlencoded", "text/plain", "application/json",
                        "multipart/form-data; boundary=x", "\x01"])
    return raw("PUT", device_path(rng), [("Content-Type", ctype), ("Content-Length", len(body))],
               body)


HUGE = {}  # the huge requests, built once: building them costs more than sending


def huge_headers(rng):
    """One header of up to a megabyte, or up to 8192 short ones."""
    many = rng.random() < 0.5
    size = rng.choice([8 << 10, 64 << 10] + ([] if many else [1 << 20]))
    if (size, many) not in HUGE:
        headers = [(f"X-{i}", "b") for i in range(size // 8)] if many else [("X-Big", "a" * size)]
        HUGE[size, many] = raw("GET", "/management/apiversions", headers)
    return HUGE[size, many]


def bad_method(rng):
    return raw(rng.choice(METHODS), device_path(rng))


def truncated(rng):
    body = b"Connected=true&ClientTransactionID=1"
    whole = raw("PUT", device_path(rng), [("Content-Type", "application/x-www-form-urlencoded"),
                                          ("Content-Length", len(body))], body)
    return whole[:rng.randrange(len(whole))]


def bad_percent(rng):
    bad = rng.choice(["%", "%z1", "%4", "%00", "%ff%fe", "%%", "%C3%28", "%2"])
    if rng.random() < 0.5:
        return raw("GET", f"/api/v1/camera/0/{bad}name?ClientID=1")
    body = f"{rng.choice(PARAMETERS)}={bad}&{bad}=1".encode()
    return raw("PUT", device_path(rng), [("Content-Type", "application/x-www-form-urlencoded"),
                                         ("Content-Length", len(body))], body)


def odd_device_number(rng):
    number = urllib.parse.quote(rng.choice(DEVICE_NUMBERS), safe="%/+")
    return raw(rng.choice(["GET", "PUT"]), f"/api/v1/camera/{number}/{rng.choice(MEMBERS)}")


def huge_content_length(rng):
    length = rng.choice(["99999999999999999999", str(1 << 63), str(1 << 40), "-1", "1e9",
                         "4294967297", "12, 13"])
    return raw("PUT", device_path(rng), [("Content-Type", "application/x-www-form-urlencoded"),
                                         ("Content-Length", length)], b"Connected=true")


def random_bytes(rng):
    return rng.randbytes(rng.randrange(1, 4000))


GENERATORS = [random_path, odd_query, odd_body, huge_headers, bad_method, truncated, bad_percent,
              odd_device_number, huge_content_length, random_bytes]


# Requests whose end the server can see; the others (cut short, a body
# shorter than announced, bytes without an end of head) may leave it waiting.
COMPLETE = {random_path, odd_query, odd_body, huge_headers, bad_method, bad_percent,
            odd_device_number}


def exchange(port, data, complete):
    """Sends one request. For a complete one, returns the reply's status (0:
    the server closed without one, -1: it did neither in time); for the
    others, goes away at once."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10 * SLOW)
    try:
        s.sendall(data)
        if not complete:
            return None
        reply = b""
        while b"\r\n\r\n" not in reply:
            chunk = s.recv(1 << 16)
            if not chunk:
                return 0
            reply += chunk
        return int(reply.split(b" ", 2)[1])
    except (ConnectionResetError, BrokenPipeError):
        return 0  # refused before the whole request was read
    except socket.timeout:
        return -1
    finally:
        close_at_once(s)


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


def test_malformed_requests_leave_the_server_answering_with_flat_memory(server):
    # Two open cameras, so that requests that get through reach real devices.
    for camera_id in CAMERAS:
        server.camera(camera_id)
    rng = random.Random(SEED)
    baseline = None
    for i in range(COUNT):
        generator = rng.choice(GENERATORS)
        data = generator(rng)
        where = f"request {i} (seed {SEED}, {generator.__name__}): {data[:300]!r}"
        status = exchange(server.port, data, generator in COMPLETE)
        assert status != -1, f"neither an answer nor a close after {where}"
        assert status is None or status < 500, f"HTTP {status} for {where}"
        if (i + 1) % CHECK_EVERY == 0:
            assert server.proc.poll() is None, f"tqalpaca ended after {where}"
            assert server.value("GET", "/management/apiversions") == [1], where
        if i + 1 == WARM_UP:
            baseline = resident_kb(server.proc.pid)
    end = resident_kb(server.proc.pid)
    # Buffers the allocator keeps are fine; growth with the number of
    # requests is not. The sanitizers' allocators hold freed memory longer.
    margin = max(8 << 10, baseline // (2 if SLOW > 1 else 10))
    assert end <= baseline + margin, f"VmRSS {baseline} kB after {WARM_UP} requests, {end} kB after {COUNT}"
