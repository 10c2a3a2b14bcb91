"""The headless GNOME session's hands and eyes for the Wayland tests (run
inside session.sh, with /usr/bin/python3 for python3-gi):
 - Remote: the pointer and keys through mutter's RemoteDesktop interface;
 - Picture: a full-screen window of known pixels on each monitor, whose
   colour at (x, y) is picture_colour(x, y, monitor); it also tells when
   the share dialog takes the keyboard from it;
 - check(), waiting, Velmora's X windows and error boxes, the session's
   processes (for the fault tests), the program's title (TITLE)."""
import os
import select
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

MUTTER = "org.gnome.Mutter.RemoteDesktop"

# The title of Velmora's error boxes, as the build makes it ("Velmora" and
# major.minor of the project's version): CMake passes it to each test.
TITLE = os.environ.get("VELMORA_TITLE", "")

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def finish():
    if failures:
        sys.exit("%d failed" % len(failures))


def wait_for(probe, timeout, step=0.1):
    """probe()'s first true value within `timeout` seconds, else None."""
    deadline = time.time() + timeout
    while True:
        value = probe()
        if value or time.time() >= deadline:
            return value or None
        time.sleep(step)


# Neighbours always differ in blue (odd and even sums); each monitor's
# picture has blues of its own, so a reading from the wrong monitor shows.
BLUES = [(0x55, 0xAA), (0x33, 0xCC), (0x11, 0xEE)]


def picture_colour(x, y, monitor=0):
    """RRGGBB of the picture at desktop position (x, y): every pixel of a
    256 x 256 square differs, and neighbours always differ in blue."""
    return "%02X%02X%02X" % (x & 0xFF, y & 0xFF, BLUES[monitor][(x + y) % 2])


class Remote:
    """One RemoteDesktop session: the pointer and the keyboard."""

    def __init__(self, scale=1):
        # NOTE: mutter takes relative motion in logical pixels (device pixels
        # divided by the monitor's scale).
        self.scale = scale
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        path = self.call("/org/gnome/Mutter/RemoteDesktop", MUTTER, "CreateSession", None)[0]
        self.session = path
        self.call(path, MUTTER + ".Session", "Start", None)
        # NOTE: the session's keyboard exists once it has typed; windows shown
        # after that get the keyboard focus (and the share dialog the first
        # widget's), so that the focus shows when the dialog comes.
        self.key(KEY_SHIFT)

    def call(self, path, interface, method, args):
        reply = self.bus.call_sync(MUTTER, path, interface, method, args, None,
                                   Gio.DBusCallFlags.NONE, 10000, None)
        return reply.unpack() if reply is not None else ()

    def move_to(self, x, y, monitors=1):
        """To the desktop's top-left corner, then (x, y) (device pixels) from
        there. NOTE: mutter keeps a move that would leave every monitor on the
        pointer's monitor, at its edge: from a monitor's corner one pixel to
        the left reaches the monitor beside it (side by side, tops aligned)."""
        for step in range(monitors):
            self.motion(-100000.0, -100000.0)
            if step < monitors - 1:
                self.motion(-1.0, 0.0)
        self.motion(float(x), float(y))

    def motion(self, dx, dy):
        self.call(self.session, MUTTER + ".Session", "NotifyPointerMotionRelative",
                  GLib.Variant("(dd)", (dx / self.scale, dy / self.scale)))

    def key(self, keysym, modifier=None):
        """Presses and releases a key, with `modifier` held if given."""
        order = [(modifier, True), (keysym, True), (keysym, False), (modifier, False)]
        for code, down in order if modifier else order[1:3]:
            self.call(self.session, MUTTER + ".Session", "NotifyKeyboardKeysym",
                      GLib.Variant("(ub)", (code, down)))
            time.sleep(0.05)

    def answer_share(self, share, monitors=1):
        """Answers GNOME's share dialog (xdg-desktop-portal-gnome 43) from the
        keyboard, "Remember this selection" left on. One monitor comes
        chosen: Tab goes to Cancel second, Share third. Of several none is:
        the focus starts on the first's row, Space chooses a row and Down
        goes to the next; from the last row Share is the fourth Tab (found
        by trying, the portal's Response telling shared or cancelled)."""
        if not share:
            keys = [KEY_TAB, KEY_TAB, KEY_SPACE]
        elif monitors == 1:
            keys = [KEY_TAB, KEY_TAB, KEY_TAB, KEY_SPACE]
        else:
            keys = ([(KEY_HOME, KEY_CONTROL)] +
                    [(KEY_SPACE, KEY_CONTROL), (KEY_DOWN, KEY_CONTROL)] * (monitors - 1) +
                    [(KEY_SPACE, KEY_CONTROL)] + [KEY_TAB] * 4 + [KEY_SPACE])
        for key in keys:
            self.key(*key) if isinstance(key, tuple) else self.key(key)
            time.sleep(0.2)

    def stop(self):
        self.call(self.session, MUTTER + ".Session", "Stop", None)


