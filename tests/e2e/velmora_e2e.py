"""Shared harness for the end-to-end tests of both Velmora programs on Xvfb.

Every behaviour is described once and run against either program, the
target, chosen on the command line:
    python3 test_xxx.py wine VELMORA_EXE HELPER_EXE [unittest options]
    python3 test_xxx.py native VELMORA [unittest options]
"wine" runs Velmora.exe inside tests/wine/session.sh (one X display and one
Wine prefix for the whole run); "native" runs the Linux program on a display
of tests/e2e/native-session.sh (with or without a window manager), each start
with a private $HOME and $XDG_CONFIG_HOME. Run stand-alone, a script re-runs
itself inside a session of its own.

The harness talks to the X display with xdotool, xsetroot, xclip and import;
to Windows-side state with the small e2e_helper.exe, to the native program's
X state through Xlib (ctypes).
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
# The display's scale as dots per inch (96 is 100 %); VELMORA_E2E_DPI sets it
# for a run: Wine's DPI in the prefix, or GDK's scale factor natively. The
# window points below are the layout's, at 96 DPI; px() scales them.
DPI = int(os.environ.get("VELMORA_E2E_DPI", "96"))
WIDTH, COLLAPSED_HEIGHT, EXPANDED_HEIGHT = 272, 32, 346
# Centred horizontally, a fifth of the screen height from the top.
HOME = (SCREEN_WIDTH // 2 - WIDTH // 2, SCREEN_HEIGHT // 5)
STRIP_BLUE = (0x41, 0x69, 0xE1)
WHITE = (0xFF, 0xFF, 0xFF)
RED, GREEN, BLUE = (0xFF, 0, 0), (0, 0xFF, 0), (0, 0, 0xFF)

MAIN_CAPTION = "Velmora"


def program_title():
    """The title the build gives the program: "Velmora" and the major and
    minor version of the project (CMakeLists.txt)."""
    cmake = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "CMakeLists.txt")
    with open(cmake) as lists:
        version = re.search(r"project\(Velmora VERSION (\d+)\.(\d+)", lists.read())
    return "Velmora %s.%s" % version.groups()


BOX_CAPTION = program_title()
BOX_PATTERN = "^" + BOX_CAPTION.replace(".", "\\.") + "$"
# A point of the bare screen, clear of the window in both heights and of
# the error boxes, which Wine centres on the screen.
SCREEN_SPOT = (100, 650)

# Window-relative points of the strip.
SWATCH_INSIDE = (14, 15)
STRIP_BACKGROUND = [(0, 0), (34, 29), (135, 5), (160, 24), (265, 28), (271, 31)]
WEBSITE = (40 + 23, 16 + 6)
EMAIL = (96 + 17, 16 + 6)
EXIT = (200 + 11, 16 + 6)
HELP_BUTTON = (240 + 8, 16 + 8)
DRAG_HANDLE = (160, 24)

# Window-relative geometry of the lower area.
BOTTOM_TOP = 34
SLOT_X = 4
SLOT_TOPS = [BOTTOM_TOP + y for y in (84, 122, 160, 198, 236, 274)]
# Inside the slot's frame, clear of the caption "Click" centred in slot 1.
SLOT_INSIDE = [(2, 2), (33, 2), (2, 33), (33, 33)]
CHART_LEFT, CHART_TOP, CHART_PITCH, CHART_SWATCH = 44, BOTTOM_TOP + 84, 19, 18

# The chart, one row per hue, darkest shade first.
CHART = [
    "610B0B 8A0808 B40404 DF0101 FF0000 FE2E2E FA5858 F78181 F5A9A9 F6CECE F8E0E0 FBEFEF",
    "61380B 8A4B08 B45F04 DF7401 FF8000 FE9A2E FAAC58 F7BE81 F5D0A9 F6E3CE F8ECE0 FBF5EF",
    "5E610B 868A08 AEB404 D7DF01 FFFF00 F7FE2E F4FA58 F3F781 F2F5A9 F5F6CE F7F8E0 FBFBEF",
    "38610B 4B8A08 5FB404 74DF00 80FF00 9AFE2E ACFA58 BEF781 D0F5A9 E3F6CE ECF8E0 F5FBEF",
    "0B610B 088A08 04B404 01DF01 00FF00 2EFE2E 58FA58 81F781 A9F5A9 CEF6CE E0F8E0 EFFBEF",
    "0B6138 088A4B 04B45F 01DF74 00FF80 2EFE9A 58FAAC 81F7BE A9F5D0 CEF6E3 E0F8EC EFFBF5",
    "0B615E 088A85 04B4AE 01DFD7 00FFFF 2EFEF7 58FAF4 81F7F3 A9F5F2 CEF6F5 E0F8F7 EFFBFB",
    "0B3861 084B8A 045FB4 0174DF 0080FF 2E9AFE 58ACFA 81BEF7 A9D0F5 CEE3F6 E0ECF8 EFF5FB",
    "0B0B61 08088A 0404B4 0101DF 0000FF 2E2EFE 5858FA 8181F7 A9A9F5 CECEF6 E0E0F8 EFEFFB",
    "380B61 4B088A 5F04B4 7401DF 8000FF 9A2EFE AC58FA BE81F7 D0A9F5 E3CEF6 ECE0F8 F5EFFB",
    "610B5E 8A0886 B404AE DF01D7 FF00FF FE2EF7 FA58F4 F781F3 F5A9F2 F6CEF5 F8E0F7 FBEFFB",
    "610B38 8A084B B4045F DF0174 FF0080 FE2E9A FA58AC F781BE F5A9D0 F6CEE3 F8E0EC FBEFF5",
]


def rgb(text):
    """'#RRGGBB' or 'RRGGBB' -> (r, g, b)."""
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def hex_text(colour):
    return "#%02X%02X%02X" % colour


def tcolor(colour):
    """The colour as Velmora stores it: 0x00BBGGRR."""
    r, g, b = colour
    return r | g << 8 | b << 16


def chart_colour(column, row):
    return rgb(CHART[row].split()[column])


def chart_swatch(column, row):
    """Window-relative top-left corner of a chart swatch."""
    return (CHART_LEFT + CHART_PITCH * column, CHART_TOP + CHART_PITCH * row)


def px(length):
    """A length of the layout in device pixels at DPI, rounded as the program
    rounds it (to the nearest, halves away from zero)."""
    scaled = (abs(length) * DPI + 48) // 96
    return scaled if length >= 0 else -scaled


def run(*args, timeout=10, check=True):
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if check and done.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(args), done.returncode,
                                                   done.stderr.decode(errors="replace")))
    return done.stdout.decode(errors="replace")


def wait_for(what, probe, timeout=5.0, interval=0.05):
    """Polls probe() until it returns something truthy; fails the test after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            crash = " (Wine reports a crash)" if windows_named("^Program Error$") else ""
            raise AssertionError("timed out after %.1f s waiting for %s%s" % (timeout, what, crash))
        time.sleep(interval)


