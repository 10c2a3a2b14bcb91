"""The contract suite's screen on the headless GNOME session: a full-screen
native Wayland window of one colour, and the pointer moved through mutter's
RemoteDesktop interface. Each line "RRGGBB X Y" on standard input fills the
window with that colour, rests the pointer on (X, Y) and answers "shown" once
the colour has been drawn.
  color_window.py   (inside session.sh, with /usr/bin/python3)"""
import os
import sys

import gi

os.environ["GDK_BACKEND"] = "wayland"  # before GTK starts
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

remote = desktop.Remote()
window = Gtk.Window(title="colour")
style = Gtk.CssProvider()
Gtk.StyleContext.add_provider_for_screen(window.get_screen(), style,
                                         Gtk.STYLE_PROVIDER_PRIORITY_APPLICATION)
pending = []  # the pointer's place, until the colour is drawn


def fill(rgb):
    style.load_from_data(b"window { background: #%06X; }" % rgb)


def drawn(*_):
    # The compositor has the new picture a frame after GTK drew it.
    if pending:
        x, y = pending.pop()
        GLib.timeout_add(100, lambda: answer(x, y))
    return False


def answer(x, y):
    remote.move_to(x, y)
    print("shown", flush=True)
    return False


def command(channel, _condition):
    line = channel.readline()
    if not line:
        Gtk.main_quit()
        return False
    rgb, x, y = line.split()
    pending[:] = [(int(x), int(y))]
    fill(int(rgb, 16))
    window.queue_draw()
    return True


window.connect_after("draw", drawn)
fill(0)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, command)
window.fullscreen()
window.show_all()
Gtk.main()
remote.stop()