KEY_TAB, KEY_SPACE, KEY_DOWN, KEY_HOME = 0xFF09, 0x20, 0xFF54, 0xFF50
KEY_SHIFT, KEY_CONTROL = 0xFFE1, 0xFFE3

PICTURE = r'''
import sys
import gi
gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gtk, Gdk, GdkPixbuf, GLib
# monitor, its origin and size in device pixels, the scale, its two blues
monitor, x0, y0, w, h, scale, even, odd = (int(a) for a in sys.argv[1:9])
# GDK's monitor at that origin (its geometry is in logical pixels).
display = Gdk.Display.get_default()
index = [i for i in range(display.get_n_monitors())
         if (display.get_monitor(i).get_geometry().x,
             display.get_monitor(i).get_geometry().y) == (x0 // scale, y0 // scale)][0]
rows = []
for y in range(y0, y0 + h):
    row = bytearray(w * 3)
    row[0::3] = bytes(x & 0xFF for x in range(x0, x0 + w))
    row[1::3] = bytes([y & 0xFF]) * w
    row[2::3] = bytes((even if (x + y) % 2 == 0 else odd) for x in range(x0, x0 + w))
    rows.append(bytes(row))
pixbuf = GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(b"".join(rows)), GdkPixbuf.Colorspace.RGB,
                                         False, 8, w, h, w * 3)
window = Gtk.Window(title="picture %d" % monitor)
window.realize()
# Drawn in device pixels, one image pixel to one screen pixel at any scale.
window.add(Gtk.Image.new_from_surface(Gdk.cairo_surface_create_from_pixbuf(pixbuf, scale,
                                                                           window.get_window())))
say = lambda text: print(text, flush=True)
window.connect("map-event", lambda *a: GLib.timeout_add(500, lambda: say("shown")))
window.connect("focus-out-event", lambda *a: say("focus-out"))
window.connect("focus-in-event", lambda *a: say("focus-in"))
window.fullscreen_on_monitor(window.get_screen(), index)
window.show_all()
Gtk.main()
'''


class Picture:
    """Full-screen native Wayland windows of the picture, one a monitor;
    `monitors` lists each one's (x, y, width, height) in device pixels.
    Shown after Remote() has typed, the last one shown has the keyboard."""

    def __init__(self, monitors, scale=1):
        env = dict(os.environ, GDK_BACKEND="wayland")
        self.processes = []
        for index, (x, y, width, height) in enumerate(monitors):
            process = subprocess.Popen(
                ["/usr/bin/python3", "-c", PICTURE, str(index), str(x), str(y), str(width),
                 str(height), str(scale)] + [str(b) for b in BLUES[index]],
                stdout=subprocess.PIPE, text=True, env=env)
            self.processes.append(process)
            seen = [process.stdout.readline().strip()]
            while seen[-1] not in ("shown", ""):
                seen.append(process.stdout.readline().strip())
            if seen[-1] != "shown":
                self.kill()
                sys.exit("the picture did not show")
        self.focused = "focus-in" in seen or self.wait_line("focus-in", 5)

    def wait_line(self, text, timeout):
        """True once the last picture has said `text`; False after `timeout`."""
        out = self.processes[-1].stdout
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not select.select([out], [], [], max(0.0, deadline - time.time()))[0]:
                break
            line = out.readline().strip()
            if line == text:
                return True
            if not line:
                break
        return False

    def share_dialog_shown(self, timeout=20):
        """True once the share dialog has taken the keyboard from the picture
        (the last picture shown has it until then); False after `timeout`.

        NOTE: headless, mutter has no introspection of its windows
        (org.gnome.Shell.Introspect is gnome-shell's); the picture's own
        focus is the signal."""
        if not self.focused:
            print("     the picture never had the keyboard: no sign of the dialog", flush=True)
            return False
        return self.wait_line("focus-out", timeout)

    def kill(self):
        for process in self.processes:
            process.kill()
            process.wait(timeout=10)


