#!/usr/bin/python3
"""Times Zarvoth's sync against Radicale on loopback: the first sync of 2,000 contacts beside
the same uploads made by a plain client (http.client, one kept-alive connection per worker, as
many workers as Zarvoth keeps connections), and a sync with nothing changed at 2,000 and 32,767
contacts. Medians of wall time; Zarvoth's processor time beside them."""

import base64
import http.client
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import sync_peers as peers  # noqa: E402

PROGRAM = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else "build/src/zarvoth")
CONNECTIONS = 6


def book_file(folder, count):
    peers.write_records(folder, [peers.encode_record(n + 1, {
        "Nick": "N%05d" % n, "FullName": "Given %d" % n, "FamilyName": "Family",
        "City": "Town", "Phone": "555%07d" % n}) for n in range(count)])


def zarvoth(folder, *arguments, password=None):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run([PROGRAM] + list(arguments), cwd=folder, capture_output=True,
                          text=True, input=password,
                          env=dict(os.environ, HOME=folder, DBUS_SESSION_BUS_ADDRESS="disabled:"))
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        raise RuntimeError(done.stderr)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall * 1000, cpu * 1000


def set_up(folder, server):
    netrc = os.path.join(folder, ".netrc")
    with open(os.open(netrc, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
        f.write("machine 127.0.0.1 login %s password %s\n" % (server.user, server.password))
    zarvoth(folder, "--sync-setup", server.root, "--user", server.user, "--password-stdin",
            password=server.password + "\n")
    for line in open(os.path.join(folder, "syncphone"), encoding="utf-8"):
        if line.startswith("book "):
            return line.split(" ", 1)[1].strip()
    raise RuntimeError("no book remembered")


def plain_upload(server, book_path, count):
    """The same cards PUT by a plain client: what the network and server cost alone."""
    cards = [peers.card(str(uuid.uuid4()), "N%05d" % n, "Given %d" % n, "Family",
                        "555%07d" % n) for n in range(count)]
    token = base64.b64encode(("%s:%s" % (server.user, server.password)).encode()).decode()
    chunks = [cards[i::CONNECTIONS] for i in range(CONNECTIONS)]

    def upload(chunk):
        connection = http.client.HTTPConnection("127.0.0.1", server.port)
        for text in chunk:
            uid = text.split("UID:")[1].split("\r\n")[0]
            connection.request("PUT", book_path + uid + ".vcf", body=text.encode(), headers={
                "Authorization": "Basic " + token, "If-None-Match": "*",
                "Content-Type": "text/vcard; charset=utf-8"})
            answer = connection.getresponse()
            answer.read()
            if answer.status not in (200, 201, 204):
                raise RuntimeError("PUT answered %d" % answer.status)
        connection.close()

    start = time.perf_counter()
    workers = [threading.Thread(target=upload, args=(chunk,)) for chunk in chunks]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return (time.perf_counter() - start) * 1000


def card_of(n):
    """The card of record n as a phone would hold it: the same person, nothing to merge."""
    return peers.card("u%05d" % n, "N%05d" % n, "Given %d" % n, "Family", "555%07d" % n,
                      "ADR:;;;Town;;;")


def first_sync_round(count):
    """Zarvoth's first sync of `count` contacts to an empty book, the same uploads by the
    plain client into a second book, then syncs with nothing changed."""
    server = peers.Server("radicale")
    try:
        folder = tempfile.mkdtemp(prefix="zarvoth-bench-")
        book_file(folder, count)
        book = set_up(folder, server)
        zarvoth_ms = zarvoth(folder, "--sync")
        # A second, empty address book beside Zarvoth's, for the plain client.
        path = "/" + book.split("/", 3)[3]
        plain_path = path.rstrip("/") + "-plain/"
        make = http.client.HTTPConnection("127.0.0.1", server.port)
        token = base64.b64encode(("%s:%s" % (server.user, server.password)).encode()).decode()
        make.request("MKCOL", plain_path, body=MKCOL, headers={"Authorization": "Basic " + token})
        make.getresponse().read()
        plain_ms = plain_upload(server, plain_path, count)
        unchanged = [zarvoth(folder, "--sync") for _ in range(7)]
        return zarvoth_ms, plain_ms, unchanged
    finally:
        server.stop()


def unchanged_round(count):
    """A book of `count` contacts already on the server: the first sync pairs them all, then
    syncs with nothing changed."""
    server = peers.Server("radicale", cards={"u%05d.vcf" % n: card_of(n) for n in range(count)})
    try:
        folder = tempfile.mkdtemp(prefix="zarvoth-bench-")
        book_file(folder, count)
        set_up(folder, server)
        pairing = zarvoth(folder, "--sync")
        return pairing, [zarvoth(folder, "--sync") for _ in range(7)]
    finally:
        server.stop()


MKCOL = b"""<?xml version="1.0" encoding="utf-8"?>
<D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:set><D:prop>
<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>
</D:prop></D:set></D:mkcol>"""


def main():
    print("Sync with Radicale on loopback (ms, median; cpu = Zarvoth's processor time)",
          flush=True)
    # Radicale takes longer for every card its book already holds: one round is minutes.
    # --unchanged-only leaves it out.
    if "--unchanged-only" not in sys.argv:
        (zarvoth_wall, zarvoth_cpu), plain, _ = first_sync_round(2000)
        print("  first sync, 2,000 contacts: zarvoth %.0f (cpu %.0f), plain client %.0f, "
              "ratio %.2f" % (zarvoth_wall, zarvoth_cpu, plain, zarvoth_wall / plain),
              flush=True)
    for count in (2000, 32767):
        try:
            pairing, unchanged = unchanged_round(count)
        except RuntimeError as error:
            print("  %s contacts already on both sides: %s" % (format(count, ","),
                                                               str(error).strip()), flush=True)
            continue
        print("  %s contacts already on both sides: first sync (pairing) %.0f (cpu %.0f); "
              "nothing changed %.1f (cpu %.1f)" % (
                  format(count, ","), pairing[0], pairing[1],
                  statistics.median(u[0] for u in unchanged),
                  statistics.median(u[1] for u in unchanged)), flush=True)


if __name__ == "__main__":
    main()
