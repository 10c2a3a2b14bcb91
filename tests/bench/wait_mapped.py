"""Starts a program and waits, without polling, until a window of its
titled TITLE is mapped on $DISPLAY:
    python3 wait_mapped.py TITLE COMMAND [ARGUMENT...]
prints "PID MILLISECONDS": the program's pid (a session and process group of
its own, left running) and the time from launching it to the map.

The X server reports every map of a top-level window (the children of the
root window, with no window manager) as it happens, so the time has no
polling grain and the waiting costs no CPU beside the starting program."""

import ctypes
import os
import select
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


def main():
    title, command = sys.argv[1], sys.argv[2:]
    xlib = x_library()
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("wait_mapped.py: no X display")
    xlib.XSelectInput(display, xlib.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    xlib.XSync(display, 0)
    event = ctypes.create_string_buffer(192)  # an XEvent
    header = XAnyEvent.from_buffer(event)
    mapped = set()  # mapped windows whose name did not match (yet)

    devnull = subprocess.DEVNULL
    start = time.monotonic()
    program = subprocess.Popen(command, stdin=devnull, stdout=devnull, stderr=devnull,
                               start_new_session=True)
    deadline = start + TIMEOUT_SECONDS
    while True:
        while xlib.XPending(display):
            xlib.XNextEvent(display, event)
            window = None
            if header.type == MAP_NOTIFY:
                window = header.window
                # A name given after the map counts when it comes.
                xlib.XSelectInput(display, window, PROPERTY_CHANGE_MASK)
                mapped.add(window)
            elif header.type == PROPERTY_NOTIFY and header.window in mapped:
                window = header.window
            if window is not None and window_name(xlib, display, window) == title:
                print(program.pid, round((time.monotonic() - start) * 1000))
                return
        left = deadline - time.monotonic()
        if left <= 0 or program.poll() is not None:
            if program.poll() is None:
                os.killpg(program.pid, 9)
            sys.exit("wait_mapped.py: no window %r from %s" % (title, " ".join(command)))
        select.select([xlib.XConnectionNumber(display)], [], [], left)


if __name__ == "__main__":
    main()
