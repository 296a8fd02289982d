"""Sync from the real window on a real X display (Xvfb, xcb), driven by real keys (xdotool):
the list's pop-up menu reached by Shift+F10, the set-up dialog refusing a wrong password and
taking the right one, the first sync of a book of a few dozen contacts, a card from the phone
brought in by Sync Now, and EXIT. Every process it starts is ended by its own id."""

import base64
import os
import random
import subprocess
import tempfile
import time
import urllib.request

import sync_peers as peers

CONTACTS = 60  # above the count from which the status bar counts the cards


class Display:
    """Xvfb on a display number of its own; DISPLAY is set for what runs after. The number is
    drawn at random from high ones: the X servers of other sessions on this machine share the
    abstract sockets of the low numbers even where their lock files are out of sight."""

    def __init__(self):
        for _ in range(20):
            number = random.randrange(200, 900)
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            self.process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "1600x1200x24", "-nolisten", "tcp"],
                stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = ":%d" % number
            if wait_until(lambda: self.process.poll() is not None or subprocess.run(
                    ["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0, 10) \
                    and self.process.poll() is None:
                return
            self.stop()
        raise RuntimeError("no display number took Xvfb")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(10)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "150"] + list(names), check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


def window(title, seconds=30):
    """The id of the visible window of exactly this title, or None after the wait."""
    deadline = time.time() + seconds
    while True:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                               capture_output=True, text=True).stdout.split()
        if found or time.time() > deadline:
            return found[0] if found else None
        time.sleep(0.2)


def gone(title, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if window(title, 1) is None:
            return True
    return False


def wait_until(condition, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def server_cards(server):
    """The cards Radicale stores, leaving out the copies in its caches."""
    return [name for where, _, names in os.walk(os.path.join(server.folder, "store"))
            if ".Radicale" not in where for name in names if name.endswith(".vcf")]


def put_card(server, book, name, text):
    request = urllib.request.Request(book + name, data=text.encode(), method="PUT")
    request.add_header("Content-Type", "text/vcard")
    token = base64.b64encode(("%s:%s" % (server.user, server.password)).encode()).decode()
    request.add_header("Authorization", "Basic " + token)
    urllib.request.urlopen(request, timeout=10).close()


def book_of(folder):
    for line in open(os.path.join(folder, "syncphone"), encoding="utf-8"):
        if line.startswith("book "):
            return line.split(" ", 1)[1].strip()
    return ""


def window_round(program, check):
    print("the window on Xvfb, driven by its keys:")
    display = Display()
    server = peers.Server("radicale")
    folder = tempfile.mkdtemp(prefix="zarvoth-window-")
    peers.write_records(folder, [
        peers.encode_record(i + 1, {"Nick": "N%03d" % i, "FullName": "Person %d" % i,
                                    "Phone": "555%04d" % i}) for i in range(CONTACTS)])
    environment = dict(os.environ, QT_QPA_PLATFORM="xcb", HOME=folder,
                       DBUS_SESSION_BUS_ADDRESS="disabled:")
    app = subprocess.Popen([program], cwd=folder, env=environment, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        main = window("KESTRANE")
        check(main is not None, "the window appears")
        if main is None:
            return
        subprocess.run(["xdotool", "windowfocus", "--sync", main], check=True)
        # From the nickname box back to the tab strip and to the list; its menu; past Import,
        # Export and Sync Now to Set Up Sync...
        keys("shift+Tab", "shift+Tab", "shift+F10", "Down", "Down", "Down", "Down", "Down", "Return")
        dialog = window("Set Up Sync")
        check(dialog is not None, "Shift+F10 on the list, then Set Up Sync... opens the dialog")
        subprocess.run(["xdotool", "windowfocus", "--sync", dialog], check=True)
        type_text(server.root)
        keys("Tab")
        type_text(server.user)
        keys("Tab")
        type_text("wrong")
        keys("Return")
        time.sleep(3)
        check(window("Set Up Sync", 1) is not None and
              not os.path.exists(os.path.join(folder, "syncphone")),
              "a wrong password keeps the dialog open and sets nothing up")
        keys("ctrl+a")
        type_text(server.password)
        keys("Return")
        # No keyring here: the dialog says the password cannot be kept; OK closes it.
        check(wait_until(lambda: os.path.exists(os.path.join(folder, "syncphone")), 20),
              "the right password sets sync up")
        time.sleep(1)
        keys("Return")
        check(gone("Set Up Sync", 10), "OK closes the dialog")
        started = time.time()
        check(wait_until(lambda: len(server_cards(server)) == CONTACTS, 60),
              "the first sync takes the %d contacts to the server (%.1f s)"
              % (CONTACTS, time.time() - started))
        put_card(server, book_of(folder), "phone.vcf",
                 peers.card("phone-1", "Zed", "Zed", "Phone", "555 0199"))
        time.sleep(1)
        # Xvfb has no window manager to give the window the keyboard back after the dialog.
        subprocess.run(["xdotool", "windowfocus", "--sync", main], check=True)
        keys("shift+F10", "Down", "Down", "Down", "Down", "Return")
        check(wait_until(lambda: "Zed" in [r["Nick"] for r in peers.read_records(folder)], 30),
              "Sync Now, reached by the keyboard, brings in a card from the phone")
        # EXIT, 81 x 25 pixels at 344,376 in the window: a click in its middle.
        subprocess.run(["xdotool", "mousemove", "--window", main, "384", "388", "click", "1"],
                       check=True)
        try:
            check(app.wait(10) == 0, "EXIT ends the program with status 0")
        except subprocess.TimeoutExpired:
            check(False, "EXIT ends the program within 10 s")
    finally:
        if app.poll() is None:
            app.terminate()
            app.wait(10)
        server.stop()
        display.stop()
