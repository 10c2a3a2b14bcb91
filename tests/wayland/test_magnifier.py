"""The magnifier on a Wayland desktop, inside session.sh: with Magnifier=1 in
[Options] of Config.ini, the pointer over the picture's 1-pixel columns, the
loupe beside the pointer shows the 15 x 15 pixels around it, its framed
centre the strip's colour.
  test_magnifier.py VELMORA

The loupe is an X11 window of Velmora's (XWayland): its own pixels are read
(import -window), which needs no capture of the Wayland screen."""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

check = desktop.check
ZOOM = 8                 # the default
CELLS = 15
SIDE = CELLS * ZOOM + 1  # a one-pixel grid around every cell
MIDDLE = 1 + (ZOOM - 1) // 2


def loupe():
    found = desktop.x_windows(name="^Velmora Magnifier$")
    return found[0] if found else None


def cells(window):
    """The loupe's cells, row by row."""
    return desktop.x_pixels(window, [(c * ZOOM + MIDDLE, r * ZOOM + MIDDLE)
                                     for r in range(CELLS) for c in range(CELLS)])


def shows_block(strip, remote, x, y):
    """Points at (x, y) and checks the loupe shows the block around it, beside
    the pointer, its framed centre the strip's colour."""
    remote.move_to(x, y)
    expected = [desktop.picture_colour(x - 7 + c, y - 7 + r)
                for r in range(CELLS) for c in range(CELLS)]
    window, seen = None, []
    for _ in range(30):
        time.sleep(0.15)
        window = loupe()
        if window is not None:
            seen = cells(window)
            if seen == expected:
                break
    wrong = [(i % CELLS, i // CELLS) for i, (a, b) in enumerate(zip(seen, expected)) if a != b]
    check(window is not None and seen == expected,
          "at (%d, %d) the loupe shows the 15 x 15 pixels around the pointer "
          "(%d cells differ, first %s)" % (x, y, len(wrong) if seen else CELLS * CELLS, wrong[:5]))
    if window is None:
        return
    place = desktop.x_geometry(window)
    check(place[2:] == (SIDE, SIDE) and place[0] > x and place[1] > y,
          "the loupe is %d x %d, right of and below the pointer: %s" % (SIDE, SIDE, place))
    check(desktop.panel_colour(strip) == expected[CELLS * CELLS // 2],
          "its framed centre is the strip's colour %s" % expected[CELLS * CELLS // 2])


def main():
    program = sys.argv[1]
    config = tempfile.mkdtemp(prefix="velmora-config.")
    os.environ["XDG_CONFIG_HOME"] = config
    ini = os.path.join(config, "Quorvane", "Velmora", "Config.ini")
    os.makedirs(os.path.dirname(ini))
    with open(ini, "w") as out:
        out.write("[Options]\r\nMagnifier=1\r\n")
    remote = desktop.Remote()
    picture = desktop.show_picture(640, 480)
    velmora = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    try:
        check(picture.share_dialog_shown(), "the share dialog shows")
        remote.answer_share(True)
        strip = desktop.strip_window(velmora.pid)
        if not check(strip is not None, "the strip shows (Velmora's exit code: %s)" % velmora.poll()):
            return
        # Odd and even spots away from the strip (middle of the top half).
        for x, y in [(101, 301), (102, 301), (33, 250), (255, 256)]:
            shows_block(strip, remote, x, y)
        velmora.terminate()
        check(velmora.wait(timeout=10) == 0, "SIGTERM ends Velmora with 0")
    finally:
        if velmora.poll() is None:
            velmora.kill()
        picture.kill()
        remote.stop()


main()
desktop.finish()