def holds_for(what, probe, seconds=1.5, interval=0.1):
    """Checks that probe() stays truthy for `seconds`: for what must not happen."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not probe():
            raise AssertionError("%s did not hold" % what)
        time.sleep(interval)


# --- the X display -----------------------------------------------------------

def windows_named(pattern, visible=True):
    args = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", pattern]
    return [int(w) for w in run(*args, check=False).split()]


def window_pid(window):
    out = run("xdotool", "getwindowpid", str(window), check=False).strip()
    return int(out) if out.isdigit() else None


def geometry(window):
    """(x, y, width, height) of an X window, or None once it is gone."""
    out = run("xdotool", "getwindowgeometry", "--shell", str(window), check=False)
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    try:
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    except KeyError:
        return None


def net_wm_state(window):
    return run("xprop", "-id", str(window), "_NET_WM_STATE", check=False)


def move_pointer(x, y):
    # NOTE: no --sync: it waits for ever when the pointer is already there.
    run("xdotool", "mousemove", str(x), str(y))


def click(button=1):
    run("xdotool", "click", str(button))


def press(button):
    run("xdotool", "mousedown", str(button))


def release(button):
    run("xdotool", "mouseup", str(button))


def key(keys):
    run("xdotool", "key", keys)


def num_lock():
    return "Num Lock:    on" in run("xset", "q")


def set_num_lock(on):
    """Turns NumLock on or off, as a user at the keyboard would."""
    if num_lock() != on:
        key("Num_Lock")
        wait_for("NumLock %s" % ("on" if on else "off"), lambda: num_lock() == on)


def paint_screen(colour):
    """Paints the bare screen (the root window) in one colour, which it keeps
    until it is painted again (the test displays never reset)."""
    run("xsetroot", "-solid", hex_text(colour))


def read_clipboard():
    done = subprocess.run(["xclip", "-selection", "clipboard", "-o"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=5)
    return done.stdout.decode("latin-1") if done.returncode == 0 else None


def write_clipboard(text):
    """Puts text on the clipboard; xclip serves it until another program takes it."""
    subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text.encode(),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=5)
    wait_for("%r on the clipboard" % text, lambda: read_clipboard() == text)


class Screenshot:
    """The whole screen as raw RGB bytes; at() reads it relative to `origin`,
    in layout points scaled by px() when `scaled`."""

    def __init__(self, origin=(0, 0), scaled=False):
        self.origin, self.scaled = origin, scaled
        self.data = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                                   stdout=subprocess.PIPE, check=True, timeout=10).stdout
        if len(self.data) != SCREEN_WIDTH * SCREEN_HEIGHT * 3:
            raise RuntimeError("unexpected screenshot size %d" % len(self.data))

    def pixel(self, x, y):
        i = (y * SCREEN_WIDTH + x) * 3
        return tuple(self.data[i:i + 3])

    def at(self, point):
        if self.scaled:
            point = (px(point[0]), px(point[1]))
        return self.pixel(self.origin[0] + point[0], self.origin[1] + point[1])

    def save_png(self, path):
        subprocess.run(["convert", "-size", "%dx%d" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-depth", "8",
                        "rgb:-", path], input=self.data, check=True, timeout=10)


def keep_screen(name):
    """Saves the whole screen as e2e-screens/NAME.png in the working folder; returns its path."""
    folder = os.path.join(os.getcwd(), "e2e-screens")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + ".png")
    Screenshot().save_png(path)
    return path


def screen_pixel(x, y):
    data = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y),
                           "-depth", "8", "rgb:-"], stdout=subprocess.PIPE, check=True,
                          timeout=10).stdout
    return tuple(data[:3])


def window_manager():
    """True while a window manager runs on the display (EWMH's check window)."""
    return "window id" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)


