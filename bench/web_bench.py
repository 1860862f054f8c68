#!/usr/bin/env python3
"""The web gateway's speed beside a plain Python web server (by hand, not in CI).

Starts qeb.exe under Wine with the example database and the web service on a free loopback port,
captures the overview's and an analysis page's bytes, and serves the same bytes from Python's
ThreadingHTTPServer (HTTP/1.1, Nagle off). One harness drives both: 1 and 8 clients, each either
keeping one connection or opening a new one per request, for a fixed time per case. It reports
requests per second, the median and 99th-percentile latency, and QEB's ratio to the peer.

The overview's reply bytes are also served by bench/web_ceiling.exe (built with the target
"benchmarks"), a bare Winsock server without QEB's code, once blocking and once in the
WSAAsyncSelect style: what any design can reach under this Wine. The cases run ROUNDS times, each
round in the same interleaved order (QEB, peer, the bare servers), so that a machine loaded by
others weighs on all alike; the summary gives each one's median and range over the rounds.

Usage (with a display, e.g. inside xvfb-run): bench/web_bench.py [BUILD_DIR] [SECONDS] [ROUNDS=3]
"""
import http.server
import os
import re
import socket
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "app", "web"))
from gateway_client import read_reply, request_bytes  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE, "build"))
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 3
CEILING = os.path.join(BUILD, "bench", "web_ceiling.exe")
WINE_EXEC = os.path.join(BUILD, "wine-exec")
PREFS_KEY = r"HKCU\Software\Trelvik\QEB/TK"
KEY = "bench-key"


