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

BACKEND = urllib.parse.urlsplit(sys.argv[1])
INTROSPECTION = sys.argv[2]
# Hop-by-hop headers and those the front answers for itself are not passed on.
NOT_PASSED = {"authorization", "host", "connection", "keep-alive", "transfer-encoding",
              "content-length"}


def token_is_valid(token):
    request = urllib.request.Request(INTROSPECTION, data=json.dumps({"token": token}).encode(),
                                     headers={"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=10) as answer:
        return json.load(answer).get("active") is True


class Front(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def serve(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        authorization = self.headers.get("Authorization", "")
        scheme, _, token = authorization.partition(" ")
        if scheme.lower() != "bearer" or not token or not token_is_valid(token):
            self.send_response(401)
            self.send_header("WWW-Authenticate",
                             'Bearer realm="carddav", error="invalid_token"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        headers = {name: value for name, value in self.headers.items()
                   if name.lower() not in NOT_PASSED}
        backend = http.client.HTTPConnection(BACKEND.hostname, BACKEND.port, timeout=120)
        backend.request(self.command, self.path, body=body, headers=headers)
        answer = backend.getresponse()
        content = answer.read()
        self.send_response(answer.status, answer.reason)
        for name, value in answer.getheaders():
            if name.lower() not in NOT_PASSED:
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(content)))
        self.end_headers()
        self.wfile.write(content)
        backend.close()

    do_GET = do_PUT = do_DELETE = do_POST = do_HEAD = serve
    do_OPTIONS = do_PROPFIND = do_PROPPATCH = do_REPORT = do_MKCOL = serve


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Front)
print("listening", server.server_address[1], flush=True)
server.serve_forever()