def focus_window(window):
    run("xdotool", "windowfocus", "--sync", str(window))


# --- the targets: how each program is started and looked at ------------------

class WineTarget:
    """Velmora.exe under Wine: one prefix for the whole session, a helper
    program for what only Windows can tell."""

    kind = "wine"
    session = os.path.join(HERE, "..", "wine", "session.sh")

    def __init__(self, exe, helper_exe):
        self.exe, self.helper_exe = exe, helper_exe

    @staticmethod
    def in_session():
        # A user's own $DISPLAY or $WINEPREFIX is no session: only session.sh makes one.
        return os.environ.get("VELMORA_SESSION") == "wine"

    def begin_test(self, tmp):
        pass

    def use_dpi(self, dpi):
        """Wine tells the programs started from now on the DPI kept in the
        prefix (the session sets 96 when it starts)."""
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(dpi), "/f"], check=True, **quiet)
        # NOTE: Wine 10 reads the DPI when the prefix's desktop starts: the
        # change reaches the programs only through a new wineserver. Its
        # services are started again here, off the tests' pipes (as
        # tests/wine/session.sh does).
        subprocess.run(["wineserver", "-k"], check=False, **quiet)
        subprocess.run(["wineserver", "-w"], check=False, **quiet)
        subprocess.run(["wineboot"], check=False, **quiet)

    def command(self):
        return ["wine", self.exe]

    def placed(self, corner):
        """Where a window asked to show its top-left corner at `corner` shows it."""
        return corner

    def environment(self):
        return dict(os.environ)

    def config_path(self):
        return os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "Public", "Documents",
                            "Quorvane", "Velmora", "Config.ini")

    def config_name(self):
        """Config.ini's name as the program shows it."""
        return r"C:\users\Public\Documents\Quorvane\Velmora\Config.ini"

    def before_hot_key(self, window):
        # NOTE: under Wine a hot key fires only while one of its windows has
        # the keyboard focus; there is no window manager to give it one.
        focus_window(window)

    def record_links(self, folder, log):
        """Environment changes that make the program's links land in `log`.

        Wine's winebrowser hands web and mail addresses to xdg-open and
        xdg-email from PATH."""
        os.makedirs(folder)
        for name in ("xdg-open", "xdg-email"):
            write_script(os.path.join(folder, name), RECORDER.format(log=log))
        return {"PATH": folder + os.pathsep + os.environ["PATH"]}

    def helper(self, *args, timeout=20):
        """Runs e2e_helper.exe to its end; returns (exit code, stdout lines)."""
        # NOTE: output goes through a file: Wine's services, started by the first
        # program of a session, may keep a pipe open long after the helper ends.
        with tempfile.TemporaryFile() as out:
            code = subprocess.run(["wine", self.helper_exe] + list(args), stdout=out,
                                  stderr=subprocess.DEVNULL, timeout=timeout).returncode
            out.seek(0)
            return code, out.read().decode("latin-1").splitlines()

    def box_texts(self, box):
        """The texts of the controls (static texts, buttons) of an error box."""
        code, lines = self.helper("dialog-texts", BOX_CAPTION)
        return [line.split("|", 1)[1] for line in lines if "|" in line] if code == 0 else []

    def clipboard_owner(self):
        """The top-left corner of the main window of the copy of Velmora that owns
        the clipboard, or None when no Velmora owns it."""
        code, lines = self.helper("clipboard-owner", MAIN_CAPTION)
        return tuple(int(v) for v in lines[0].split()) if code == 0 and lines else None


