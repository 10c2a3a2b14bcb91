"""The screen on a Wayland desktop, read through the ScreenCast portal and
PipeWire by the native platform (velmora_wayland_probe), inside session.sh:
the pixel under the pointer is the picture's, odd and even; the consent is
remembered; a refused share and a missing portal end in an error box.
Each case that meets the share dialog runs in a session of its own, where the
dialog is the first one and its focus order known.
  test_screen.py [--refuse | --no-portal] PROBE"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

WIDTH, HEIGHT = 640, 480
check = desktop.check


def refusal(probe, words):
    """The probe shows an error box saying `words`, and ends with code 3 once
    it is answered."""
    desktop.box_and_exit(probe.process, words, box_timeout=10)


def main():
    mode = sys.argv[1] if len(sys.argv) == 3 else "--share"
    program = sys.argv[-1]
    config = tempfile.mkdtemp(prefix="velmora-config.")
    os.environ["XDG_CONFIG_HOME"] = config
    remote = desktop.Remote()
    # NOTE: a full-screen window stays above a box of no parent: with no share
    # dialog to answer, no picture is shown.
    picture = desktop.show_picture(WIDTH, HEIGHT) if mode != "--no-portal" else None
    probe = None
    try:
        token = os.path.join(config, "Quorvane", "Velmora", "ScreenCast.token")
        if mode == "--no-portal":
            probe = desktop.Probe(program)
            refusal(probe, "no screen-sharing portal")
            return
        probe = desktop.Probe(program)
        # Keys sent before the share dialog has the keyboard are lost.
        check(picture.share_dialog_shown(), "the share dialog shows")
        if mode == "--refuse":
            # Refused: no colour, a box, and nothing kept.
            remote.answer_share(False)
            refusal(probe, "sharing the screen was refused")
            check(not os.path.exists(token), "a refused share keeps no token")
            return

        # Shared: the picture's own pixels, odd and even, corners included.
        remote.answer_share(True)
        check(probe.ready(15), "the probe sees the screen once the share is answered")
        for x, y in [(0, 0), (1, 0), (101, 51), (102, 51), (300, 201), (255, 256),
                     (WIDTH - 1, HEIGHT - 1)]:
            remote.move_to(x, y)
            expected = "%d %d %s" % (x, y, desktop.picture_colour(x, y))
            seen = ""
            # The position comes with the next frame, some 100 ms later.
            for _ in range(20):
                time.sleep(0.1)
                seen = probe.read()
                if seen == expected:
                    break
            check(seen == expected, "at (%d, %d): %s (expected %s)" % (x, y, seen, expected))
            if seen == "no answer":
                break
        check(probe.end() == 0, "the probe ends cleanly")
        check(os.path.exists(token), "the share's restore token is kept beside Config.ini")

        # The second start asks nothing: no key is pressed this time.
        probe = desktop.Probe(program)
        check(probe.ready(10), "the second start sees the screen without a dialog")
        remote.move_to(7, 9)
        time.sleep(0.5)
        check(probe.read() == "7 9 " + desktop.picture_colour(7, 9), "and reads the right colour")
        probe.end()
        check(open(token).read().strip() != "", "a token is still kept for the next start")
    finally:
        if probe is not None and probe.process.poll() is None:
            probe.process.kill()
        if picture is not None:
            picture.kill()
        remote.stop()


main()
desktop.finish()
