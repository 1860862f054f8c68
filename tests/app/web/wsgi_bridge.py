"""A test-only web gateway: a WSGI application that turns a browser's GET or POST into the wire
request (the "qebkey" cookie as the client key, fixed gateway settings) and the reply into an HTML
response. Run with wsgiref's server; nothing here is for production."""
import secrets
import urllib.parse

from gateway_client import fetch_once

SETTINGS = 'gateway=/qeb.cgi document-root=/ images=images/ stylesheet=qeb.css'


def make_app(port):
    def app(environ, start_response):
        query = environ.get("QUERY_STRING", "")
        if environ.get("REQUEST_METHOD") == "POST":
            length = int(environ.get("CONTENT_LENGTH") or 0)
            body = environ["wsgi.input"].read(length).decode("utf-8", "replace")
            query = body if not query else query + "&" + body
        cookies = {}
        for part in environ.get("HTTP_COOKIE", "").split(";"):
            name, _, value = part.strip().partition("=")
            if name:
                cookies[name] = value
        headers = [("Content-Type", "text/html; charset=utf-8")]
        key = cookies.get("qebkey")
        if not key:
            key = secrets.token_hex(8)
            headers.append(("Set-Cookie", "qebkey=%s; Path=/" % key))
        if environ.get("PATH_INFO", "/") != "/qeb.cgi":
            start_response("404 Not Found", headers)
            return [b"not here"]
        page = fetch_once(port, query, key, SETTINGS)
        start_response("200 OK", headers + [("Content-Length", str(len(page)))])
        return [page]
    return app


def quote_query(params):
    return urllib.parse.urlencode(params)
