"""A large address book from a slow server, for the sync checks: 2,000 cards on Xandikos,
which serves one request at a time, brought down into an empty folder by `zarvoth --sync` and,
in the same run, by vdirsyncer, both timed; then a first sync of the same book killed half way,
which the next sync completes without fetching again the cards the first one kept."""

import os
import signal
import subprocess
import tempfile
import time

import sync_peers as peers

CARDS = 2000
# Far more than either program needs; a sync that never ends fails the check, not CI.
LONGEST = 600


def big_book_round(program, check, set_up):
    print("2,000 cards from Xandikos into an empty folder:")
    server = filled_xandikos(CARDS)
    try:
        folder = tempfile.mkdtemp(prefix="zarvoth-big-")
        status, out, err = set_up(folder, server)
        check(status == 0, "set-up finds the big book", err)
        started = time.monotonic()
        status, out, err = sync(program, folder)
        ours = time.monotonic() - started
        check(status == 0 and len(set(nicks(folder))) == CARDS,
              "every card arrives, exit 0", "%s %d %s" % (status, len(nicks(folder)), err))

        phone = peers.Phone(book_of(folder), server.user, server.password)
        started = time.monotonic()
        subprocess.run(["vdirsyncer", "-c", phone.config, "sync"], capture_output=True,
                       timeout=LONGEST, check=True)
        theirs = time.monotonic() - started
        check(len(phone.files()) == CARDS, "vdirsyncer brings the same book down")
        phone.stop()
        print("    2,000 cards from Xandikos: zarvoth %.0f s, vdirsyncer %.0f s" % (ours, theirs))
        cut_off_first_sync(program, check, set_up, server)
    finally:
        server.stop()


def filled_xandikos(count):
    """Xandikos with `count` cards in its address book, put in its git repository in one
    commit: uploaded one by one they would take minutes."""
    server = peers.Server("xandikos")
    server.process.send_signal(signal.SIGTERM)
    server.process.wait(10)
    book = os.path.join(server.folder, "store", "user", "contacts", "addressbook")
    for i in range(count):
        with open(os.path.join(book, "big%04d.vcf" % i), "w", newline="") as f:
            f.write(peers.card("big%04d" % i, "Big%04d" % i, "Given%d" % i, "Family",
                               "555 %04d" % i))
    subprocess.run(["git", "-C", book, "add", "."], check=True)
    subprocess.run(["git", "-C", book, "-c", "user.name=check", "-c", "user.email=check@localhost",
                    "commit", "-q", "-m", "A big book"], check=True)
    log = open(os.path.join(server.folder, "server.log"), "a")
    server.process = subprocess.Popen(server.process.args, stdout=log, stderr=log)
    peers.wait_for_port(server.port, server.process)
    return server


def cut_off_first_sync(program, check, set_up, server):
    print("a first sync of the 2,000 killed half way, then run again:")
    counter = HrefCounter(server.port)
    folder = tempfile.mkdtemp(prefix="zarvoth-big-cut-")
    try:
        set_up(folder, server, "http://127.0.0.1:%d/user/contacts/addressbook/" % counter.own_port)
        process = subprocess.Popen([program, "--sync"], cwd=folder, env=environment(folder),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        kept_file = os.path.join(folder, "syncphone.cards")
        deadline = time.monotonic() + LONGEST
        while process.poll() is None and time.monotonic() < deadline:
            if len(kept_hrefs(kept_file)) >= CARDS // 2:
                process.kill()
                break
            time.sleep(0.1)
        process.wait()
        kept = len(set(kept_hrefs(kept_file)))
        check(process.returncode == -signal.SIGKILL and CARDS // 2 <= kept < CARDS,
              "killed with %d cards kept" % kept, str(process.returncode))
        with counter.lock:
            counter.hrefs = 0
        started = time.monotonic()
        status, out, err = sync(program, folder)
        print("    the rest in %.0f s" % (time.monotonic() - started))
        check(status == 0 and len(set(nicks(folder))) == CARDS and counter.hrefs == CARDS - kept,
              "the next sync fetches only the %d cards not kept" % (CARDS - kept),
              "%s %d cards here, %d fetched %s" % (status, len(nicks(folder)), counter.hrefs, err))
        check(not os.path.exists(kept_file), "the kept cards are dropped once the sync is done")
    finally:
        counter.stop()


class HrefCounter(peers.CuttingProxy):
    """Hands every request on to the server, never cutting, and counts the cards multigets
    ask for."""

    def __init__(self, port):
        super().__init__(port, cut_at=0)
        self.hrefs = 0

    def read_request(self, client):
        request = peers.CuttingProxy.read_request(client)
        if request is not None and b"addressbook-multiget" in request:
            with self.lock:
                self.hrefs += request.count(b"<d:href>")
        return request

    def serve(self, client):
        try:
            super().serve(client)
        except OSError:
            pass  # the program was killed while its request was on the way


def kept_hrefs(path):
    """The hrefs of the whole entries of a sync's kept cards: a line "card HREF ETAG TEXT SUM"
    of lengths, then those bytes and a newline."""
    try:
        data = open(path, "rb").read()
    except FileNotFoundError:
        return []
    at = data.find(b"\n", data.find(b"\n") + 1) + 1
    hrefs = []
    while True:
        end = data.find(b"\n", at)
        fields = data[at:end].split(b" ")
        if end < 0 or len(fields) != 5 or fields[0] != b"card":
            return hrefs
        href, etag, text = (int(n) for n in fields[1:4])
        if len(data) < end + 1 + href + etag + text + 1:
            return hrefs
        hrefs.append(data[end + 1:end + 1 + href])
        at = end + 1 + href + etag + text + 1


def environment(folder):
    return dict(os.environ, HOME=folder, DBUS_SESSION_BUS_ADDRESS="disabled:")


def sync(program, folder):
    done = subprocess.run([program, "--sync"], cwd=folder, capture_output=True, text=True,
                          env=environment(folder), stdin=subprocess.DEVNULL, timeout=LONGEST)
    return done.returncode, done.stdout, done.stderr


def nicks(folder):
    if not os.path.exists(os.path.join(folder, "datphone")):
        return []
    return [record["Nick"] for record in peers.read_records(folder)]


def book_of(folder):
    for line in open(os.path.join(folder, "syncphone"), encoding="utf-8"):
        if line.startswith("book "):
            return line.split(" ", 1)[1].strip()
    raise AssertionError("no book in syncphone")