class NativeTarget:
    """The native Linux program: each test gets a private $HOME and
    $XDG_CONFIG_HOME; the X server itself tells what the program owns."""

    kind = "native"
    session = os.path.join(HERE, "native-session.sh")

    def __init__(self, program):
        self.program = program
        self.home = None
        self.scale = 1

    @staticmethod
    def in_session():
        return bool(os.environ.get("DISPLAY") and os.environ.get("VELMORA_E2E_SESSION"))

    def begin_test(self, tmp):
        self.home = os.path.join(tmp, "home")
        os.makedirs(os.path.join(self.home, ".local", "share"))

    def use_dpi(self, dpi):
        """GDK scales by whole factors only: 192 DPI is a scale of 2."""
        if dpi % 96:
            sys.exit("the native program scales by whole factors, not to %d DPI" % dpi)
        self.scale = dpi // 96

    def command(self):
        return [self.program]

    def placed(self, corner):
        # NOTE: GDK places windows in its own units, whole multiples of the scale.
        return tuple(v // self.scale * self.scale for v in corner)

    def config_home(self):
        return os.path.join(self.home, ".config")

    def environment(self):
        env = dict(os.environ)
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config_home(),
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                   GDK_SCALE=str(self.scale))
        return env

    def config_path(self):
        return os.path.join(self.config_home(), "Quorvane", "Velmora", "Config.ini")

    def config_name(self):
        return self.config_path()

    def before_hot_key(self, window):
        pass  # the key grabs are the X server's: they fire whatever has the focus

    def record_links(self, folder, log):
        """Makes the desktop's handler of web and mail addresses a recorder.

        With no desktop environment GTK asks GIO, which starts the .desktop
        application that mimeapps.list names for the address's scheme."""
        os.makedirs(folder)
        recorder = os.path.join(folder, "recorder")
        write_script(recorder, RECORDER.format(log=log))
        applications = os.path.join(self.home, ".local", "share", "applications")
        os.makedirs(applications, exist_ok=True)
        with open(os.path.join(applications, "velmora-e2e-recorder.desktop"), "w") as entry:
            entry.write("[Desktop Entry]\nType=Application\nName=Recorder\n"
                        "Exec=%s %%u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;"
                        "x-scheme-handler/mailto;\n" % recorder)
        os.makedirs(self.config_home(), exist_ok=True)
        with open(os.path.join(self.config_home(), "mimeapps.list"), "w") as defaults:
            defaults.write("[Default Applications]\n" + "".join(
                "x-scheme-handler/%s=velmora-e2e-recorder.desktop\n" % scheme
                for scheme in ("http", "https", "mailto")))
        return {}

    def box_texts(self, box):
        """None: GTK draws a dialog's texts itself, and nothing outside the
        program reads them without the accessibility services; the X11 tests
        check the error box's texts inside the program."""
        return None

    def clipboard_owner(self):
        pid = selection_owner_pid("CLIPBOARD")
        if pid is None:
            return None
        found = [w for w in windows_named("^%s$" % MAIN_CAPTION) if window_pid(w) == pid]
        return geometry(found[0])[:2] if found else None


