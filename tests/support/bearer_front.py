#!/usr/bin/env python3
"""A CardDAV server that takes OAuth 2.0 bearer tokens only, as Google's CardDAV API does (its
guide: requests carry "Authorization: Bearer" with a token of the CardDAV scope; a password is
never taken, and a token missing, expired or withdrawn is answered 401 with a Bearer challenge).

It stands on 127.0.0.1 on a port the system picks, in front of a Xandikos that checks no
password, and asks the authorization server's introspection endpoint whether each token is one
it handed out and still valid. Prints "listening PORT", then serves until it is ended.

Usage: bearer_front.py XANDIKOS_URL INTROSPECTION_URL
"""
import http.client
import http.server
import json
import sys
import urllib.parse
import urllib.request

# Hop-by-hop headers and those the front answers for itself are not passed on.
NOT_PASSED = {"authorization", "host", "connection", "keep-alive", "transfer-encoding",
              "content-length"}


def token_is_valid(introspection, token):
    request = urllib.request.Request(introspection, data=json.dumps({"token": token}).encode(),
                                     headers={"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=10) as answer:
        return json.load(answer).get("active") is True


class Front(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    backend = None
    introspection = None

    def log_message(self, *args):
        pass

    def answer(self, status, headers=(), content=b"", reason=None):
        self.send_response(status, reason)
        for name, value in headers:
            if name.lower() not in NOT_PASSED:
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(content)))
        self.end_headers()
        self.wfile.write(content)

    @classmethod
    def pass_on(cls, method, path, body, headers):
        """The backend's answer to the request: (status, reason, headers, content)."""
        backend = http.client.HTTPConnection(cls.backend.hostname, cls.backend.port,
                                             timeout=120)
        try:
            backend.request(method, path, body=body, headers=headers)
            answer = backend.getresponse()
            return answer.status, answer.reason, answer.getheaders(), answer.read()
        finally:
            backend.close()

    def signed_in(self):
        scheme, _, token = self.headers.get("Authorization", "").partition(" ")
        return scheme.lower() == "bearer" and token and token_is_valid(self.introspection, token)

    def handle_signed_in(self, body, headers):
        """What a request with a valid token is answered; here, the backend's answer."""
        status, reason, answer_headers, content = self.pass_on(self.command, self.path, body,
                                                               headers)
        self.answer(status, answer_headers, content, reason)

    def serve(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        if not self.signed_in():
            self.answer(401, [("WWW-Authenticate",
                               'Bearer realm="carddav", error="invalid_token"')])
            return
        headers = {name: value for name, value in self.headers.items()
                   if name.lower() not in NOT_PASSED}
        self.handle_signed_in(body, headers)

    do_GET = do_PUT = do_DELETE = do_POST = do_HEAD = serve
    do_OPTIONS = do_PROPFIND = do_PROPPATCH = do_REPORT = do_MKCOL = serve


def serve_forever(handler, backend_url, introspection_url):
    handler.backend = urllib.parse.urlsplit(backend_url)
    handler.introspection = introspection_url
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    print("listening", server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    serve_forever(Front, sys.argv[1], sys.argv[2])
