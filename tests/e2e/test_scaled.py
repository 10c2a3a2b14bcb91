"""Velmora on a scaled display: the window, the clicks and the exact pixel.

Run at the scale that VELMORA_E2E_DPI names (120, 144 or 192 under Wine;
192, a scale of 2, natively); the window's points are the layout's at 96 DPI
and the harness scales them. Screenshots of the strip and of the expanded
window are kept in e2e-screens/ to be looked at.
"""

import os
import subprocess

import velmora_e2e as e2e
from velmora_e2e import DPI, STRIP_BLUE, WHITE, VelmoraTest, px

BLACK = (0, 0, 0)
WIDEST_HEX = (0xDD, 0xDD, 0xDD)  # "#DDDDDD" is the widest code in the strip's font
HEX_BOX = (208, 0, 55, 17)       # the hex code's label, in layout pixels
PICTURE_CORNER = (24, 440)       # clear of the strip at every scale


def home():
    """Where the strip first shows: centred by its scaled width, a fifth of the way down."""
    return e2e.TARGET.placed((e2e.SCREEN_WIDTH // 2 - px(e2e.WIDTH) // 2,
                              e2e.SCREEN_HEIGHT // 5))


def keep_screen(name):
    e2e.keep_screen("%s-%s-%d-dpi" % (e2e.TARGET.kind, name, DPI))


class Picture:
    """A photograph shown by ImageMagick's viewer, and its pixels as
    ImageMagick reads them from the file."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "rose.png")
        e2e.run("convert", "rose:", self.path)
        size = e2e.run("identify", "-format", "%w %h", self.path).split()
        self.width, self.height = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", self.path, "-depth", "8", "rgb:-"],
                                   stdout=subprocess.PIPE, check=True, timeout=10).stdout
        self.viewer = subprocess.Popen(
            ["display", "-borderwidth", "0", "-title", "velmora-e2e-picture", "-geometry", "+%d+%d" % PICTURE_CORNER,
             self.path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = e2e.wait_for(
            "the picture to show", lambda: (e2e.windows_named("^velmora-e2e-picture$") or [None])[0])
        self.corner = None

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def wrong_pixels(self):
        """The picture's points that the screen does not show as the file holds
        them, once the viewer has drawn it where it stays (a window manager
        may still place it)."""
        def drawn():
            self.corner = (e2e.geometry(self.window) or (0, 0))[:2]
            return not self._wrong_pixels()
        try:
            e2e.wait_for("the picture to be drawn", drawn)
        except AssertionError:
            pass
        return self._wrong_pixels()

    def _wrong_pixels(self):
        shot = e2e.Screenshot(self.corner)
        return [(x, y) for y in range(self.height) for x in range(self.width)
                if shot.at((x, y)) != self.pixel(x, y)]

    def telling_points(self, count):
        """Points spread over the picture whose colour none of their eight
        neighbours has: a reading one pixel off gives another colour."""
        found = []
        for i in range(count):
            x0 = 2 + (self.width - 4) * i // count
            for y in range(2 + (self.height - 4) * i // count, self.height - 1):
                for x in range(x0, self.width - 1):
                    colour = self.pixel(x, y)
                    if all(self.pixel(x + dx, y + dy) != colour
                           for dx in (-1, 0, 1) for dy in (-1, 0, 1) if dx or dy):
                        found.append((x, y))
                        break
                if len(found) > i:
                    break
        return found

    def close(self):
        self.viewer.kill()
        self.viewer.wait(timeout=10)


class ScaledDisplayTest(VelmoraTest):

    def test_strip_and_expanded_window_are_scaled_and_centred(self):
        app = self.start()
        self.assertEqual(app.geometry(), home() + (px(e2e.WIDTH), px(e2e.COLLAPSED_HEIGHT)))
        # The widest code shows whole: its last ink keeps clear of the label's right edge.
        app.point_at_screen(WIDEST_HEX)
        shot = app.shot()
        for point in e2e.STRIP_BACKGROUND:
            self.assertColour(shot.at(point), STRIP_BLUE, "strip at %s" % (point,))
        x, y, width, height = HEX_BOX
        edge = e2e.Screenshot(app.to_screen((x + width, y)))
        inked = [dy for dy in range(px(height)) if edge.at((-1, dy)) != STRIP_BLUE]
        self.assertEqual(inked, [], "the hex code touches its label's right edge")
        keep_screen("strip")

        app.expand()
        x, y, width, height = app.geometry()
        self.assertEqual((x, width, height), (home()[0], px(e2e.WIDTH), px(e2e.EXPANDED_HEIGHT)))
        # A window manager keeps a window on the screen: it may move it up.
        lowest = e2e.SCREEN_HEIGHT - height if e2e.window_manager() else home()[1]
        self.assertEqual(y, min(home()[1], lowest))
        shot = app.shot()
        for point in [(0, 34), (268, 34 + 63)]:
            self.assertColour(shot.at(point), BLACK, "help panel at %s" % (point,))
        self.assertSlots(app, [WHITE] * app.slots_on_screen())
        for column, row in [(0, 0), (11, 0), (5, 3), (0, 11), (11, 11)]:
            x, y = e2e.chart_swatch(column, row)
            middle = (x + e2e.CHART_SWATCH // 2, y + e2e.CHART_SWATCH // 2)
            if app.to_screen(middle)[1] < e2e.SCREEN_HEIGHT:
                self.assertColour(shot.at(middle), e2e.chart_colour(column, row),
                                  "chart column %d row %d" % (column, row))
        keep_screen("expanded")

        app.click(e2e.HELP_BUTTON)
        e2e.wait_for("the window to collapse",
                     lambda: app.geometry()[3] == px(e2e.COLLAPSED_HEIGHT))

    def test_hot_keys_copy_the_exact_pixel_of_a_picture(self):
        picture = Picture(self.tmp)
        self.addCleanup(picture.close)
        app = self.start()
        wrong = picture.wrong_pixels()
        self.assertEqual(wrong[:10], [], "the viewer shows %d pixels unlike the file" % len(wrong))
        points = picture.telling_points(4)
        self.assertEqual(len(points), 4)
        stored = []
        for x, y in points:
            colour = picture.pixel(x, y)
            with self.subTest(point=(x, y), colour=e2e.hex_text(colour)):
                e2e.move_pointer(picture.corner[0] + x, picture.corner[1] + y)
                app.wait_swatch(colour)
                for keys, text in [("alt+h", e2e.hex_text(colour)),
                                   ("alt+d", "%d, %d, %d" % colour)]:
                    e2e.write_clipboard("before %s" % keys)
                    app.hot_key(keys)
                    e2e.wait_for("%r on the clipboard" % text,
                                 lambda: e2e.read_clipboard() == text)
                app.hot_key("alt+s")
                stored.insert(0, colour)
        app.expand()
        box = stored + [WHITE] * (6 - len(stored))
        self.assertSlots(app, box[:app.slots_on_screen()])

    def test_drag_chart_and_colour_box_take_scaled_clicks(self):
        app = self.start()
        # Dragged by the strip's background to the top left, where the
        # expanded window fits the screen at every scale.
        start = app.origin()
        corner = (8, 8)
        offset = (corner[0] - start[0], corner[1] - start[1])
        app.drag(e2e.DRAG_HANDLE, offset)
        e2e.release(1)
        e2e.wait_for("the window at %s" % (corner,), lambda: app.origin() == corner)
        app.expand()

        # A chart click stores the colour under the pointer in the first slot.
        chart = app.click_chart(7, 2)
        box = [chart] + [WHITE] * 5
        self.assertSlots(app, box)

        # A click on the slot opens the colour chooser; Escape keeps the colour.
        app.cancel_chooser()
        self.assertSlots(app, box)


if __name__ == "__main__":
    e2e.main()