TARGET = None

RECORDER = '#!/bin/sh\nprintf "%s %s\\n" "$(basename "$0")" "$1" >> "{log}"\n'


def write_script(path, text):
    with open(path, "w") as script:
        script.write(text)
    os.chmod(path, 0o755)


def selection_owner_pid(selection):
    """The process id of the X client that owns a selection (X-Resource), or None."""
    import ctypes

    class ClientIdQuery(ctypes.Structure):
        _fields_ = [("client", ctypes.c_ulong), ("mask", ctypes.c_uint)]

    class ClientIdValue(ctypes.Structure):
        _fields_ = [("query", ClientIdQuery), ("length", ctypes.c_long),
                    ("value", ctypes.c_void_p)]

    xlib = ctypes.CDLL("libX11.so.6")
    xres = ctypes.CDLL("libXRes.so.1")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xres.XResQueryClientIds.argtypes = [ctypes.c_void_p, ctypes.c_long,
                                        ctypes.POINTER(ClientIdQuery),
                                        ctypes.POINTER(ctypes.c_long),
                                        ctypes.POINTER(ctypes.POINTER(ClientIdValue))]
    xres.XResGetClientPid.argtypes = [ctypes.POINTER(ClientIdValue)]
    xres.XResGetClientPid.restype = ctypes.c_int
    xres.XResClientIdsDestroy.argtypes = [ctypes.c_long, ctypes.POINTER(ClientIdValue)]

    display = xlib.XOpenDisplay(None)
    if not display:
        raise RuntimeError("cannot open the X display")
    try:
        owner = xlib.XGetSelectionOwner(display, xlib.XInternAtom(display, selection.encode(), 0))
        if owner == 0:
            return None
        query = ClientIdQuery(owner, 1 << 1)  # XRES_CLIENT_ID_PID_MASK
        count, values = ctypes.c_long(0), ctypes.POINTER(ClientIdValue)()
        if xres.XResQueryClientIds(display, 1, ctypes.byref(query), ctypes.byref(count),
                                   ctypes.byref(values)) != 0:  # Success
            return None
        pids = [xres.XResGetClientPid(ctypes.byref(values[i])) for i in range(count.value)]
        xres.XResClientIdsDestroy(count, values)
        pids = [p for p in pids if p > 0]
        return pids[0] if pids else None
    finally:
        xlib.XCloseDisplay(display)


