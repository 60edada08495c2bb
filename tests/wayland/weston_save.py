#!/usr/bin/python3
"""The real program as a native Wayland client of a headless Weston, driven through the
accessibility bus (Weston 10 takes no injected input): it answers the first start's journal
question, opens the editor for the day, writes the journal text, saves and goes back; the row
must then be in the journal file, the editor's stored top and left unchanged (a Wayland client
cannot know where its window is), and the program's app id the name of its desktop file.

    weston_save.py path/to/orvane
"""

import configparser
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

TODAY = "2025-05-21"  # the program's clock, fixed with libfaketime
TEXT = "ウェストンで書いた日記"
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
FAKETIME = next(iter(glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1")), None)


def fail(message):
    print(f"wayland save test: {message}", file=sys.stderr)
    sys.exit(1)


def wait(what, probe, seconds=30):
    """Polls probe until it gives a value; fails naming `what` after `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail(f"{what} did not come within {seconds} s")


class Session:
    """Weston, a private session bus with its accessibility bus, and the program, all ended
    when the test ends."""

    def __init__(self):
        self.children = []

    def start(self, command, env, log):
        child = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                                 stdin=subprocess.DEVNULL)
        self.children.append(child)
        return child

    def close(self):
        for child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(5)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait()


def log_of(work, name):
    with open(os.path.join(work, name), errors="replace") as file:
        return file.read()[-3000:]


def find(node, match, depth=0):
    """The first accessible below node (depth first) for which match is true."""
    if node is None or depth > 40:
        return None
    try:
        if match(node):
            return node
        count = node.childCount
    except Exception:  # a window that went away while it was walked
        return None
    for index in range(count):
        try:
            found = find(node.getChildAtIndex(index), match, depth + 1)
        except Exception:
            found = None
        if found is not None:
            return found
    return None


def press(node):
    """Runs the accessible's first action (a button's press, a menu item's trigger)."""
    action = node.queryAction()
    if action.nActions < 1:
        fail(f"'{node.name}' offers no action")
    action.doAction(0)


def main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        fail("give the path of the orvane program")
    binary = os.path.realpath(sys.argv[1])
    for tool, package in (("weston", "weston"), ("dbus-daemon", "dbus-daemon"),
                          ("sqlite3", "sqlite3")):
        if shutil.which(tool) is None:
            fail(f"{tool} is not installed (scripts/install-deps.sh installs {package})")
    if not os.access(LAUNCHER, os.X_OK):
        fail(f"{LAUNCHER} is missing (scripts/install-deps.sh installs at-spi2-core)")
    if FAKETIME is None:
        fail("libfaketimeMT.so.1 is missing (scripts/install-deps.sh installs faketime)")

    work = tempfile.mkdtemp(prefix="orvane-wayland-")
    session = Session()
    try:
        run(binary, work, session)
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)


def run(binary, work, session):
    home = os.path.join(work, "home")
    env = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local/share"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_RUNTIME_DIR": os.path.join(work, "runtime"),
        "LANG": "C.UTF-8",
    }
    for folder in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        os.makedirs(env[folder], mode=0o700, exist_ok=True)
    os.chmod(env["XDG_RUNTIME_DIR"], 0o700)

    # A paint program that exists, so the first start asks only for the journal; an editor
    # place that the save must leave alone.
    settings = os.path.join(env["XDG_CONFIG_HOME"], "orvane", "orvane.ini")
    os.makedirs(os.path.dirname(settings), mode=0o700)
    with open(settings, "w") as file:
        file.write("[Option]\npPath=/bin/true\n[Mirel]\nTop=1500\nLeft=3000\n")

    bus_log = open(os.path.join(work, "dbus.log"), "w")
    bus = session.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                        subprocess.PIPE)
    address = bus.stdout.readline().decode().strip()
    if not address:
        fail("the private session bus did not start")
    env["DBUS_SESSION_BUS_ADDRESS"] = address
    session.start([LAUNCHER, "--launch-immediately"], env, bus_log)

    weston = session.start(["weston", "--backend=headless-backend.so", "--socket=orvane-0",
                            "--idle-time=0", "--width=1280", "--height=1024"],
                           env, open(os.path.join(work, "weston.log"), "w"))
    socket = os.path.join(env["XDG_RUNTIME_DIR"], "orvane-0")
    wait("Weston's socket", lambda: os.path.exists(socket) or weston.poll() is not None, 20)
    if weston.poll() is not None:
        fail(f"weston ended at once: {log_of(work, 'weston.log')}")

    # The test's own end of the accessibility bus, found through the private session bus.
    os.environ.update(DBUS_SESSION_BUS_ADDRESS=address, XDG_RUNTIME_DIR=env["XDG_RUNTIME_DIR"])
    os.environ.pop("DISPLAY", None)
    try:
        import pyatspi
    except ImportError:
        fail("pyatspi is missing (scripts/install-deps.sh installs python3-pyatspi)")

    program_env = dict(env, WAYLAND_DISPLAY="orvane-0", QT_QPA_PLATFORM="wayland",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                       LD_PRELOAD=FAKETIME, FAKETIME=f"@{TODAY} 10:00:00",
                       FAKETIME_DONT_FAKE_MONOTONIC="1", WAYLAND_DEBUG="client")
    # The sanitizer build's options pass through; its address sanitizer wants to be the first
    # library loaded, and the clock's library preloaded before it is harmless.
    for name in ("UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            program_env[name] = os.environ[name]
    program_env["ASAN_OPTIONS"] = ":".join(
        filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    program_log = "orvane.log"
    program = session.start([binary], program_env, open(os.path.join(work, program_log), "w"))

    def app():
        if program.poll() is not None:
            fail(f"the program ended (status {program.returncode}): {log_of(work, program_log)}")
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            child = desktop.getChildAtIndex(index)
            if child is not None and child.name == "orvane":
                return child
        return None

    def control(role, name_start):
        node = app()
        return node and find(node, lambda n: n.getRoleName() == role and
                             (n.name or "").startswith(name_start))

    # The first start: a new journal is announced, OK makes it.
    press(wait("the journal question's OK button", lambda: control("push button", "OK")))
    wait("the calendar window", lambda: control("frame", "Velmoraカレンダー"))
    press(wait("the menu item 日記を書く", lambda: control("menu item", "日記を書く")))
    text = wait("the editor's journal box 日記", lambda: control("text", "日記"))
    if not text.queryEditableText().setTextContents(TEXT):
        fail("the journal box refused the text")
    press(wait("the menu item 保存して戻る", lambda: control("menu item", "保存して戻る")))

    # Going back saves first, so the journal is written once the editor has closed.
    wait("the editor closing", lambda: control("frame", "Velmoraカレンダー") and
         control("text", "日記") is None, 20)
    journal = os.path.join(env["XDG_DATA_HOME"], "orvane", "orvane.mdb")
    query = subprocess.run(["sqlite3", journal, "select Reg_dat, Mirel_txt from Mirel"],
                           capture_output=True, text=True)
    if query.returncode != 0 or query.stdout != f"{TODAY} 00:00:00|{TEXT}\n":
        fail(f"the journal holds {query.stdout!r} {query.stderr!r} instead of the entry of {TODAY}")
    stored = configparser.ConfigParser()
    stored.read(settings)
    place = (stored.get("Mirel", "Top", fallback=None), stored.get("Mirel", "Left", fallback=None))
    if place != ("1500", "3000"):
        fail(f"the editor's stored top and left became {place} instead of ('1500', '3000')")
    if not stored.has_option("Mirel", "Height"):
        fail("going back from the editor saved no settings")
    # The protocol log: the desktop finds the icon through the app id, the desktop file's name.
    if 'set_app_id("io.github.velmora.orvane")' not in open(os.path.join(work, program_log),
                                                             errors="replace").read():
        fail("the program gave Weston no app id io.github.velmora.orvane")
    print("wayland save test: passed")


if __name__ == "__main__":
    main()
