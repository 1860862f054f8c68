#!/usr/bin/env python3
"""The real program from outside: qeb.exe runs under Wine with the example database and a small
database whose names carry markup characters, with the web service switched on in its settings;
this script plays the gateway over 127.0.0.1, then a browser through a test-only WSGI gateway, then
eight clients at once, and finally closes the program in the middle of the load.

Usage: web_gateway_test.py QEB_EXE WINE_EXEC FRAME_TOOL SOURCE_DIR OUTPUT_DIR
"""
import html
import html.parser
import http.cookiejar
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import urllib.request
import wsgiref.simple_server

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gateway_client import (Closed, Deadline, Gateway, fetch_once, request_bytes,  # noqa: E402
                            scaled)
from wsgi_bridge import make_app  # noqa: E402

QEB_EXE, WINE_EXEC, FRAME_TOOL, SOURCE_DIR, OUTPUT_DIR = sys.argv[1:6]
PREFS_KEY = r"HKCU\Software\Trelvik\QEB/TK"
KEY = "gateway-test-key"

# The database with web users; its file name and its names carry markup characters.
FIXTURE_NAME = "Q&A 'Club'.qex"
FIXTURE_TEXT = (
    "\ufeff##QEB-Text\t121122\r\n\r\n"
    "##WebUsers\r\nU\tann\tsecret\r\nBI\r\nCL\r\n\r\n"
    "##Templates\r\n"
    "#C\t<Reports> & \"Co\": Cards \u00e5\u00e4\u00f6 'q'\r\n\r\n"
    "#L\tPlain lines\r\n\r\n"
    "##End\r\n")
FOLDER = "<Reports> & \"Co\""
CHILD = "Cards \u00e5\u00e4\u00f6 'q'"

TAGS = {"head", "meta", "link", "title", "body", "table", "tr", "td", "th", "a", "img", "span",
        "br", "hr", "form", "input", "script", "p", "h3", "h4", "tt"}