def only_on(kind, reason):
    """Marks a test that runs against one target only, and why."""
    def mark(test):
        def run_or_skip(self, *args, **kwargs):
            if TARGET.kind != kind:
                self.skipTest("%s only: %s" % (kind, reason))
            return test(self, *args, **kwargs)
        run_or_skip.__name__, run_or_skip.__doc__ = test.__name__, test.__doc__
        return run_or_skip
    return mark


def config_path():
    return TARGET.config_path()


def reset_config():
    """No Config.ini, but its folder in place, so that a run can write one."""
    path = config_path()
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)
    os.makedirs(os.path.dirname(path), exist_ok=True)


def saved_box():
    """Config.ini's lines."""
    with open(config_path(), "rb") as config:
        return config.read().decode("latin-1").splitlines()


def box_lines(box):
    """Config.ini's lines for a colour box of six colours."""
    return ["[ColorBox]"] + ["CB%d=%d" % (i + 1, tcolor(c)) for i, c in enumerate(box)]


def dialog_texts(box):
    return TARGET.box_texts(box)


def clipboard_owner():
    return TARGET.clipboard_owner()


class ClipboardHolder:
    """A Windows program that keeps the clipboard open for `seconds`."""

    def __init__(self, seconds):
        self.proc = subprocess.Popen(["wine", TARGET.helper_exe, "hold-clipboard", str(seconds)],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     start_new_session=True)
        first = self.proc.stdout.readline().decode().strip()
        if first != "held":
            self.stop()
            raise RuntimeError("the helper could not take the clipboard: %r" % first)

    def wait(self, timeout):
        return self.proc.wait(timeout=timeout)

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


