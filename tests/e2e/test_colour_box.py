"""The expanded window: help, colour box, chart, chooser and the saved box."""

import ctypes
import ctypes.util
import os
import signal
import struct

import velmora_e2e as e2e
from velmora_e2e import BLUE, GREEN, RED, WHITE, VelmoraTest

BLACK = (0, 0, 0)


class FolderWatch:
    """The kernel's notices (inotify) of files written and moved into a folder."""

    CLOSE_WRITE, MOVED_TO = 0x8, 0x80

    def __init__(self, folder):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK)
        if self.fd < 0 or self.libc.inotify_add_watch(
                self.fd, folder.encode(), self.CLOSE_WRITE | self.MOVED_TO) < 0:
            raise OSError(ctypes.get_errno(), "inotify on " + folder)

    def events(self):
        """(mask, name) of every notice so far."""
        data = b""
        while True:
            try:
                chunk = os.read(self.fd, 65536)
            except BlockingIOError:
                break
            if not chunk:
                break
            data += chunk
        found, at = [], 0
        while at < len(data):
            _, mask, _, length = struct.unpack_from("iIII", data, at)
            name = data[at + 16:at + 16 + length].rstrip(b"\0").decode()
            found.append((mask & (self.CLOSE_WRITE | self.MOVED_TO), name))
            at += 16 + length
        return found

    def close(self):
        os.close(self.fd)


class ColourBoxTest(VelmoraTest):

    def test_expand_and_collapse_keep_the_top_left_corner(self):
        app = self.start()
        for height in (e2e.EXPANDED_HEIGHT, e2e.COLLAPSED_HEIGHT, e2e.EXPANDED_HEIGHT):
            app.click(e2e.HELP_BUTTON)
            e2e.wait_for("a height of %d" % height, lambda: app.geometry()[3] == height)
            self.assertEqual(app.geometry(), e2e.HOME + (e2e.WIDTH, height))

        e2e.move_pointer(*e2e.SCREEN_SPOT)
        self.assertSlots(app, [WHITE] * 6)  # first run: no Config.ini
        shot = app.shot()
        # The black help panel with its lime lines, then the white lower area.
        for point in [(0, 34), (268, 34 + 63), (5, 34 + 64)]:
            self.assertColour(shot.at(point), BLACK, "help panel at %s" % (point,))
        # Lime text on black, smoothed or not: every inked pixel is a shade of lime.
        ink = [shot.at((x, y)) for x in range(272) for y in range(34, 34 + 66)]
        ink = [c for c in ink if c != BLACK]
        self.assertEqual({e2e.hex_text(c) for c in ink if c[0] or c[2]}, set(),
                         "help text not in lime")
        self.assertGreater(sum(c[1] >= 0x80 for c in ink), 100, "no help text")
        for point in [(0, 34 + 66), (42, 200), (271, 345), (150, 34 + 83)]:
            self.assertColour(shot.at(point), WHITE, "lower area at %s" % (point,))

    def test_chart_shows_its_144_colours_on_white(self):
        app = self.start()
        app.expand()
        shot = app.shot()
        last, mid = e2e.CHART_SWATCH - 1, e2e.CHART_SWATCH // 2
        wrong = []
        for row in range(12):
            for column in range(12):
                x, y = e2e.chart_swatch(column, row)
                expected = e2e.chart_colour(column, row)
                for dx, dy in [(0, 0), (last, 0), (0, last), (last, last), (mid, mid)]:
                    if shot.at((x + dx, y + dy)) != expected:
                        wrong.append("c%d r%d +%d+%d: %s not %s" % (
                            column, row, dx, dy, e2e.hex_text(shot.at((x + dx, y + dy))),
                            e2e.hex_text(expected)))
                # The one-pixel white gaps around it.
                for dx, dy in [(-1, mid), (last + 1, mid), (mid, -1), (mid, last + 1)]:
                    if shot.at((x + dx, y + dy)) != WHITE:
                        wrong.append("c%d r%d gap +%d+%d" % (column, row, dx, dy))
        self.assertEqual(wrong, [], "%d wrong pixels, first: %s" % (len(wrong), wrong[:10]))

    def test_stored_colours_fill_the_box_and_outlive_the_run(self):
        app = self.start()
        # Alt+S while collapsed: seen on the next expand, newest on top.
        for colour in (RED, GREEN, BLUE):
            app.point_at_screen(colour)
            app.hot_key("alt+s")
        app.expand()
        self.assertSlots(app, [BLUE, GREEN, RED, WHITE, WHITE, WHITE])

        # A chart click stores the colour sampled with the pointer on the swatch.
        chart = app.click_chart(7, 2)
        box = [chart, BLUE, GREEN, RED, WHITE, WHITE]
        self.assertSlots(app, box)

        self.assertEqual(app.exit(), 0)
        self.assertEqual(e2e.saved_box(), e2e.box_lines(box))

        again = self.start()
        again.expand()
        self.assertSlots(again, box)

    @e2e.only_on("native", "Wine ends a Windows program on SIGTERM at once; Windows "
                 "programs save on the session's end message instead (tests/wine)")
    def test_sigterm_saves_the_colour_box(self):
        app = self.start()
        # NOTE: the keys go before the expand: under openbox a key pressed
        # right after the window changed its size now and then reaches no one
        # (seen under load), as after a window maps (test_fault_drills.py).
        for colour in (RED, GREEN):
            app.point_at_screen(colour)
            app.hot_key("alt+s")
        app.expand()
        box = [GREEN, RED] + [WHITE] * 4
        self.assertSlots(app, box)
        self.assertFalse(os.path.exists(e2e.config_path()))
        os.kill(app.proc.pid, signal.SIGTERM)
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(e2e.saved_box(), e2e.box_lines(box))

    def test_a_save_replaces_config_ini_once_and_keeps_the_rest(self):
        path = e2e.config_path()
        with open(path, "wb") as config:
            config.write(b"[Other]\r\nKey=kept\r\n[ColorBox]\r\nCB1=255\r\n")
        app = self.start()
        app.point_at_screen(GREEN)
        app.hot_key("alt+s")
        app.expand()
        box = [GREEN, RED] + [WHITE] * 4
        self.assertSlots(app, box)
        watch = FolderWatch(os.path.dirname(path))
        try:
            self.assertEqual(app.exit(), 0)
            notices = watch.events()
        finally:
            watch.close()
        # Written in full beside it, then moved over it: Config.ini itself is
        # never written in place, and is replaced once.
        self.assertEqual([n for n in notices if n[1] == "Config.ini"],
                         [(FolderWatch.MOVED_TO, "Config.ini")], notices)
        self.assertEqual(e2e.saved_box()[:2], ["[Other]", "Key=kept"])
        self.assertEqual(e2e.saved_box()[2:], e2e.box_lines(box))

    def test_slot_click_opens_the_chooser_and_escape_keeps_the_colour(self):
        app = self.start()
        colour = (0x33, 0x66, 0x99)
        app.point_at_screen(colour)
        app.hot_key("alt+s")
        app.expand()
        box = [colour] + [WHITE] * 5
        self.assertSlots(app, box)

        self.assertIsNone(app.chooser())
        app.cancel_chooser()
        self.assertSlots(app, box)
        self.assertTrue(app.running())


if __name__ == "__main__":
    e2e.main()