ATTRIBUTES = {"http-equiv", "content", "rel", "href", "type", "class", "border", "cellspacing",
              "cellpadding", "valign", "alt", "src", "align", "width", "height", "action",
              "method", "name", "value", "language"}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*args, **kwargs):
    return subprocess.run([WINE_EXEC, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=scaled(240), **kwargs)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class PageChecker(html.parser.HTMLParser):
    """Collects the elements, attributes and text of a page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.attributes, self.text, self.links = [], [], [], []

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        for name, value in attrs:
            self.attributes.append(name)
            if tag == "a" and name == "href":
                self.links.append(value)

    def handle_data(self, data):
        self.text.append(data)


def check_page(test, page, name):
    """A page as a browser gets it: UTF-8, LF line ends, only the elements and attributes the
    pages write. Kept under OUTPUT_DIR to look at."""
    os.makedirs(OUTPUT_DIR, exist_ok=True)
    with open(os.path.join(OUTPUT_DIR, name + ".html"), "wb") as out:
        out.write(page)
    text = page.decode("utf-8")  # raises on anything that is not UTF-8
    test.assertNotIn("\r", text, name)
    checker = PageChecker()
    checker.feed(text)
    checker.close()
    test.assertTrue(set(checker.tags) <= TAGS, (name, set(checker.tags) - TAGS))
    test.assertTrue(set(checker.attributes) <= ATTRIBUTES,
                    (name, set(checker.attributes) - ATTRIBUTES))
    scripts = checker.tags.count("script")
    test.assertLessEqual(scripts, 1 if "loginform" in text else 0, name)
    return checker


class WebGatewayTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="qeb-web-")
        cls.fixture = os.path.join(cls.folder, FIXTURE_NAME)
        with open(cls.fixture, "w", encoding="utf-8", newline="") as out:
            out.write(FIXTURE_TEXT)
        cls.alerts = os.path.join(cls.folder, "alerts.txt")
        cls.saved = os.path.join(cls.folder, "prefs.reg")
        cls.had_prefs = wine("reg", "export", PREFS_KEY, windows_path(cls.saved), "/y").returncode == 0
        cls.port = free_port()
        for name, value in (("ServeWebQEB", "+"), ("WebqebPort", str(cls.port)), ("Associate", "-")):
            wine("reg", "add", PREFS_KEY, "/v", name, "/d", value, "/f")
        wine("reg", "delete", PREFS_KEY, "/v", "WebqebAddress", "/f")
        env = dict(os.environ, QEB_ALERT_FILE=windows_path(cls.alerts))
        example = os.path.join(SOURCE_DIR, "examples", "Example.qeb")
        cls.program = subprocess.Popen(
            # The quoted path first: a blank before a quote does not end an unquoted path.
            [WINE_EXEC, QEB_EXE, windows_path(cls.fixture), windows_path(example)], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = Deadline()
        while not deadline.passed():
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                break
            except OSError:
                if cls.program.poll() is not None:
                    raise RuntimeError("qeb.exe ended at start-up")
                time.sleep(0.2)
        else:
            raise RuntimeError("the web service did not open its port")
        # The documents of the command line open once the main loop runs.
        ids = {}
        while len(ids) < 2 and not deadline.passed():
            overview = fetch_once(cls.port, "", KEY).decode("utf-8")
            ids = {html.unescape(name): id for id, name in
                   re.findall(r'href="qeb\.cgi\?templates=([^"&:]+)">([^<]*)</a>', overview)}
            time.sleep(0.2)
        if len(ids) < 2:
            alerts = "(no alert file)"
            if os.path.exists(cls.alerts):
                with open(cls.alerts, encoding="utf-8", errors="replace") as file:
                    alerts = file.read()
            cls.program.kill()
            raise RuntimeError("the databases did not open; alerts: " + alerts)
        cls.example_id, cls.fixture_id = ids["Example.qeb"], ids[FIXTURE_NAME]

    @classmethod
    def tearDownClass(cls):
        if cls.program.poll() is None:
            wine(FRAME_TOOL, "close", "Default")
            try:
                cls.program.wait(timeout=Deadline().left())
            except subprocess.TimeoutExpired:
                cls.program.kill()
        wine("reg", "delete", PREFS_KEY, "/f")
        if cls.had_prefs:
            wine("reg", "import", windows_path(cls.saved))
        shutil.rmtree(cls.folder, ignore_errors=True)

    def fetch(self, query, key=KEY, settings=""):
        return fetch_once(self.port, query, key, settings)

    def test_1_pages_from_a_gateway(self):
        overview = check_page(self, self.fetch(""), "overview")
        self.assertIn("Example.qeb", overview.text)
        self.assertIn(FIXTURE_NAME, overview.text)
        example = self.fetch("templates=" + self.example_id)
        checker = check_page(self, example, "overview_example")
        def analyses_of(links):
            return [link for link in links
                    if re.search(r"\?(cards|lines|comps|tfunc|cfunc)=", link)]
        analyses = analyses_of(checker.links)
        # The example keeps its templates in folders: a folder's page lists them.
        for folder in [link for link in checker.links if "?templates=" in link]:
            if analyses:
                break
            page = self.fetch(folder.split("?", 1)[1])
            analyses = analyses_of(check_page(self, page, "overview_folder").links)
        self.assertTrue(analyses)
        query = analyses[0].split("?", 1)[1]
        check_page(self, self.fetch(query), "analysis")
        card = check_page(self, self.fetch("card=%s:240101-1" % self.example_id), "card")
        self.assertIn("240101-001 Faktura 1714", "".join(card.text))
        self.assertIn("Presentkartong", card.text)
        nothing = check_page(self, self.fetch("card=%s:240101-99" % self.example_id), "no_card")
        self.assertIn("Unable to show the card", "".join(nothing.text))
        info = check_page(self, self.fetch("baseinfo=" + self.example_id), "baseinfo")
        self.assertNotIn("Unable to show", "".join(info.text))
        version = check_page(self, self.fetch("version"), "version")
        self.assertIn("QEB 5.7", version.text)
        # The page's lengths: the reply header said what came.
        page = self.fetch("version")
        self.assertTrue(page.startswith(b"<head>\n") and page.endswith(b"</body>\n"))
        # The fixture's database asks for a login; a short key gets nothing.
        login = self.fetch("templates=" + self.fixture_id)
        check_page(self, login, "login")
        self.assertIn(b'name="base" value="%s"' % self.fixture_id.encode(), login)
        self.assertEqual(self.fetch("templates=" + self.fixture_id, key="abc"), b"")

    def test_2_only_loopback_answers(self):
        others = {"127.0.0.2"}
        try:
            others |= {info[4][0] for info in socket.getaddrinfo(socket.gethostname(), None,
                                                                   socket.AF_INET)}
        except OSError:
            pass
        for address in sorted(others - {"127.0.0.1"}):
            with self.assertRaises(OSError, msg=address):
                socket.create_connection((address, self.port), timeout=2).close()

    def test_3_a_browser_through_the_wsgi_gateway(self):
        server = wsgiref.simple_server.make_server("127.0.0.1", 0, make_app(self.port))
        server.RequestHandlerClass.log_message = lambda *args: None
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()
        base = "http://127.0.0.1:%d" % server.server_port
        opener = urllib.request.build_opener(
            urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
        try:
            def get(path, data=None):
                with opener.open(base + path, data=data, timeout=scaled(30)) as response:
                    return response.read()

            # Crawl the overview's links, bounded.
            seen, queue = set(), ["/qeb.cgi"]
            while queue and len(seen) < 40:
                path = queue.pop(0)
                if path in seen:
                    continue
                seen.add(path)
                checker = check_page(self, get(path), "crawl_%02d" % len(seen))
                for link in checker.links:
                    if link.startswith("/qeb.cgi?") and link not in seen:
                        queue.append(link)
            self.assertGreater(len(seen), 5)

            # A login on the database with web users: wrong, then right.
            asked = "/qeb.cgi?templates=" + self.fixture_id
            self.assertIn(b"loginform", get(asked))
            for password, admitted in (("wrong", False), ("SECRET", True)):
                form = urllib.parse.urlencode({"username": "ann", "password": password,
                                               "base": self.fixture_id, "action": "Login"})
                redirect = get("/qeb.cgi", form.encode()).decode()
                target = re.search(r'url=([^"]*)"', redirect).group(1)
                page = get(target)
                self.assertEqual(b"loginform" not in page, admitted, password)
            checker = check_page(self, page, "fixture_logged_in")
            self.assertIn(FIXTURE_NAME, checker.text)
            self.assertIn(FOLDER, checker.text)
            # The folder's page lists its template, the name intact.
            folder = [link for link in checker.links
                      if link.startswith("/qeb.cgi?templates=%s:" % self.fixture_id)]
            self.assertEqual(len(folder), 1)
            inside = check_page(self, get(folder[0]), "fixture_folder")
            self.assertIn(CHILD, inside.text)

            # Hostile queries: a page of the program, never an element of the query's making.
            for number, query in enumerate([
                    '"><script>alert(1)</script>', "%00%FF", "templates=%C3%28&lang=\"<x>",
                    "cards=" + self.fixture_id + ":zzzz&page=99999999999999999999",
                    "card=" + self.fixture_id + ":991231-9999999999", "menus=sDx<img>",
                    "templates=" + self.fixture_id + "&menus=none&menus=P&lang=SE&lang=FI"]):
                page = get("/qeb.cgi?" + urllib.parse.quote(query, safe="=&:%"))
                check_page(self, page, "hostile_%d" % number)
        finally:
            server.shutdown()
            server.server_close()

    def test_4_eight_clients_at_once(self):
        # Four clients keep one connection each, four take a new one per request; the service
        # serves one connection at a time, so the others wait their turn in the backlog.
        errors = []

        def client(number):
            kept = Gateway(self.port, timeout=scaled(60)) if number < 4 else None
            try:
                for i in range(25):
                    query = "version" if i % 3 else "templates=" + self.example_id
                    for attempt in range(50):
                        try:
                            page = (kept.fetch(query, KEY) if kept else
                                    fetch_once(self.port, query, KEY, timeout=scaled(60)))
                            break
                        except ConnectionRefusedError:
                            time.sleep(0.1)
                    if not (page.startswith(b"<head>") and page.endswith(b"</body>\n")):
                        errors.append((number, i, page[:60]))
            except Exception as error:  # noqa: BLE001 - every failure is reported below
                errors.append((number, repr(error)))
            finally:
                if kept:
                    kept.close()

        threads = [threading.Thread(target=client, args=(n,)) for n in range(8)]
        started = time.monotonic()
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(180)
        self.assertEqual(errors, [])
        print("\n8 clients x 25 requests: %.1f s" % (time.monotonic() - started))
        self.assertIn(b"QEB 5.7", self.fetch("version"))

    def test_5_closing_in_the_middle_of_the_load(self):
        outcomes, stop = [], threading.Event()

        def client():
            while not stop.is_set():
                try:
                    fetch_once(self.port, "version", KEY, timeout=scaled(15))
                    outcomes.append("reply")
                except Closed as closed:
                    outcomes.append("partial" if closed.partial else "closed")
                    if closed.partial:
                        return
                except OSError:
                    outcomes.append("refused")
                    time.sleep(0.05)

        threads = [threading.Thread(target=client, daemon=True) for _ in range(4)]
        for thread in threads:
            thread.start()
        time.sleep(0.5)
        # Served one connection at a time: the idle one and the one stopped halfway hold the
        # service (and the load waits in the backlog, or is refused) when the close comes.
        idle, halfway = [], []
        try:
            for held in (idle, halfway):
                try:
                    held.append(socket.create_connection(("127.0.0.1", self.port), timeout=3))
                except OSError:
                    pass
            for sock in halfway:
                sock.sendall(request_bytes("version", KEY)[:9])
            time.sleep(0.5)
            started = time.monotonic()
            self.assertEqual(wine(FRAME_TOOL, "close", "Default").returncode, 0)
            code = self.program.wait(timeout=Deadline().left())
            elapsed = time.monotonic() - started
        finally:
            stop.set()
        for thread in threads:
            thread.join(30)
        self.assertEqual(code, 0)
        self.assertLess(elapsed, scaled(10.0))
        self.assertNotIn("partial", outcomes)
        self.assertIn("reply", outcomes)
        for sock in idle + halfway:
            sock.settimeout(5)
            try:
                self.assertEqual(sock.recv(16), b"")
            except ConnectionResetError:
                pass
            sock.close()
        if os.path.exists(self.alerts):
            with open(self.alerts, "rb") as alerts:
                self.assertEqual(alerts.read(), b"")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
