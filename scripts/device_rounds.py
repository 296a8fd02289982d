"""Rounds of one address book kept by several devices: two folders, each a device of its own
(set up with `zarvoth --sync-setup`, synced with `zarvoth --sync`), and vdirsyncer as the phone,
on one book of a CardDAV server on loopback. Each round changes the book somewhere, then every
side syncs until it settles, and checks that every device and the server agree, each contact
once, and that nothing the phone put on the cards (EMAIL, PHOTO, NOTE, BDAY), which the data
file cannot hold, was lost on the way. Every process started here is ended by its own id."""

import os
import re
import shutil
import subprocess
import tempfile

import sync_peers as peers

# The cards the book starts with; the first device imports them.
START = [("l1", "Ann", "Ann", "Lee", "555 0101", "Bath"),
         ("l2", "Bob", "Robert", "Hill", "555 0102", "Bath"),
         ("l3", "Cy", "Cyrus", "Vance", "555 0103", "Cork"),
         ("l4", "Dee", "Deirdre", "Moss", "555 0104", "Derby")]
# What only the phone holds, put on every card once the book is shared.
SERVER_ONLY = ["EMAIL", "PHOTO", "NOTE", "BDAY"]
FIELD_NAMES = ["Nick", "FullName", "FamilyName", "City", "Phone"]


def start_card(uid, nick, given, family, tel, city):
    return peers.card(uid, nick, given, family, tel, "ADR:;;;%s;;;" % city)


