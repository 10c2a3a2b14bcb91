"""Start-up against a yardstick, alternating: each program is started, timed
from its launch until its window (found by title) is mapped on $DISPLAY,
and stopped, STARTS times each after one start of each that is not counted:
    python3 starts.py STARTS TITLE COMMAND... -- BARE_TITLE BARE_COMMAND...
prints three lines, each "median lower_quartile upper_quartile":
    program_ms ...    the program's start-ups
    bare_ms ...       the yardstick's
    ratio ...         each start of the program against the yardstick's start
                      after it (the two meet the machine's load of one moment)

The X server reports every map of a top-level window (the children of the
root window, with no window manager) as it happens, so a time has no polling
grain and the waiting costs no CPU beside the starting program."""

import ctypes
import os
import select
import signal
import subprocess
import sys
import time

MAP_NOTIFY = 19
PROPERTY_NOTIFY = 28
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
PROPERTY_CHANGE_MASK = 1 << 22
TIMEOUT_SECONDS = 30


class XAnyEvent(ctypes.Structure):
    # XMapEvent and XPropertyEvent begin so: the event's window, then the
    # window concerned (the mapped one; for a property, the same window).
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong)]


def x_library():
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
    xlib.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                ctypes.POINTER(ctypes.c_char_p)]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    return xlib


def window_name(xlib, display, window):
    name = ctypes.c_char_p()
    if not xlib.XFetchName(display, window, ctypes.byref(name)) or not name.value:
        return None
    text = name.value.decode("utf-8", "replace")
    xlib.XFree(name)
    return text


class MapWatch:
    """Maps of top-level windows on $DISPLAY, as the X server reports them."""

    def __init__(self):
        self.xlib = x_library()
        self.display = self.xlib.XOpenDisplay(None)
        if not self.display:
            sys.exit("starts.py: no X display")
        self.xlib.XSelectInput(self.display, self.xlib.XDefaultRootWindow(self.display),
                               SUBSTRUCTURE_NOTIFY_MASK)
        self.xlib.XSync(self.display, 0)
        self.event = ctypes.create_string_buffer(192)  # an XEvent
        self.header = XAnyEvent.from_buffer(self.event)

    def start_ms(self, title, command):
        """Launches `command`, waits until its window `title` is mapped, stops
        it and waits until it is gone; the milliseconds to the map."""
        xlib, display = self.xlib, self.display
        mapped = set()  # mapped windows whose name did not match (yet)
        devnull = subprocess.DEVNULL
        start = time.monotonic()
        program = subprocess.Popen(command, stdin=devnull, stdout=devnull, stderr=devnull,
                                   start_new_session=True)
        deadline = start + TIMEOUT_SECONDS
        shown = None
        while shown is None:
            while shown is None and xlib.XPending(display):
                xlib.XNextEvent(display, self.event)
                window = None
                if self.header.type == MAP_NOTIFY:
                    window = self.header.window
                    # A name given after the map counts when it comes.
                    xlib.XSelectInput(display, window, PROPERTY_CHANGE_MASK)
                    mapped.add(window)
                elif self.header.type == PROPERTY_NOTIFY and self.header.window in mapped:
                    window = self.header.window
                if window is not None and window_name(xlib, display, window) == title:
                    shown = (time.monotonic() - start) * 1000
            if shown is not None:
                break
            left = deadline - time.monotonic()
            if left <= 0 or program.poll() is not None:
                stop(program)
                sys.exit("starts.py: no window %r from %s" % (title, " ".join(command)))
            select.select([xlib.XConnectionNumber(display)], [], [], left)
        stop(program)
        time.sleep(0.3)
        # What the program's end sent (unmaps, destroys) is not for the next.
        xlib.XSync(display, 1)
        return shown


def stop(program):
    try:
        os.killpg(program.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    program.wait()


def quartiles(values):
    """"median lower upper" of `values`."""
    v = sorted(values)
    n = len(v)
    return "%g %g %g" % (v[(n + 1) // 2 - 1], v[(n + 3) // 4 - 1], v[(3 * n + 3) // 4 - 1])


def main():
    count = int(sys.argv[1])
    split = sys.argv.index("--")
    program = (sys.argv[2], sys.argv[3:split])
    bare = (sys.argv[split + 1], sys.argv[split + 2:])
    watch = MapWatch()
    # One start of each first: caches and services warm for both alike.
    watch.start_ms(*program)
    watch.start_ms(*bare)
    times = []
    for _ in range(count):
        pair = (watch.start_ms(*program), watch.start_ms(*bare))
        times.append(pair)
    print("program_ms", quartiles([round(p) for p, _ in times]))
    print("bare_ms", quartiles([round(b) for _, b in times]))
    print("ratio", quartiles([round(p / b, 3) for p, b in times]))


if __name__ == "__main__":
    main()