class Velmora:
    """One running Velmora and its main window."""

    def __init__(self, env=None, command=None):
        """Starts the target's program, or `command` (another copy of it)."""
        full_env = TARGET.environment()
        full_env.update(env or {})
        self.errors = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(command or TARGET.command(), env=full_env, stdout=subprocess.DEVNULL,
                                     stderr=self.errors, start_new_session=True)
        try:
            self.window = wait_for("Velmora's window to appear", self._find_window, timeout=30)
        except BaseException:
            self.kill()
            raise

    def _find_window(self):
        if self.proc.poll() is not None:
            self.errors.seek(0)
            raise AssertionError("Velmora ended at start with code %d: %s" % (
                self.proc.returncode, self.errors.read().decode(errors="replace").strip()))
        # By process: a second copy of Velmora may be running.
        found = [w for w in windows_named("^%s$" % MAIN_CAPTION)
                 if window_pid(w) == self.proc.pid]
        return found[0] if len(found) == 1 else None

    # Geometry and pixels, in window coordinates.
    def geometry(self):
        return geometry(self.window)

    def origin(self):
        return self.geometry()[:2]

    def to_screen(self, point):
        """A point of the layout (at 96 DPI) on the screen."""
        x, y = self.origin()
        return (x + px(point[0]), y + px(point[1]))

    def shot(self):
        """A screenshot that reads pixels at points of the window's layout."""
        return Screenshot(self.origin(), scaled=True)

    def swatch(self):
        return screen_pixel(*self.to_screen(SWATCH_INSIDE))

    def wait_swatch(self, colour, timeout=5.0):
        """Waits until the strip's swatch shows `colour` (a tick has sampled it)."""
        wait_for("the swatch to show %s" % hex_text(colour),
                 lambda: self.swatch() == colour, timeout=timeout)

    def point_at_screen(self, colour):
        """Rests the pointer on the bare screen painted `colour` and waits for a tick."""
        paint_screen(colour)
        move_pointer(*SCREEN_SPOT)
        self.wait_swatch(colour)

    def slots(self, shot=None):
        """The six colour-box slots, top to bottom; None for a slot of mixed colour."""
        shot = shot or self.shot()
        found = []
        for top in SLOT_TOPS:
            inside = {shot.at((SLOT_X + x, top + y)) for x, y in SLOT_INSIDE}
            found.append(inside.pop() if len(inside) == 1 else None)
        return found

    def wait_slots(self, expected, timeout=5.0):
        """The first len(expected) slots once they show `expected`, or as they
        are at the timeout."""
        try:
            wait_for("the slots", lambda: self.slots()[:len(expected)] == expected,
                     timeout=timeout)
        except AssertionError:
            pass
        return self.slots()[:len(expected)]

    def slots_on_screen(self):
        """How many slots, from the top, the screen shows whole where the window is."""
        return sum(self.to_screen((0, top + 36))[1] <= SCREEN_HEIGHT for top in SLOT_TOPS)

    # Input.
    def move_to(self, point):
        move_pointer(*self.to_screen(point))

    def click(self, point, button=1):
        self.move_to(point)
        click(button)

    def focus(self):
        focus_window(self.window)

    def hot_key(self, keys):
        TARGET.before_hot_key(self.window)
        key(keys)

    def drag(self, grip, offset, button=1, follows=True):
        """Presses at a window point and moves by offset in steps; the button stays
        down. With `follows`, each step waits until the window has followed the
        pointer. Returns the pointer's final spot."""
        x, y = self.to_screen(grip)
        start = self.origin()
        move_pointer(x, y)
        press(button)
        steps = 6
        for i in range(1, steps + 1):
            dx, dy = offset[0] * i // steps, offset[1] * i // steps
            move_pointer(x + dx, y + dy)
            if not follows:
                continue
            want = TARGET.placed((start[0] + dx, start[1] + dy))

            def followed():
                if self.origin() == want:
                    return True
                # NOTE: a window manager moves the window only once it holds the
                # pointer; a motion that came before is lost to it. A person's
                # hand always moves again: so does ours, by a pixel and back.
                move_pointer(x + dx + 1, y + dy)
                move_pointer(x + dx, y + dy)
                return False
            wait_for("the window at %s" % (want,), followed, interval=0.1)
        return x + offset[0], y + offset[1]

    def other_windows(self):
        """The visible windows of this Velmora besides its main window: (id, geometry)."""
        found = []
        for window in run("xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid),
                          check=False).split():
            place = geometry(int(window))
            if int(window) != self.window and place:
                found.append((int(window), place))
        return found

    def chooser(self):
        """The colour chooser: a new, large window of this Velmora's own, or None."""
        large = [w for w, place in self.other_windows() if place[2] > 200 and place[3] > 200]
        return large[0] if large else None

    def click_chart(self, column, row):
        """Clicks a swatch of the chart once the strip has sampled it; returns its colour."""
        x, y = chart_swatch(column, row)
        colour = chart_colour(column, row)
        self.move_to((x + 9, y + 9))
        self.wait_swatch(colour)
        click()
        move_pointer(*SCREEN_SPOT)
        return colour

    def cancel_chooser(self, slot=0):
        """Clicks a colour-box slot, waits for the colour chooser and leaves it
        with Escape."""
        self.click((SLOT_X + 18, SLOT_TOPS[slot] + 30))
        dialog = wait_for("the colour chooser", self.chooser)
        focus_window(dialog)
        key("Escape")
        wait_for("the chooser to close", lambda: self.chooser() is None, timeout=10)
        move_pointer(*SCREEN_SPOT)

    def expand(self):
        self.click(HELP_BUTTON)
        wait_for("the window to expand", lambda: self.geometry()[3] == px(EXPANDED_HEIGHT))
        move_pointer(*SCREEN_SPOT)  # no tooltip in the way of screenshots

    def exit(self, timeout=15):
        """Clicks "Exit" and returns the process's exit code."""
        self.click(EXIT)
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Velmora did not end within %d s" % timeout)

    def running(self):
        return self.proc.poll() is None

    def kill(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait(timeout=10)


def error_boxes():
    # NOTE: the application's own window carries the same title; it is an
    # invisible zero-size window on Windows, a mapped 1 x 1 one under Wine.
    return [w for w in windows_named(BOX_PATTERN) if (geometry(w) or (0, 0, 0, 0))[2] > 1]


def wait_box(timeout=10):
    """The error box, once it shows."""
    return wait_for("an error box", lambda: (error_boxes() or [None])[0], timeout=timeout)


def dismiss_box(box):
    """Answers the error box with Return, as a user at the keyboard would."""
    focus_window(box)
    key("Return")
    # NOTE: without a window manager Wine keeps a hidden window mapped for
    # about two seconds while it waits for the withdrawal to be confirmed.
    wait_for("the error box to close", lambda: not error_boxes(), timeout=10)


class VelmoraTest(unittest.TestCase):
    """Each test starts with no Config.ini and ends with no Velmora left running."""

    def setUp(self):
        self.assertEqual(windows_named("^%s$" % MAIN_CAPTION, visible=False), [],
                         "a Velmora window is left over from an earlier test")
        self.tmp = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        TARGET.begin_test(self.tmp)
        reset_config()
        self.apps = []

    def start(self, **kwargs):
        app = Velmora(**kwargs)
        self.apps.append(app)
        return app

    def tearDown(self):
        failed = self._failed()
        if failed:
            self._save_screen()
        for app in self.apps:
            if app.running():
                app.kill()
            app.errors.close()
        wait_for("Velmora's windows to go",
                 lambda: not windows_named("^%s$" % MAIN_CAPTION, visible=False), timeout=10)
        reset_config()

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        if outcome is None:
            return True
        # Python 3.11 reports at once; older versions collect in outcome.errors.
        found = list(getattr(outcome, "errors", []))
        if outcome.result is not None:
            found += outcome.result.failures + outcome.result.errors
        return any(exc and (test is self or getattr(test, "test_case", None) is self)
                   for test, exc in found)

    def _save_screen(self):
        try:
            path = keep_screen(self.id().split(".", 1)[-1])
            sys.stderr.write("screen at failure: %s\n" % path)
        except Exception as error:  # the screenshot is only a diagnosis aid
            sys.stderr.write("no screenshot: %s\n" % error)

    def assertColour(self, actual, expected, what):
        self.assertEqual(actual, expected, "%s: %s, expected %s"
                         % (what, hex_text(actual), hex_text(expected)))

    def assertBoxSays(self, box, text):
        """The error box shows `text`, where the target lets its texts be read."""
        with self.subTest("the error box's text"):
            texts = dialog_texts(box)
            if texts is None:
                self.skipTest("the %s program's dialog texts cannot be read from outside"
                              % TARGET.kind)
            self.assertIn(text, texts)

    def assertSlots(self, app, expected):
        """The slots from the top show `expected` (all six, or as many as it names)."""
        def texts(colours):
            return [hex_text(c) if c else "mixed" for c in colours]
        self.assertEqual(texts(app.wait_slots(expected)), texts(expected))


def main():
    """Entry point of every test script:
    wine VELMORA_EXE HELPER_EXE | native VELMORA, then unittest's options."""
    global TARGET
    usage = "usage: %s wine VELMORA_EXE HELPER_EXE | native VELMORA [unittest options]"
    kind = sys.argv[1] if len(sys.argv) > 1 else None
    if kind == "wine" and len(sys.argv) >= 4:
        TARGET = WineTarget(*(os.path.abspath(p) for p in sys.argv[2:4]))
        rest = sys.argv[4:]
    elif kind == "native" and len(sys.argv) >= 3:
        TARGET = NativeTarget(os.path.abspath(sys.argv[2]))
        rest = sys.argv[3:]
    else:
        sys.exit(usage % sys.argv[0])
    if not TARGET.in_session():
        script = os.path.abspath(sys.argv[0])
        os.execv(TARGET.session, [TARGET.session, sys.executable, script] + sys.argv[1:])
    size = run("xdotool", "getdisplaygeometry").split()
    if size != [str(SCREEN_WIDTH), str(SCREEN_HEIGHT)]:
        sys.exit("these tests need a %dx%d screen, not %s" % (SCREEN_WIDTH, SCREEN_HEIGHT, size))
    if DPI == 96:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    TARGET.use_dpi(DPI)
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        TARGET.use_dpi(96)
