"""The headless GNOME session's hands and eyes for the Wayland tests (run
inside session.sh, with /usr/bin/python3 for python3-gi):
 - Remote: the pointer and keys through mutter's RemoteDesktop interface;
 - show_picture(): a full-screen window of known pixels, whose colour at
   (x, y) is picture_colour(x, y)."""
import os
import subprocess
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

MUTTER = "org.gnome.Mutter.RemoteDesktop"


def picture_colour(x, y):
    """RRGGBB of the picture at (x, y): every pixel of a 256 x 256 square
    differs, and neighbours always differ in blue (odd and even sums)."""
    return "%02X%02X%02X" % (x & 0xFF, y & 0xFF, 0x55 if (x + y) % 2 == 0 else 0xAA)


class Remote:
    """One RemoteDesktop session: the pointer and the keyboard."""

    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        path = self.call("/org/gnome/Mutter/RemoteDesktop", MUTTER, "CreateSession", None)[0]
        self.session = path
        self.call(path, MUTTER + ".Session", "Start", None)

    def call(self, path, interface, method, args):
        reply = self.bus.call_sync(MUTTER, path, interface, method, args, None,
                                   Gio.DBusCallFlags.NONE, 10000, None)
        return reply.unpack() if reply is not None else ()

    def move_to(self, x, y):
        """To the corner, where the pointer stops, then (x, y) from there."""
        self.call(self.session, MUTTER + ".Session", "NotifyPointerMotionRelative",
                  GLib.Variant("(dd)", (-100000.0, -100000.0)))
        self.call(self.session, MUTTER + ".Session", "NotifyPointerMotionRelative",
                  GLib.Variant("(dd)", (float(x), float(y))))

    def key(self, keysym):
        for down in (True, False):
            self.call(self.session, MUTTER + ".Session", "NotifyKeyboardKeysym",
                      GLib.Variant("(ub)", (keysym, down)))
            time.sleep(0.05)

    def answer_share(self, share):
        """Answers GNOME's share dialog (xdg-desktop-portal-gnome 43) from the
        keyboard, its settings left as they come (the one monitor chosen,
        "Remember this selection" on). Tab goes to Cancel third, Share fourth."""
        keys = [KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB, KEY_SPACE] if share else \
            [KEY_TAB, KEY_TAB, KEY_TAB, KEY_SPACE]
        for keysym in keys:
            self.key(keysym)
            time.sleep(0.2)

    def stop(self):
        self.call(self.session, MUTTER + ".Session", "Stop", None)


KEY_TAB, KEY_SPACE = 0xFF09, 0x20

PICTURE = r'''
import sys
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk, GdkPixbuf, GLib
w, h = int(sys.argv[1]), int(sys.argv[2])
rows = []
for y in range(h):
    row = bytearray(w * 3)
    row[0::3] = bytes(x & 0xFF for x in range(w))
    row[1::3] = bytes([y & 0xFF]) * w
    row[2::3] = bytes((0x55 if (x + y) % 2 == 0 else 0xAA) for x in range(w))
    rows.append(bytes(row))
pixbuf = GdkPixbuf.Pixbuf.new_from_bytes(GLib.Bytes.new(b"".join(rows)), GdkPixbuf.Colorspace.RGB,
                                         False, 8, w, h, w * 3)
window = Gtk.Window(title="picture")
window.add(Gtk.Image.new_from_pixbuf(pixbuf))
window.connect("map-event", lambda *a: GLib.timeout_add(500, lambda: print("shown", flush=True)))
window.fullscreen()
window.show_all()
Gtk.main()
'''


def show_picture(width, height):
    """A full-screen native Wayland window of the picture; returns the process
    once it shows."""
    env = dict(os.environ, GDK_BACKEND="wayland")
    process = subprocess.Popen(["/usr/bin/python3", "-c", PICTURE, str(width), str(height)],
                               stdout=subprocess.PIPE, text=True, env=env)
    line = process.stdout.readline()
    if line.strip() != "shown":
        sys.exit("the picture did not show")
    return process
