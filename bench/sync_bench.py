#!/usr/bin/python3
"""Times Zarvoth's sync on loopback: against Radicale, the first sync of 2,000 contacts beside
the same uploads made by a plain client (http.client, one kept-alive connection per worker, as
many workers as Zarvoth keeps connections), a sync with nothing changed at 2,000 contacts, and
a book of 32,767 cards brought down into an empty book, then synced with nothing changed;
against Xandikos, 5,000 contacts uploaded. Medians of wall time; Zarvoth's processor time and
its peak memory beside them."""

import base64
import http.client
import os
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


class Run:
    """One run of the program: wall time and processor time in ms, peak memory in kB."""

    def __init__(self, wall, cpu, peak_kb):
        self.wall, self.cpu, self.peak_kb = wall, cpu, peak_kb

    def __iter__(self):
        return iter((self.wall, self.cpu))


def zarvoth(folder, *arguments, password=None):
    """Runs the program in `folder` and waits for it alone, so that its own processor time and
    peak memory are read, not those of every process the bench ran."""
    with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as err:
        given.write((password or "").encode())
        given.seek(0)
        start = time.perf_counter()
        process = subprocess.Popen([PROGRAM] + list(arguments), cwd=folder, stdin=given,
                                   stdout=subprocess.DEVNULL, stderr=err,
                                   env=dict(os.environ, HOME=folder,
                                            DBUS_SESSION_BUS_ADDRESS="disabled:"))
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            err.seek(0)
            raise RuntimeError(err.read().decode(errors="replace"))
    return Run(wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_maxrss)


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


def listed_by_radicale(server):
    """Radicale answers the first listing of a book put in its folder only once it has read
    every card into its cache: 138 s for 32,767 cards, and nothing sent until then. The bench
    asks for that listing first, with a client that waits, and tells how long it took; Zarvoth
    then meets the server as it is once it has read its cards."""
    token = base64.b64encode(("%s:%s" % (server.user, server.password)).encode()).decode()
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=3600)
    start = time.perf_counter()
    connection.request("PROPFIND", "/%s/contacts/" % server.user, body=PROPFIND, headers={
        "Authorization": "Basic " + token, "Depth": "1", "Content-Type": "application/xml"})
    answer = connection.getresponse()
    answer.read()
    connection.close()
    if answer.status != 207:
        raise RuntimeError("the listing answered %d" % answer.status)
    return (time.perf_counter() - start) * 1000


def unchanged_round(count, empty_book=False, runs=7):
    """A book of `count` contacts already on the server: the first sync pairs them all with
    the same contacts here (or brings them down into an empty book), then syncs with nothing
    changed."""
    server = peers.Server("radicale", cards={"u%05d.vcf" % n: card_of(n) for n in range(count)})
    try:
        listing = listed_by_radicale(server)
        folder = tempfile.mkdtemp(prefix="zarvoth-bench-")
        if not empty_book:
            book_file(folder, count)
        set_up(folder, server)
        first = zarvoth(folder, "--sync")
        if len(peers.read_records(folder)) != count:
            raise RuntimeError("the first sync left %d contacts, not %d" % (
                len(peers.read_records(folder)), count))
        return listing, first, [zarvoth(folder, "--sync") for _ in range(runs)]
    finally:
        server.stop()


def xandikos_upload(count):
    """`count` contacts here, an empty address book on Xandikos: the first sync uploads them
    all, one card to a request, as a phone's would; then a sync with nothing changed."""
    server = peers.Server("xandikos")
    try:
        folder = tempfile.mkdtemp(prefix="zarvoth-bench-")
        book_file(folder, count)
        set_up(folder, server)
        first = zarvoth(folder, "--sync")
        return first, [zarvoth(folder, "--sync") for _ in range(3)]
    finally:
        server.stop()


def median_run(runs):
    return Run(statistics.median(r.wall for r in runs), statistics.median(r.cpu for r in runs),
               max(r.peak_kb for r in runs))


def told(run):
    return "%.0f ms (cpu %.1f ms, peak %s kB)" % (run.wall, run.cpu, format(run.peak_kb, ","))


PROPFIND = b"""<?xml version="1.0" encoding="utf-8"?>
<D:propfind xmlns:D="DAV:"><D:prop><D:getetag/></D:prop></D:propfind>"""

MKCOL = b"""<?xml version="1.0" encoding="utf-8"?>
<D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:set><D:prop>
<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>
</D:prop></D:set></D:mkcol>"""


def attempt(label, measure):
    try:
        return measure()
    except (RuntimeError, OSError) as error:
        print("  %s: %s" % (label, str(error).strip()), flush=True)
        return None


def main():
    print("Sync on loopback (median of wall time; cpu = Zarvoth's processor time, peak = its "
          "peak resident memory)", flush=True)
    only = sys.argv[1:]
    # Radicale takes longer for every card its book already holds: one round is minutes.
    # --unchanged-only leaves it out, and the rounds of 32,767 and 5,000 contacts.
    if "--unchanged-only" not in only:
        (zarvoth_wall, zarvoth_cpu), plain, _ = first_sync_round(2000)
        print("  first sync, 2,000 contacts to Radicale: zarvoth %.0f ms (cpu %.0f ms), plain "
              "client %.0f ms, ratio %.2f" % (zarvoth_wall, zarvoth_cpu, plain,
                                              zarvoth_wall / plain), flush=True)
    found = attempt("2,000 contacts on both sides", lambda: unchanged_round(2000))
    if found:
        _, pairing, unchanged = found
        print("  2,000 contacts on both sides: first sync (pairing) %s; nothing changed %s" % (
            told(pairing), told(median_run(unchanged))), flush=True)
    if "--unchanged-only" in only:
        return
    found = attempt("32,767 cards from Radicale", lambda: unchanged_round(32767, True))
    if found:
        listing, first, unchanged = found
        print("  32,767 cards on Radicale (its own first listing, asked by the bench: %.0f s)"
              % (listing / 1000), flush=True)
        print("    brought down into an empty book: %s" % told(first), flush=True)
        print("    nothing changed: %s" % told(median_run(unchanged)), flush=True)
    found = attempt("5,000 contacts to Xandikos", lambda: xandikos_upload(5000))
    if found:
        first, unchanged = found
        print("  5,000 contacts uploaded to Xandikos: %s; then nothing changed %s" % (
            told(first), told(median_run(unchanged))), flush=True)


if __name__ == "__main__":
    main()
