"""Several monitors and a scale of 2 on a Wayland desktop, inside session.sh:
  test_monitors.py --two PROBE      (session.sh --size 640x480 --size 800x600
                                     --screencast-backend)
      two monitors of different sizes side by side, shared without a dialog
      (screencast_backend.py), every one asked for: the probe reads each
      monitor's own picture at exact desktop positions, at their edges too,
      and a block that reaches past the smaller monitor is black there
  test_monitors.py --scale PROBE    (session.sh --size 1600x960 --scale 2)
      the probe reads device pixels over 1-pixel columns
  test_monitors.py --scale VELMORA  (the same session) the strip shows where
      it shows on X11 at a scale of 2, and its panel the exact pixel over
      1-pixel columns"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402
from wayland_desktop import Gio  # noqa: E402

check = desktop.check
OFF_SCREEN = "000000"
# The strip's layout size at a scale of 1 (tests/e2e/velmora_e2e.py).
STRIP_WIDTH, STRIP_HEIGHT = 272, 32


def monitor_of(layout, x, y):
    for index, (mx, my, width, height, _) in enumerate(layout):
        if mx <= x < mx + width and my <= y < my + height:
            return index
    return None


def expected_at(layout, x, y):
    index = monitor_of(layout, x, y)
    return OFF_SCREEN if index is None else desktop.picture_colour(x, y, index)


def reads(probe, remote, layout, x, y):
    """Points at (x, y) (desktop device pixels) and checks the probe reads the
    picture's pixel there."""
    remote.move_to(x, y, len(layout))
    expected = "%d %d %s" % (x, y, expected_at(layout, x, y))
    seen = ""
    for _ in range(20):
        time.sleep(0.1)
        seen = probe.read()
        if seen == expected or seen == "no answer":
            break
    check(seen == expected, "at (%d, %d): %s (expected %s)" % (x, y, seen, expected))


def block_reads(probe, remote, layout, x, y, radius):
    """The block around (x, y) from one read: each pixel the picture's on its
    monitor, black where no monitor is."""
    remote.move_to(x, y, len(layout))
    expected = "%d %d %s %s" % (x, y, expected_at(layout, x, y), " ".join(
        expected_at(layout, x + dx, y + dy)
        for dy in range(-radius, radius + 1) for dx in range(-radius, radius + 1)))
    seen = ""
    for _ in range(20):
        time.sleep(0.1)
        seen = probe.block(radius)
        if seen == expected or seen == "no answer":
            break
    check(seen == expected, "the block of radius %d at (%d, %d): %s (expected %s)"
          % (radius, x, y, seen, expected))


def strip_at_scale(program, picture, remote, layout, scale):
    """The strip at the desktop's scale (the X settings GNOME gives XWayland
    programs: GDK_SCALE): placed and sized as on X11, its panel exact."""
    os.environ["GDK_SCALE"] = str(scale)
    velmora = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    try:
        check(picture.share_dialog_shown(), "the share dialog shows")
        remote.answer_share(True)
        window = desktop.strip_window(velmora.pid)
        if not check(window is not None, "the strip shows"):
            return
        _, _, width, height, _ = layout[0]
        # Centred by its scaled width, a fifth of the way down, in GDK's
        # units (whole multiples of the scale), as tests/e2e/test_scaled.py.
        home = tuple(v // scale * scale for v in (width // 2 - STRIP_WIDTH * scale // 2,
                                                  height // 5))
        check(desktop.x_geometry(window) == home + (STRIP_WIDTH * scale, STRIP_HEIGHT * scale),
              "the strip is at %s, %d x %d (was %s)" % (home, STRIP_WIDTH * scale,
                                                         STRIP_HEIGHT * scale,
                                                         desktop.x_geometry(window)))
        for x, y in [(101, 751), (102, 751), (103, 752)]:
            desktop.shows(window, remote, x, y, scale=scale)
        velmora.terminate()
        check(velmora.wait(timeout=10) == 0, "SIGTERM ends it with 0")
    finally:
        if velmora.poll() is None:
            velmora.kill()


def asked_for_every_monitor():
    """The tests' ScreenCast back end was asked for monitors, several of
    them, with the pointer's position beside the frames."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def selected():
        reply = bus.call_sync("org.freedesktop.impl.portal.desktop.velmorascreencast",
                              "/org/freedesktop/portal/desktop",
                              "com.quorvane.VelmoraTest.ScreenCast", "Selected", None, None,
                              Gio.DBusCallFlags.NONE, 10000, None)
        return reply.unpack()[0]

    options = desktop.wait_for(selected, 15) or {}
    check((options.get("types"), options.get("multiple"), options.get("cursor_mode")) == (1, True, 4),
          "the share asks for every monitor, the pointer as metadata: %s" % options)


# What a case that cannot run here exits with (ctest's SKIP_RETURN_CODE).
SKIPPED = 77


def mutter_major():
    version = subprocess.run(["mutter", "--version"], capture_output=True, text=True).stdout
    return int(version.split()[1].split(".")[0])


def main():
    mode, program = sys.argv[1], sys.argv[2]
    if mode == "--two" and mutter_major() >= 48:
        # NOTE: with mutter 48 (Debian 13) and the tests' ScreenCast back end,
        # the first monitor's stream brought the pointer's position but no
        # picture; not yet known whether mutter or Velmora is at fault.
        print("skipped: two monitors are checked with mutter 43 only", flush=True)
        sys.exit(SKIPPED)
    os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(prefix="velmora-config.")
    layout = desktop.monitors()
    print("     monitors (x, y, width, height, scale): %s" % layout, flush=True)
    scale = int(layout[0][4])
    remote = desktop.Remote(scale)
    picture = desktop.Picture([m[:4] for m in layout], scale)
    probe = None
    try:
        if os.path.basename(program) == "velmora":
            strip_at_scale(program, picture, remote, layout, scale)
            return
        probe = desktop.Probe(program)
        if mode == "--two":
            asked_for_every_monitor()
        else:
            check(picture.share_dialog_shown(), "the share dialog shows")
            remote.answer_share(True)
        if not check(probe.ready(15), "the probe sees the screen once the share is answered"):
            return
        if mode == "--two":
            (x0, _, w0, h0, _), (x1, _, w1, h1, _) = layout
            for x, y in [(0, 0), (101, 51), (102, 51), (w0 - 1, h0 - 1), (x1, 0), (x1 + 1, 0),
                         (x1 + 301, h1 - 1), (x1 + w1 - 1, h1 - 1), (x1 + w1 - 1, 0)]:
                reads(probe, remote, layout, x, y)
            # At the taller monitor's edge, beside the shorter one's bottom:
            # no monitor there, and where both meet.
            tall_edge = (w0 - 1, h1 + 20) if h0 > h1 else (x1, h0 + 20)
            block_reads(probe, remote, layout, tall_edge[0], tall_edge[1], 1)
            block_reads(probe, remote, layout, w0 - 1, min(h0, h1) - 1, 1)
        else:
            _, _, width, height, _ = layout[0]
            for x, y in [(0, 0), (1, 0), (101, 51), (102, 51), (103, 52), (width - 1, height - 1)]:
                reads(probe, remote, layout, x, y)
            block_reads(probe, remote, layout, 301, 201, 2)
        check(probe.end() == 0, "the probe ends cleanly")
    finally:
        if probe is not None and probe.process.poll() is None:
            probe.process.kill()
        picture.kill()
        remote.stop()


main()
desktop.finish()
