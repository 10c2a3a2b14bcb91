"""A 100 x 100 native Wayland window (GTK 3) that changes its colour 20 times
a second while told "change" on standard input, and holds still when told
"still"; says "shown" once it is on the screen.
  GDK_BACKEND=wayland /usr/bin/python3 changing_square.py"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib, Gtk  # noqa: E402

state = {"step": 0, "timer": 0}
image = Gtk.Image()


def paint():
    step = state["step"]
    pixbuf = GdkPixbuf.Pixbuf.new(GdkPixbuf.Colorspace.RGB, False, 8, 100, 100)
    pixbuf.fill(((step * 37 % 256) << 24) | ((step * 91 % 256) << 16) | ((step * 53 % 256) << 8))
    image.set_from_pixbuf(pixbuf)


def change():
    state["step"] += 1
    paint()
    return True


def command(channel, _condition):
    line = channel.readline()
    if not line:
        Gtk.main_quit()
        return False
    if line.strip() == "change" and not state["timer"]:
        state["timer"] = GLib.timeout_add(50, change)
    elif line.strip() == "still" and state["timer"]:
        GLib.source_remove(state["timer"])
        state["timer"] = 0
    return True


window = Gtk.Window(title="square")
window.set_decorated(False)
window.set_resizable(False)
paint()
window.add(image)
window.connect("map-event", lambda *a: GLib.timeout_add(500, lambda: print("shown", flush=True)))
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, command)
window.show_all()
Gtk.main()
