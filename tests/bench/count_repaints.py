"""Counts the paints an X window receives, from outside the program that
paints it: one XDamage event per drawing request on it.
    python3 count_repaints.py WINDOW_NAME SECONDS
prints "repaints N" (the window found by its exact name on $DISPLAY)."""

import ctypes
import subprocess
import sys
import time

X_DAMAGE_REPORT_RAW_RECTANGLES = 0
X_DAMAGE_NOTIFY = 0  # added to the extension's event base


def main():
    name, seconds = sys.argv[1], float(sys.argv[2])
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                           stdout=subprocess.PIPE, check=True, timeout=10).stdout.split()
    window = int(found[0])
    xlib = ctypes.CDLL("libX11.so.6")
    damage = ctypes.CDLL("libXdamage.so.1")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                             ctypes.POINTER(ctypes.c_int)]
    damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    damage.XDamageCreate.restype = ctypes.c_ulong
    display = xlib.XOpenDisplay(None)
    event_base, error_base = ctypes.c_int(), ctypes.c_int()
    if not display or not damage.XDamageQueryExtension(display, ctypes.byref(event_base),
                                                       ctypes.byref(error_base)):
        sys.exit("count_repaints.py: no X display with the DAMAGE extension")
    damage.XDamageCreate(display, window, X_DAMAGE_REPORT_RAW_RECTANGLES)
    xlib.XSync(display, 0)
    event = ctypes.create_string_buffer(192)  # an XEvent

    def damage_events(seconds):
        count = 0
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while xlib.XPending(display):
                xlib.XNextEvent(display, event)
                if int.from_bytes(event.raw[0:4], "little") == event_base.value + X_DAMAGE_NOTIFY:
                    count += 1
            time.sleep(0.01)
        return count
    # NOTE: a new damage object first reports the window's whole content.
    damage_events(0.3)
    print("repaints %d" % damage_events(seconds))


if __name__ == "__main__":
    main()