def show_picture(width, height):
    """The picture full-screen on the one monitor."""
    return Picture([(0, 0, width, height)])


def x_windows(pid=None, name=None):
    """Viewable X windows (XWayland's) of a process and/or of a title."""
    command = ["xdotool", "search", "--onlyvisible"]
    if pid is not None:
        command += ["--pid", str(pid)]
    if name is not None:
        command += ["--name", name]
    return subprocess.run(command, capture_output=True, text=True).stdout.split()


def strip_window(pid, timeout=10):
    """Velmora's viewable X window (it runs on XWayland)."""
    found = wait_for(lambda: x_windows(pid=pid), timeout, 0.2)
    return found[-1] if found else None


def error_box(pid=None, timeout=15):
    """The error box titled with the program's title, or None."""
    if not TITLE.startswith("Velmora "):
        sys.exit("VELMORA_TITLE is not set (the tests' CMakeLists passes the program's title)")
    found = wait_for(lambda: x_windows(pid=pid, name="^%s$" % TITLE), timeout, 0.2)
    return found[0] if found else None


def answer_box(box):
    """The box is an X11 window: XWayland's own XTEST answers it (mutter does
    not give it the keyboard of the RemoteDesktop session here)."""
    subprocess.run(["xdotool", "windowfocus", "--sync", box, "key", "Return"], timeout=10)


def box_and_exit(process, words, box_timeout=15):
    """`process` shows an error box, and once it is answered ends with code
    3; standard error says `words`. Returns the exit code."""
    box = error_box(process.pid, box_timeout)
    check(box is not None, "an error box titled \"%s\" shows within %d s" % (TITLE, box_timeout))
    if box is not None:
        answer_box(box)
    try:
        code = process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        code = None
    errors = process.stderr.read()
    check(code == 3, "it ends with exit code 3 (was %s)" % code)
    check(words in errors, "the message says \"%s\": %r" % (words, errors[-300:]))
    return code


def session_process(name):
    """The pid of the session's process of that program name (this session's
    XDG_RUNTIME_DIR in its environment), or None."""
    mine = ("XDG_RUNTIME_DIR=" + os.environ["XDG_RUNTIME_DIR"]).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                if os.path.basename(cmdline.read().split(b"\0")[0]) != name.encode():
                    continue
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if mine in environ.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def kill_session_process(name):
    """Kills the session's process of that name; True if there was one."""
    pid = session_process(name)
    if pid is None:
        return False
    os.kill(pid, signal.SIGKILL)
    return True


def x_pixel(window, x, y):
    """RRGGBB of an X window's own pixel at (x, y) (XWayland keeps X windows'
    contents: no screen capture is needed for Velmora's windows)."""
    return x_pixels(window, [(x, y)])[0]


def x_pixels(window, points):
    """RRGGBB of an X window's own pixels at each of `points`."""
    shot = subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"],
                          capture_output=True, timeout=10)
    size = subprocess.run(["xdotool", "getwindowgeometry", str(window)], capture_output=True,
                          text=True).stdout
    width = int(size.split("Geometry:")[1].split("x")[0]) if "Geometry:" in size else 0
    data = shot.stdout
    out = []
    for x, y in points:
        i = (y * width + x) * 3
        out.append(data[i:i + 3].hex().upper() if width and i + 3 <= len(data) else "")
    return out


