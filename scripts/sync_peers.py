"""The peers of a sync, for the sync checks: CardDAV servers (Radicale, Xandikos, DAViCal) on
loopback, a third-party client (vdirsyncer) that plays the phone, a proxy that cuts a sync off,
and the data file read and written byte for byte. Every process started here is ended by its
own id."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time

RECORD_SIZE = 129
FIELDS = [("Nick", 2, 15), ("FullName", 17, 25), ("FamilyName", 42, 25), ("City", 67, 25),
          ("Phone", 92, 20), ("StdCode", 112, 10)]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the server ended at its start")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("the server did not answer on port %d" % port)


# The servers every round is played against.
KINDS = ("radicale", "xandikos", "davical")


def server(kind):
    """A server with an empty book for `alice`, ended by its stop()."""
    if kind == "davical":
        import davical_server
        return davical_server.book()
    return Server(kind)


class Server:
    """A CardDAV server in a scratch folder on a free port of 127.0.0.1."""

    def __init__(self, kind, user="alice", password="secret", cards=None):
        """`cards` (name -> text) are put in Radicale's book before it starts: a large book
        without thousands of uploads first."""
        self.kind, self.user, self.password = kind, user, password
        self.folder = tempfile.mkdtemp(prefix="zarvoth-%s-" % kind)
        if cards is not None:
            book = os.path.join(self.folder, "store", "collection-root", user, "contacts")
            os.makedirs(book)
            with open(os.path.join(book, ".Radicale.props"), "w") as f:
                f.write('{"D:displayname": "Contacts", "tag": "VADDRESSBOOK"}')
            for name, text in cards.items():
                with open(os.path.join(book, name), "w", newline="") as f:
                    f.write(text)
        self.port = free_port()
        log = open(os.path.join(self.folder, "server.log"), "w")
        if kind == "radicale":
            users = os.path.join(self.folder, "users")
            with open(users, "w") as f:
                f.write("%s:%s\n" % (user, password))
            command = ["/usr/bin/python3", "-m", "radicale",
                       "--server-hosts", "127.0.0.1:%d" % self.port,
                       "--storage-filesystem-folder", os.path.join(self.folder, "store"),
                       "--auth-type", "htpasswd", "--auth-htpasswd-filename", users,
                       "--auth-htpasswd-encryption", "plain", "--logging-level", "warning"]
            self.root = "http://127.0.0.1:%d/" % self.port
        else:
            command = ["xandikos", "--defaults", "-d", os.path.join(self.folder, "store"),
                       "-l", "127.0.0.1", "-p", str(self.port)]
            self.root = "http://127.0.0.1:%d/" % self.port
        self.process = subprocess.Popen(command, stdout=log, stderr=log)
        wait_for_port(self.port, self.process)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class Phone:
    """vdirsyncer between the server's address book and a folder of .vcf files."""

    def __init__(self, book_url, user, password):
        self.base = tempfile.mkdtemp(prefix="zarvoth-phone-")
        self.cards = os.path.join(self.base, "cards")
        os.makedirs(self.cards)
        self.config = os.path.join(self.base, "config")
        with open(self.config, "w") as f:
            f.write("""[general]
status_path = "%s/status/"

[pair phone]
a = "server"
b = "folder"
collections = null
conflict_resolution = "a wins"

[storage server]
type = "carddav"
url = "%s"
username = "%s"
password = "%s"

[storage folder]
type = "filesystem"
path = "%s"
fileext = ".vcf"
""" % (self.base, book_url, user, password, self.cards))
        self.run("discover")

    def run(self, *command):
        done = subprocess.run(["vdirsyncer", "-c", self.config] + list(command),
                              capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            raise RuntimeError("vdirsyncer %s failed: %s" % (command, done.stderr[-2000:]))

    def sync(self):
        self.run("sync")

    def files(self):
        return {name: open(os.path.join(self.cards, name), encoding="utf-8").read()
                for name in sorted(os.listdir(self.cards)) if name.endswith(".vcf")}

    def find(self, text):
        found = [name for name, card in self.files().items() if text in card]
        if len(found) != 1:
            raise AssertionError("%d cards hold %r" % (len(found), text))
        return found[0]

    def write(self, name, card):
        with open(os.path.join(self.cards, name), "w", encoding="utf-8", newline="") as f:
            f.write(card)

    def remove(self, name):
        os.remove(os.path.join(self.cards, name))

    def stop(self):
        shutil.rmtree(self.base, ignore_errors=True)


def card(uid, nick, given, family, tel, extra=""):
    lines = ["BEGIN:VCARD", "VERSION:3.0", "UID:" + uid, "NICKNAME:" + nick,
             "N:%s;%s;;;" % (family, given), "FN:%s %s" % (given, family), "TEL;TYPE=CELL:" + tel]
    lines += [line for line in extra.split("\n") if line]
    lines.append("END:VCARD")
    return "\r\n".join(lines) + "\r\n"


def encode_record(number, fields, use_std=0, prefix="", use_prefix=0):
    out = bytearray(b" " * RECORD_SIZE)
    out[0:2] = number.to_bytes(2, "little", signed=True)
    for name, at, width in FIELDS:
        text = fields.get(name, "").encode("cp1252")[:width]
        out[at:at + len(text)] = text
    out[122:124] = use_std.to_bytes(2, "little", signed=True)
    text = prefix.encode("cp1252")[:3]
    out[124:124 + len(text)] = text
    out[127:129] = use_prefix.to_bytes(2, "little", signed=True)
    return bytes(out)


def read_records(folder):
    data = open(os.path.join(folder, "datphone"), "rb").read()
    records = []
    for at in range(0, len(data) - len(data) % RECORD_SIZE, RECORD_SIZE):
        raw = data[at:at + RECORD_SIZE]
        record = {name: raw[o:o + w].decode("cp1252").strip() for name, o, w in FIELDS}
        records.append(record)
    return records


def write_records(folder, raws):
    with open(os.path.join(folder, "datphone"), "wb") as f:
        f.write(b"".join(raws))


def raw_records(folder):
    data = open(os.path.join(folder, "datphone"), "rb").read()
    return [data[at:at + RECORD_SIZE] for at in range(0, len(data), RECORD_SIZE)]


def set_field(folder, nick, name, value):
    """An EDIT made in a window: one field of one record, in place."""
    raws = raw_records(folder)
    for index, raw in enumerate(raws):
        if raw[2:17].decode("cp1252").strip() == nick:
            _, at, width = next(f for f in FIELDS if f[0] == name)
            text = value.encode("cp1252")[:width].ljust(width, b" ")
            raws[index] = raw[:at] + text + raw[at + width:]
            write_records(folder, raws)
            return
    raise AssertionError("no record " + nick)


def delete_record(folder, nick):
    """A DELETE made in a window: the record goes, the ones behind it move up."""
    raws = [raw for raw in raw_records(folder) if raw[2:17].decode("cp1252").strip() != nick]
    write_records(folder, raws)


class CuttingProxy:
    """Stands between the program and the server and, at the n-th request, hands it on and
    then cuts the connection before the answer (or kills the program): what the server did
    stays done, the program never hears of it."""

    def __init__(self, port, cut_at, on_cut=None):
        self.port, self.cut_at, self.on_cut = port, cut_at, on_cut
        self.count = 0
        self.lock = threading.Lock()
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.own_port = self.listener.getsockname()[1]
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(client,), daemon=True).start()

    @staticmethod
    def read_request(client):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = client.recv(65536)
            if not chunk:
                return None
            data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip())
        while len(body) < length:
            chunk = client.recv(65536)
            if not chunk:
                return None
            body += chunk
        lines = [line for line in head.split(b"\r\n")
                 if not line.lower().startswith(b"connection:")]
        return b"\r\n".join(lines) + b"\r\nConnection: close\r\n\r\n" + body

    def serve(self, client):
        with client:
            while True:
                request = self.read_request(client)
                if request is None:
                    return
                with self.lock:
                    self.count += 1
                    cut = self.count == self.cut_at
                answer = b""
                with socket.create_connection(("127.0.0.1", self.port)) as server:
                    server.sendall(request)
                    while True:
                        chunk = server.recv(65536)
                        if not chunk:
                            break
                        answer += chunk
                if cut:
                    if self.on_cut:
                        self.on_cut()
                    return
                client.sendall(answer)
                # The server's answer said it closes the connection.
                return

    def stop(self):
        self.listener.close()
