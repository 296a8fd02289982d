#!/usr/bin/env python3
"""A CardDAV server that behaves as Google's CardDAV API does, in front of a Xandikos, taking
only the bearer tokens the authorization server issued (see bearer_front.py).

What it does differently from what CardDAV lets a client expect, as Google's CardDAV API guide
(developers.google.com/people/carddav) and the notes of the clients that sync with it (DAVx5,
vdirsyncer) tell:
- /.well-known/carddav leads (301) to the user's one address book; the principal, the home and
  anything else outside the book answer 404;
- a sync-collection is answered only with Depth: 1, and an empty sync token is refused (400):
  the first token comes from the book's DAV:sync-token property;
- cards are named without ".vcf", and a new card is stored under a name of Google's own (201
  with a Location and no ETag) and given a UID of Google's own;
- If-Match is not enforced: an update or a deletion goes through whatever the card's ETag;
- a card without N is refused (400), and so is any card but vCard 3.0, whatever the book's
  supported-address-data says (here it names vCard 4.0 alone);
- a quota: over it, requests are answered 429 with Retry-After.

Prints "listening PORT", then "request METHOD PATH DEPTH STATUS" for each request. Commands on
standard input, one a line, each answered "done COMMAND":
  quota N                     the next N requests are answered 429, Retry-After: 1
  move NICK CITY              the card whose NICKNAME is NICK is moved to CITY, as another
                              device does
  edit-after-fetch NICK CITY  the next cards fetched (addressbook-multiget) are answered as
                              they were, but the card whose NICKNAME is NICK is moved to CITY
                              before the answer leaves, as another device would have done
                              meanwhile

Usage: google_front.py XANDIKOS_URL INTROSPECTION_URL BOOK_PATH
"""
import re
import sys
import threading
import uuid
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # nothing is left in the source tree
from bearer_front import Front, serve_forever  # noqa: E402

LOCK = threading.Lock()
XML = {"Content-Type": "application/xml; charset=utf-8"}


def without(headers, name):
    """Takes the header out of the request's headers; whether it was there."""
    found = [key for key in headers if key.lower() == name.lower()]
    for key in found:
        del headers[key]
    return bool(found)


class Google(Front):
    book = sys.argv[3]
    quota = 0
    # The card to edit before the next fetch's answer leaves: (nick, city).
    pending_edit = None

    # Xandikos serves a card's text only under a name ending ".vcf": each card is kept there
    # under its name here and ".vcf".
    @classmethod
    def kept_at(cls, path):
        return path + ".vcf" if path.startswith(cls.book) and path != cls.book else path

    @classmethod
    def hrefs_kept_at(cls, body):
        return re.sub(rb"(<[^>]*href>)([^<]+)(</)", lambda m: m[1] + cls.kept_at(
            m[2].decode()).encode() + m[3], body) if body else body

    @staticmethod
    def hrefs_named_here(content):
        return re.sub(rb"(<[^>]*href>[^<]*?)\.vcf(</)", rb"\1\2", content)

    def answer(self, status, headers=(), content=b"", reason=None):
        print("request", self.command, self.path, self.headers.get("Depth", "-"), status,
              flush=True)
        super().answer(status, headers, content, reason)

    def refuse(self, status, why):
        self.answer(status, [("Content-Type", "text/plain")], why.encode())

    def relay(self, body, headers, rewrite=lambda content: content):
        status, reason, answer_headers, content = self.pass_on(
            self.command, self.kept_at(self.path), self.hrefs_kept_at(body), headers)
        self.answer(status, answer_headers, rewrite(self.hrefs_named_here(content)), reason)

    def handle_signed_in(self, body, headers):
        with LOCK:
            over_quota = Google.quota > 0
            Google.quota -= over_quota
        path = self.path.split("?")[0]
        if over_quota:
            self.answer(429, [("Retry-After", "1")], b"Quota exceeded")
        elif path.rstrip("/") == "/.well-known/carddav":
            self.answer(301, [("Location", self.book)])
        elif not path.startswith(self.book):
            self.refuse(404, "Not Found")
        elif self.command == "REPORT" and body and b"sync-collection" in body:
            self.sync_collection(body, headers)
        elif self.command == "REPORT" and body and b"addressbook-multiget" in body:
            self.relay(body, headers, self.edit_pending)
        elif self.command == "PROPFIND" and path == self.book:
            self.book_properties(body, headers)
        elif self.command == "PUT":
            self.put(body, headers)
        else:
            without(headers, "If-Match")
            self.relay(body, headers)

    def sync_collection(self, body, headers):
        if self.headers.get("Depth") != "1":
            return self.refuse(400, "Depth must be 1")
        token = ElementTree.fromstring(body).find("{DAV:}sync-token")
        if token is None or not (token.text or "").strip():
            return self.refuse(400, "Sync token must not be empty")
        self.relay(body, headers)

    def book_properties(self, body, headers):
        if self.headers.get("Depth") == "1":
            return self.relay(body, headers)
        self.relay(body, headers, lambda content: re.sub(
            rb"(<([\w:]*)supported-address-data>).*?(</\2supported-address-data>)",
            rb'\1<\2address-data-type content-type="text/vcard" version="4.0"/>\3', content))

    def edit_pending(self, content):
        with LOCK:
            edit, Google.pending_edit = Google.pending_edit, None
        if edit:
            self.move_card(*edit)
        return content

    @classmethod
    def move_card(cls, nick, city):
        _, _, _, listing = cls.pass_on("PROPFIND", cls.book, b"<propfind xmlns='DAV:'><prop>"
                                       b"<getetag/></prop></propfind>", dict(XML, Depth="1"))
        for href in re.findall(rb"<[^>]*href>([^<]+)</", listing):
            _, _, _, card = cls.pass_on("GET", href.decode(), None, {})
            if re.search(rb"^NICKNAME:" + re.escape(nick.encode()) + rb"\r?$", card, re.M):
                card = re.sub(rb"^ADR[^\r\n]*\r?\n", b"", card, flags=re.M)
                card = card.replace(b"END:VCARD", b"ADR:;;;" + city.encode() + b";;;\r\nEND:VCARD")
                cls.pass_on("PUT", href.decode(), card, {"Content-Type": "text/vcard"})

    def put(self, card, headers):
        if not re.search(rb"^N[;:]", card, re.M):
            return self.refuse(400, "Missing N field")
        if not re.search(rb"^VERSION:3\.0\r?$", card, re.M):
            return self.refuse(400, "Only vCard 3.0 is supported")
        if without(headers, "If-Match") or "if-none-match" not in map(str.lower, headers):
            return self.relay(card, headers)
        name = self.book + uuid.uuid4().hex[:12]
        card = re.sub(rb"^UID:[^\r\n]*", b"UID:" + uuid.uuid4().hex.encode(), card, flags=re.M)
        status, reason, _, content = self.pass_on("PUT", self.kept_at(name), card, headers)
        if status != 201:
            return self.answer(status, [], content, reason)
        self.answer(201, [("Location", name)])


def read_commands():
    for line in sys.stdin:
        words = line.split()
        with LOCK:
            if words[0] == "quota":
                Google.quota = int(words[1])
            elif words[0] == "edit-after-fetch":
                Google.pending_edit = (words[1], words[2])
            elif words[0] == "move":
                Google.move_card(words[1], words[2])
        print("done", words[0], flush=True)


threading.Thread(target=read_commands, daemon=True).start()
serve_forever(Google, sys.argv[1], sys.argv[2])