def wine(*args):
    return subprocess.run([WINE_EXEC, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=60)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def connect(port):
    sock = socket.create_connection(("127.0.0.1", port), timeout=30)
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return sock


class QebTarget:
    def __init__(self, port, query):
        self.port, self.request = port, request_bytes(query, KEY)

    def exchange(self, sock):
        sock.sendall(self.request)
        return read_reply(sock)


class HttpTarget:
    def __init__(self, port, path):
        self.port = port
        self.request = ("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" % path).encode()

    def exchange(self, sock):
        sock.sendall(self.request)
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        length = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        while len(body) < length:
            body += sock.recv(65536)
        return body


def drive(target, clients, kept):
    latencies, lock, end = [], threading.Lock(), time.monotonic() + SECONDS

    def connect_in_time():
        # One connection at a time with a backlog of 1: the others are refused meanwhile.
        while time.monotonic() < end:
            try:
                return connect(target.port)
            except ConnectionRefusedError:
                time.sleep(0.001)
        return None

    def client():
        mine = []
        sock = connect_in_time() if kept else None
        while sock is not None or not kept:
            if time.monotonic() >= end:
                break
            started = time.perf_counter()
            if kept:
                target.exchange(sock)
            else:
                fresh = connect_in_time()
                if fresh is None:
                    break
                with fresh:
                    target.exchange(fresh)
            mine.append(time.perf_counter() - started)
        if sock:
            sock.close()
        with lock:
            latencies.extend(mine)

    threads = [threading.Thread(target=client) for _ in range(clients)]
    begun = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    elapsed = time.monotonic() - begun
    latencies.sort()
    p99 = latencies[min(len(latencies) - 1, int(len(latencies) * 0.99))]
    return len(latencies) / elapsed, statistics.median(latencies) * 1000, p99 * 1000


CEILING_PROCESSES = []


def start_ceilings(page):
    """The bare Winsock servers serving the page, as (style, port); none when not built."""
    if not os.path.exists(CEILING):
        print("(no %s: build the target benchmarks for the bare Winsock rows)" % CEILING)
        return []
    page_file = os.path.join(BUILD, "web_bench_page.html")
    with open(page_file, "wb") as out:
        out.write(page)
    ceilings = []
    for style in ("blocking", "async"):
        ceiling_port = free_port()
        CEILING_PROCESSES.append(subprocess.Popen(
            [WINE_EXEC, CEILING, style, str(ceiling_port), "Z:" + page_file.replace("/", "\\")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            try:
                with connect(ceiling_port) as sock:
                    sock.sendall(request_bytes("", KEY))
                    if read_reply(sock) == page:
                        break
            except OSError:
                time.sleep(0.3)
        ceilings.append((style, ceiling_port))
    return ceilings


def main():
    port = free_port()
    saved = os.path.join(BUILD, "web_bench_prefs.reg")
    had = wine("reg", "export", PREFS_KEY, "Z:" + saved.replace("/", "\\"), "/y").returncode == 0
    for name, value in (("ServeWebQEB", "+"), ("WebqebPort", str(port)), ("Associate", "-")):
        wine("reg", "add", PREFS_KEY, "/v", name, "/d", value, "/f")
    example = "Z:" + os.path.join(SOURCE, "examples", "Example.qeb").replace("/", "\\")
    program = subprocess.Popen([WINE_EXEC, os.path.join(BUILD, "app", "qeb.exe"), example],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline, overview, base = time.monotonic() + 60, b"", None
        while base is None and time.monotonic() < deadline:
            try:
                with connect(port) as sock:
                    sock.sendall(request_bytes("", KEY))
                    overview = read_reply(sock)
                found = re.search(rb'templates=([^"&:]+)">Example', overview)
                base = found.group(1).decode() if found else None
            except OSError:
                time.sleep(0.3)
        with connect(port) as sock:
            sock.sendall(request_bytes("templates=" + base, KEY))
            menu = read_reply(sock).decode()
        analysis = re.search(r'\?((?:cards|lines|comps|tfunc|cfunc)=[^"]+)"', menu).group(1)
        pages = {"overview": "templates=" + base, "analysis": analysis}
        captured = {}
        for name, query in pages.items():
            with connect(port) as sock:
                sock.sendall(request_bytes(query, KEY))
                captured[name] = read_reply(sock)

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"
            disable_nagle_algorithm = True

            def do_GET(self):
                body = captured[self.path.strip("/")]
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        ceilings = start_ceilings(captured["overview"])
        rows = {}
        print("round\tpage\tclients\tconnection\tserver\treq/s\tmedian ms\tp99 ms")
        for round_number in range(1, ROUNDS + 1):
            for name, query in pages.items():
                for clients in (1, 8):
                    for kept in (True, False):
                        targets = [("QEB", QebTarget(port, query)),
                                   ("peer", HttpTarget(server.server_port, "/" + name))]
                        if name == "overview":
                            targets += [("bare " + style, QebTarget(ceiling_port, query))
                                        for style, ceiling_port in ceilings]
                        for label, target in targets:
                            figures = drive(target, clients, kept)
                            case = (name, clients, "kept" if kept else "new")
                            rows.setdefault(case, {}).setdefault(label, []).append(figures[0])
                            print("%d\t%s\t%d\t%s\t%s\t%.0f\t%.2f\t%.2f" % (
                                round_number, *case, label, *figures), flush=True)
        print()
        print("page\tclients\tconnection\tserver\tmedian req/s\tmin\tmax\tratio to peer")
        for case, servers in rows.items():
            peer = statistics.median(servers["peer"])
            for label, rates in servers.items():
                print("%s (%d bytes)\t%d\t%s\t%s\t%.0f\t%.0f\t%.0f\t%.2f" % (
                    case[0], len(captured[case[0]]), case[1], case[2], label,
                    statistics.median(rates), min(rates), max(rates),
                    statistics.median(rates) / peer))
        server.shutdown()
    finally:
        for process in CEILING_PROCESSES:
            process.kill()
            process.wait()
        program.terminate()
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()
        wine("reg", "delete", PREFS_KEY, "/f")
        if had:
            wine("reg", "import", "Z:" + saved.replace("/", "\\"))


if __name__ == "__main__":
    main()
