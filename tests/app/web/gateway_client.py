"""The gateway's side of the wire: framed requests to the program and its replies.

Request: a 20-byte header of big-endian words (total length, key length K, query length Q, 8 unused
bytes), then the key, a NUL, the query, a NUL, the settings and a NUL. Reply: total length, body
length, 8 zero bytes, then the page.
"""
import os
import socket
import struct
import time

# The bound of tests/app/wait_bound.h: each wait ends on its event, and one deadline of this many
# seconds for a whole test, multiplied by QEB_TEST_TIME_SCALE, ends a test whose program hangs.
TEST_SECONDS = 240.0


def time_scale():
    try:
        scale = float(os.environ.get("QEB_TEST_TIME_SCALE", ""))
    except ValueError:
        return 1.0
    return scale if 0 < scale < 1000 else 1.0


def scaled(seconds):
    return seconds * time_scale()


class Deadline:
    """One deadline, started when made; every wait of a test takes what is left of it."""

    def __init__(self, seconds=TEST_SECONDS):
        self.end = time.monotonic() + scaled(seconds)

    def left(self):
        return max(0.0, self.end - time.monotonic())

    def passed(self):
        return self.left() == 0.0


def request_bytes(query, key="", settings=""):
    key_b, query_b, settings_b = (t.encode("utf-8") if isinstance(t, str) else t
                                  for t in (key, query, settings))
    body = key_b + b"\0" + query_b + b"\0" + settings_b + b"\0"
    return struct.pack(">III8x", 20 + len(body), len(key_b), len(query_b)) + body


class Closed(Exception):
    """The program closed the connection; partial when part of a reply had come."""

    def __init__(self, partial=False):
        super().__init__("closed in the middle of a reply" if partial else "closed")
        self.partial = partial


def read_exactly(sock, count, deadline):
    data = b""
    while len(data) < count:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise TimeoutError("no reply in time")
        sock.settimeout(remaining)
        try:
            chunk = sock.recv(count - len(data))
        except ConnectionResetError:
            chunk = b""
        if not chunk:
            raise Closed(partial=bool(data))
        data += chunk
    return data


def read_reply(sock, timeout=scaled(20.0)):
    """The page of the next reply; checks the header's shape."""
    deadline = time.monotonic() + timeout
    header = read_exactly(sock, 16, deadline)
    total, length = struct.unpack(">II", header[:8])
    if total != length + 16 or header[8:] != b"\0" * 8:
        raise ValueError("bad reply header %r" % header)
    try:
        return read_exactly(sock, length, deadline)
    except Closed:
        raise Closed(partial=True)


class Gateway:
    """One kept connection, as a gateway that reuses its connection would hold it."""

    def __init__(self, port, host="127.0.0.1", timeout=scaled(20.0)):
        self.port, self.host, self.timeout = port, host, timeout
        self.sock = None

    def connect(self):
        self.sock = socket.create_connection((self.host, self.port), timeout=self.timeout)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def fetch(self, query, key="", settings=""):
        if self.sock is None:
            self.connect()
        self.sock.sendall(request_bytes(query, key, settings))
        return read_reply(self.sock, self.timeout)

    def close(self):
        if self.sock is not None:
            self.sock.close()
            self.sock = None


def fetch_once(port, query, key="", settings="", timeout=scaled(20.0)):
    """One request on a new connection."""
    gateway = Gateway(port, timeout=timeout)
    try:
        return gateway.fetch(query, key, settings)
    finally:
        gateway.close()