class Device:
    """A folder with its own data file and set-up; HOME is the folder, where ~/.netrc has the
    password, as a script would have it."""

    def __init__(self, program, name, server):
        self.program, self.name, self.server = program, name, server
        self.folder = tempfile.mkdtemp(prefix="zarvoth-%s-" % name)
        netrc = os.path.join(self.folder, ".netrc")
        with open(os.open(netrc, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
            f.write("machine 127.0.0.1 login %s password %s\n" % (server.user, server.password))
        self.outputs = []

    def run(self, *arguments, password=None):
        environment = dict(os.environ, HOME=self.folder, DBUS_SESSION_BUS_ADDRESS="disabled:")
        done = subprocess.run([self.program] + list(arguments), cwd=self.folder,
                              capture_output=True, text=True, input=password, env=environment,
                              timeout=120,
                              stdin=None if password is not None else subprocess.DEVNULL)
        return done.returncode, done.stdout, done.stderr

    def set_up(self):
        # Typed as people type it, without a scheme.
        status, out, err = self.run("--sync-setup", "127.0.0.1:%d" % self.server.port,
                                    "--user", self.server.user, "--password-stdin",
                                    password=self.server.password + "\n")
        if status != 0:
            raise RuntimeError("%s: set-up failed: %s" % (self.name, err))

    def sync(self):
        status, out, err = self.run("--sync")
        self.outputs.append("%s: status %d\n%s%s" % (self.name, status, out, err))
        return status, out, err

    def records(self):
        if not os.path.exists(os.path.join(self.folder, "datphone")):
            return []
        return [tuple(record[name] for name in FIELD_NAMES)
                for record in peers.read_records(self.folder)]

    def record(self, nick):
        found = [r for r in self.records() if r[0] == nick]
        return found[0] if len(found) == 1 else None

    def set(self, nick, **fields):
        """An EDIT in a window: fields of one record, in place."""
        for name, value in fields.items():
            peers.set_field(self.folder, nick, name, value)
            if name == "Nick":
                nick = value

    def delete(self, nick):
        peers.delete_record(self.folder, nick)

    def add(self, **fields):
        """A SAVE of a new contact: behind the last record."""
        raws = peers.raw_records(self.folder)
        raws.append(peers.encode_record(len(raws) + 1, fields))
        peers.write_records(self.folder, raws)

    def stop(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def card_fields(text):
    """A card as the data file would hold it: nickname, full name, family name, city and the
    digits of the number."""
    lines = text.replace("\r\n", "\n").split("\n")

    def value(name):
        for line in lines:
            head, _, rest = line.partition(":")
            if head.split(";")[0].upper() == name:
                return rest
        return ""

    n = value("N").split(";") + ["", ""]
    adr = value("ADR").split(";") + [""] * 7
    return (value("NICKNAME"), n[1], n[0], adr[3], re.sub(r"\D", "", value("TEL")))


def uid_of(text):
    found = re.search(r"^UID:(.*)$", text.replace("\r\n", "\n"), re.M)
    return found.group(1).strip() if found else ""


class World:
    """One server, one book, two devices and the phone, the book shared by all of them and the
    phone's own properties on every card."""

    def __init__(self, program, kind):
        self.program = program
        self.server = peers.server(kind)
        self.devices = []
        self.phone = None
        try:
            first = self.device("one")
            path = os.path.join(first.folder, "start.vcf")
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write("".join(start_card(*c) for c in START))
            if first.run("--import", path)[0] != 0:
                raise RuntimeError("the start cards were not imported")
            os.remove(path)
            first.set_up()
            first.sync()
            second = self.device("two")
            second.set_up()
            second.sync()
            self.phone = peers.Phone(self.book(), self.server.user, self.server.password)
            self.phone.sync()
            for name, text in self.phone.files().items():
                self.phone.write(name, text.replace("END:VCARD", (
                    "EMAIL:%s@example.org\r\nPHOTO;VALUE=URI:http://127.0.0.1/p.png\r\n"
                    "NOTE:kept by the phone\r\nBDAY:1990-01-02\r\nEND:VCARD") % name[:-4]))
            self.phone.sync()
            # The cards that hold the phone's properties, by their UID: each must keep them
            # through every edit, which changes a card and never replaces it.
            self.with_properties = {uid_of(text): card_fields(text)[0]
                                    for text in self.phone.files().values()}
            self.settle()
        except BaseException:
            self.stop()
            raise

    def device(self, name):
        device = Device(self.program, name, self.server)
        self.devices.append(device)
        return device

    def book(self):
        for line in open(os.path.join(self.devices[0].folder, "syncphone"), encoding="utf-8"):
            if line.startswith("book "):
                return line.split(" ", 1)[1].strip()
        raise AssertionError("no book in syncphone")

    def settle(self, passes=2):
        for _ in range(passes):
            for device in self.devices:
                device.sync()
            self.phone.sync()

    def cards(self):
        return self.phone.files()

    def disagreement(self, deleted=(), fitted=None):
        """What is wrong at the end of a round, or the empty text: every device holds the same
        contacts, each once, the server the same (fitted: its long nickname a device fitted),
        and every card of a contact not deleted in the round is still there, with the phone's
        own properties."""
        problems = []
        first = sorted(self.devices[0].records())
        for device in self.devices:
            records = sorted(device.records())
            nicks = [r[0] for r in records]
            if len(set(nicks)) != len(nicks):
                problems.append("%s holds a contact twice: %s" % (device.name, nicks))
            if records != first:
                problems.append("%s holds %s, %s holds %s" % (
                    self.devices[0].name, first, device.name, records))
        cards = self.cards()
        on_server = []
        for text in cards.values():
            fields = card_fields(text)
            if fitted and fields[0] == fitted[0]:
                fields = (fitted[1],) + fields[1:]
            on_server.append(fields)
        wanted = sorted(r[:4] + (re.sub(r"\D", "", r[4]),) for r in first)
        if sorted(on_server) != wanted:
            problems.append("the server holds %s, the devices %s" % (sorted(on_server), wanted))
        by_uid = {uid_of(text): text for text in cards.values()}
        for uid, nick in self.with_properties.items():
            if nick in deleted:
                continue
            text = by_uid.get(uid)
            if text is None:
                problems.append("the card of %s (UID %s) is gone, and with it what only the "
                                "server held" % (nick, uid))
                continue
            lost = [p for p in SERVER_ONLY if not re.search(r"^%s[;:]" % p, text, re.M)]
            if lost:
                problems.append("the card of %s lost %s" % (nick, ", ".join(lost)))
        return "; ".join(problems)

    def log(self):
        return "".join("\n      " + line for output in
                       (d.outputs for d in self.devices) for text in output[-6:]
                       for line in text.rstrip().splitlines())

    def stop(self):
        if self.phone:
            self.phone.stop()
        for device in self.devices:
            device.stop()
        self.server.stop()


def round_one_side(world):
    one, two = world.devices
    one.set("Bob", FamilyName="Hillman")
    world.settle()
    return ("a field changed on one device reaches every side",
            all(d.record("Bob") and d.record("Bob")[2] == "Hillman" for d in world.devices), {})


def round_both_sides(world):
    one, two = world.devices
    one.set("Bob", City="Leeds")
    two.set("Bob", Phone="5557777")
    world.settle()
    return ("different fields changed on two devices are both kept",
            all(d.record("Bob") and d.record("Bob")[3] == "Leeds" and
                d.record("Bob")[4] == "5557777" for d in world.devices), {})


def round_same_field(world):
    one, two = world.devices
    one.set("Bob", City="Leeds")
    two.set("Bob", City="York")
    one.sync()
    status, out, err = two.sync()
    world.settle()
    return ("the same field changed on two devices: the last to sync wins and says so",
            "Needs your eye" in out and "Leeds" in out and
            all(d.record("Bob") and d.record("Bob")[3] == "York" for d in world.devices), {})


def round_deleted_and_edited(world):
    one, two = world.devices
    one.delete("Cy")
    two.set("Cy", City="Leeds")
    one.sync()
    world.settle()
    return ("deleted on one device, edited on another: kept with the edit",
            all(d.record("Cy") and d.record("Cy")[3] == "Leeds" for d in world.devices),
            {"deleted": ("Cy",)})


def round_same_new_person(world):
    one, two = world.devices
    for device in (one, two):
        device.add(Nick="Fay", FullName="Fay", FamilyName="Field", City="Ely", Phone="5550199")
    world.settle()
    return ("the same person added on two devices is one contact",
            all(d.record("Fay") for d in world.devices), {})


def round_nickname(world):
    one, two = world.devices
    one.set("Bob", Nick="Robbie")
    world.settle()
    return ("a nickname renamed on one device is renamed everywhere",
            all(d.record("Robbie") and not d.record("Bob") for d in world.devices), {})


def several_fields(count, nickname, deletion_before):
    """Bob edited in `count` fields at once on one device, his nickname among them or not, and
    Ann, before him in the file, deleted in the same sync or not."""
    changes = [("City", "Leeds"), ("Phone", "5557777"), ("FullName", "Bobby"),
               ("FamilyName", "Hillman")][:count - 1 if nickname else count]
    if nickname:
        changes.append(("Nick", "Robbie"))

    def run(world):
        one, two = world.devices
        if deletion_before:
            one.delete("Ann")
        one.set("Bob", **dict(changes))
        world.settle()
        nick = "Robbie" if nickname else "Bob"
        wanted = dict(changes)
        ok = all(d.record(nick) and not (nickname and d.record("Bob")) and
                 all(d.record(nick)[FIELD_NAMES.index(name)] == value
                     for name, value in wanted.items()) and
                 (not deletion_before or not d.record("Ann")) for d in world.devices)
        what = "%d fields of Bob edited at once (%s)%s" % (
            count, ", ".join(name for name, _ in changes),
            ", Ann before him deleted" if deletion_before else "")
        return what, ok, {"deleted": ("Ann",) if deletion_before else ()}

    return run


def round_fitted(world):
    long_nick = "Deirdre-the-Great"
    dee = world.phone.find("NICKNAME:Dee")
    world.phone.write(dee, world.phone.files()[dee].replace("NICKNAME:Dee",
                                                            "NICKNAME:" + long_nick))
    world.phone.sync()
    world.settle()
    fitted = world.devices[0].records()
    fitted = [r[0] for r in fitted if r[1] == "Deirdre"]
    kept = "NICKNAME:" + long_nick in world.phone.files().get(dee, "")
    return ("a nickname of %d characters from the phone is fitted here, never sent back"
            % len(long_nick), kept and len(fitted) == 1 and len(fitted[0]) <= 15,
            {"fitted": (long_nick, fitted[0] if fitted else "")})


def round_late_device(world):
    one, two = world.devices
    week_ago = peers.raw_records(one.folder)
    one.set("Bob", City="Leeds")
    two.set("Cy", Phone="5559999")
    world.settle()
    late = world.device("late")
    peers.write_records(late.folder, week_ago)
    late.set_up()
    status, out, err = late.sync()
    world.settle()
    eye = out.split("Needs your eye:", 1)[1] if "Needs your eye:" in out else ""
    newest = all(d.record("Bob") and d.record("Bob")[3] == "Leeds" and d.record("Cy") and
                 d.record("Cy")[4] == "5559999" for d in world.devices)
    had = "Bath" in eye and ("5550103" in eye or "555 0103" in eye)
    return ("a device a week behind: every device ends with the newest text, the late one's "
            "summary lists what it had", status == 0 and newest and had, {})


ROUNDS = [round_one_side, round_both_sides, round_same_field, round_deleted_and_edited,
          round_same_new_person, round_nickname] + [
    several_fields(count, nickname, deletion)
    for count, nickname in ((2, False), (3, False), (4, False), (5, True))
    for deletion in (False, True)] + [round_fitted, round_late_device]


def device_rounds(program, check, kinds=peers.KINDS):
    for kind in kinds:
        print("%s, two devices and the phone on one book:" % kind)
        for play in ROUNDS:
            try:
                world = World(program, kind)
            except Exception as error:  # noqa: BLE001 - a world that cannot start is a failure
                check(False, "%s: the book shared by two devices and the phone" % kind,
                      str(error))
                continue
            try:
                what, ok, expect = play(world)
                problems = world.disagreement(deleted=expect.get("deleted", ()),
                                              fitted=expect.get("fitted"))
                check(ok and not problems, what,
                      ("\n      " + problems if problems else "") + world.log())
            except Exception as error:  # noqa: BLE001 - reported as the round's failure
                check(False, play.__name__, "%s: %s%s" % (type(error).__name__, error,
                                                          world.log()))
            finally:
                world.stop()
