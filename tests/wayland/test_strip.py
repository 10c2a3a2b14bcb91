"""The real native program on a Wayland desktop, inside session.sh: once the
share is answered, its strip's colour panel shows the picture's pixel under
the pointer (odd and even), and SIGTERM ends it cleanly.
  test_strip.py VELMORA"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def strip_window(pid, timeout=10):
    """Velmora's viewable X window (it runs on XWayland)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[-1]
        time.sleep(0.2)
    return None


def panel_colour(window):
    """RRGGBB in the middle of the colour panel (the strip's first 30 x 32)."""
    shot = os.path.join(tempfile.mkdtemp(), "strip.png")
    subprocess.run(["import", "-window", window, shot], check=True, timeout=10)
    return subprocess.run(["convert", shot, "-format", "%[hex:p{14,15}]", "info:"],
                          capture_output=True, text=True).stdout.strip()[:6].upper()


def main():
    os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(prefix="velmora-config.")
    picture = desktop.show_picture(640, 480)
    remote = desktop.Remote()
    velmora = subprocess.Popen([sys.argv[1]], stderr=subprocess.PIPE, text=True)
    try:
        time.sleep(3)
        remote.answer_share(True)
        window = strip_window(velmora.pid)
        check(window is not None, "the strip shows")
        if window is None:
            return
        # Away from the strip, which sits in the middle of the top half.
        for x, y in [(101, 351), (102, 351), (33, 420)]:
            remote.move_to(x, y)
            expected = desktop.picture_colour(x, y)
            seen = ""
            for _ in range(20):
                time.sleep(0.15)
                seen = panel_colour(window)
                if seen == expected:
                    break
            check(seen == expected, "at (%d, %d) the panel shows %s (expected %s)"
                  % (x, y, seen, expected))
        velmora.terminate()
        code = velmora.wait(timeout=10)
        check(code == 0, "SIGTERM ends Velmora with code 0 (was %s)" % code)
    finally:
        if velmora.poll() is None:
            velmora.kill()
        picture.kill()
        remote.stop()


main()
if failures:
    sys.exit("%d failed" % len(failures))