def x_geometry(window):
    """(x, y, width, height) of an X window on XWayland's screen."""
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)],
                         capture_output=True, text=True).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return tuple(int(values.get(k, -1)) for k in ("X", "Y", "WIDTH", "HEIGHT"))


class Probe:
    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)

    def ready(self, timeout):
        """True once the probe sees the screen; False if it has not by then."""
        if not select.select([self.process.stdout], [], [], timeout)[0]:
            return False
        return self.process.stdout.readline().strip() == "ready"

    def read(self):
        return self.ask("read")

    def ask(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        if not select.select([self.process.stdout], [], [], 5)[0]:
            return "no answer"
        return self.process.stdout.readline().strip()

    def end(self):
        self.process.stdin.close()
        return self.process.wait(timeout=10)

    def block(self, radius):
        """"X Y" and the (2 radius + 1)^2 colours around the pointer, row by
        row, from one read; or the probe's other answer."""
        return self.ask("block %d" % radius)


def panel_colour(window, scale=1):
    """RRGGBB in the middle of the colour panel (the strip's first 30 x 32
    layout pixels)."""
    return x_pixel(window, 14 * scale, 15 * scale)


def shows(window, remote, x, y, expected=None, scale=1):
    """Points at (x, y) and checks the panel shows the picture's pixel there
    (or `expected`)."""
    remote.move_to(x, y)
    expected = expected or picture_colour(x, y)
    seen = ""
    for _ in range(20):
        time.sleep(0.15)
        seen = panel_colour(window, scale)
        if seen == expected:
            break
    check(seen == expected, "at (%d, %d) the panel shows %s (expected %s)" % (x, y, seen, expected))
    return expected


def command(program, option):
    """`velmora OPTION` (--copy-hex, --copy-dec, --store) ends with 0, silent."""
    done = subprocess.run([program, option], capture_output=True, text=True, timeout=30)
    check(done.returncode == 0 and done.stderr == "",
          "velmora %s ends with 0 (%s, %r)" % (option, done.returncode, done.stderr))


DISPLAY_CONFIG = "org.gnome.Mutter.DisplayConfig"


def display_config(method, args=None):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync(DISPLAY_CONFIG, "/org/gnome/Mutter/DisplayConfig", DISPLAY_CONFIG,
                          method, args, None, Gio.DBusCallFlags.NONE, 10000, None)
    return reply.unpack() if reply is not None else ()


def monitors():
    """Each logical monitor's (x, y, width, height, scale), left to right, its
    size in device pixels (its current mode)."""
    _, physical, logical, _ = display_config("GetCurrentState")
    modes = {}
    for (connector, _, _, _), monitor_modes, _ in physical:
        for _, width, height, _, _, _, props in monitor_modes:
            if props.get("is-current"):
                modes[connector] = (width, height)
    found = []
    for x, y, scale, _, _, members, _ in logical:
        width, height = modes[members[0][0]]
        found.append((x, y, width, height, scale))
    return sorted(found)


def set_scale(scale):
    """Every monitor at `scale`, where they are, until the session ends
    (ApplyMonitorsConfig's method 1, temporary)."""
    serial, physical, logical, _ = display_config("GetCurrentState")
    current = {}
    for (connector, _, _, _), monitor_modes, _ in physical:
        for mode_id, _, _, _, _, scales, props in monitor_modes:
            if props.get("is-current"):
                if not any(abs(s - scale) < 0.01 for s in scales):
                    sys.exit("mutter offers %s no scale of %s (only %s)" % (connector, scale, scales))
                current[connector] = mode_id
    layout = [(x, y, float(scale), transform, primary,
               [(m[0], current[m[0]], {}) for m in members])
              for x, y, _, transform, primary, members, _ in logical]
    display_config("ApplyMonitorsConfig", GLib.Variant(
        "(uua(iiduba(ssa{sv}))a{sv})", (serial, 1, layout, {})))
    if not all(abs(m[4] - scale) < 0.01 for m in monitors()):
        sys.exit("the monitors are not at a scale of %s: %s" % (scale, monitors()))


if __name__ == "__main__" and sys.argv[1:2] == ["scale"]:
    set_scale(float(sys.argv[2]))
