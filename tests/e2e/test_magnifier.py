"""The magnifier: the 15 x 15 device pixels around the pointer, enlarged
pixel for pixel, its framed pixel the one Alt+H copies; beside the pointer,
flipped near the screen's edges and never showing itself; Alt+Z once turned
on; its state kept in Config.ini. Run at 96 DPI and at a scale of 2 (see
VELMORA_E2E_DPI)."""

import os
import signal
import subprocess

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest
import test_menu

ZOOM = 8                 # the default
CELLS = 15
SIDE = CELLS * ZOOM + 1  # a one-pixel grid around every cell
LOUPE_NAME = "^Velmora Magnifier$"
MENU = test_menu.MENU


def picture_colour(x, y):
    """Neighbours differ: across in red, down in green, both on a diagonal."""
    return ((x * 29) % 256, (y * 31) % 256, ((x + 2 * y) * 17) % 256)


class Picture:
    """A generated picture shown at `corner`: by ImageMagick's viewer for the
    native program, by a Windows program for Velmora.exe.

    NOTE: under Wine 10, a key or focus event on a Wine window makes Wine
    report the pointer where it last saw it over one of its own windows; over
    another program's window the hot key would copy that spot's colour. Over
    a Wine window the pointer is always known."""

    def __init__(self, folder, corner, size=(200, 160)):
        self.width, self.height = size
        path = os.path.join(folder, "neighbours.ppm")
        with open(path, "wb") as out:
            out.write(b"P6 %d %d 255\n" % size)
            out.write(bytes(v for y in range(self.height) for x in range(self.width)
                            for v in picture_colour(x, y)))
        if e2e.TARGET.kind == "wine":
            command = ["wine", e2e.TARGET.helper_exe, "show-picture",
                       "Z:" + path.replace("/", "\\"), str(corner[0]), str(corner[1])]
        else:
            command = ["display", "-borderwidth", "0", "-title", "velmora-e2e-neighbours",
                       "-geometry", "+%d+%d" % corner, path]
        self.viewer = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       start_new_session=True)
        self.window = e2e.wait_for(
            "the picture to show", lambda: (e2e.windows_named("^velmora-e2e-neighbours$") or [None])[0])
        self.corner = None

        def drawn():
            self.corner = corner_of(self.window)
            shot = e2e.Screenshot(self.corner)
            return all(shot.at((x, y)) == picture_colour(x, y)
                       for x in range(0, self.width, 7) for y in range(0, self.height, 5)
                       if self.corner[0] + x < e2e.SCREEN_WIDTH and self.corner[1] + y < e2e.SCREEN_HEIGHT)
        e2e.wait_for("the picture to be drawn", drawn)

    def visible_corner(self):
        """The bottom-right corner of what the screen shows of it (a window
        manager's frame may push it partly off the screen)."""
        return (min(self.corner[0] + self.width, e2e.SCREEN_WIDTH),
                min(self.corner[1] + self.height, e2e.SCREEN_HEIGHT))

    def on_screen(self, x, y):
        """The colour the screen shows at screen point (x, y) of the picture."""
        return picture_colour(x - self.corner[0], y - self.corner[1])

    def close(self):
        os.killpg(self.viewer.pid, signal.SIGKILL)
        self.viewer.wait(timeout=10)


def corner_of(window):
    """A window's top-left corner on the screen, inside any window manager's frame."""
    out = e2e.run("xwininfo", "-id", str(window), check=False)
    values = dict(line.strip().split(":", 1) for line in out.splitlines() if ":" in line)
    return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]))


def loupe():
    """The loupe's (x, y, width, height) while it shows, else None."""
    found = e2e.windows_named(LOUPE_NAME)
    return e2e.geometry(found[0]) if found else None


def cell(shot, corner, column, row):
    middle = 1 + (ZOOM - 1) // 2
    return shot.pixel(corner[0] + column * ZOOM + middle, corner[1] + row * ZOOM + middle)


def mismatches(shot, corner, pointer, expected):
    """The cells of the loupe at `corner` unlike `expected` at the block's pixels."""
    return [(c, r) for r in range(CELLS) for c in range(CELLS)
            if cell(shot, corner, c, r) != expected(pointer[0] - 7 + c, pointer[1] - 7 + r)]


class MagnifierTest(VelmoraTest):

    open_menu = test_menu.MenuTest.open_menu

    def menus(self, app):
        shown = set(e2e.windows_named(LOUPE_NAME))
        return [w for w in test_menu.MenuTest.menus(self, app) if w not in shown]

    choose = test_menu.MenuTest.choose

    def shows_block(self, picture, pointer):
        """Waits until the loupe shows the block around `pointer` of the picture;
        returns the loupe's geometry."""
        found = {}

        def showing():
            place = loupe()
            if place is None or place[2:] != (SIDE, SIDE):
                return False
            found["place"], found["shot"] = place, e2e.Screenshot()
            return not mismatches(found["shot"], place, pointer, picture.on_screen)
        try:
            e2e.wait_for("the loupe to show the block at %s" % (pointer,), showing)
        except AssertionError:
            if "shot" in found:
                wrong = mismatches(found["shot"], found["place"], pointer, picture.on_screen)
                self.fail("the loupe at %s shows %d cells unlike the picture, first %s"
                          % (found["place"], len(wrong), wrong[:5]))
            raise
        place = found["place"]
        x, y, side, _ = place
        block = (pointer[0] - 7, pointer[1] - 7)
        self.assertTrue(x >= block[0] + CELLS or x + side <= block[0] or
                        y >= block[1] + CELLS or y + side <= block[1],
                        "the loupe %s covers the block at %s" % (place, block))
        return place

    def test_shows_the_neighbourhood_and_frames_the_pixel_alt_h_copies(self):
        picture = Picture(self.tmp, (40, 440))
        self.addCleanup(picture.close)
        app = self.start()
        self.assertIsNone(loupe())
        self.choose(app, MENU.index("Magnifier"))
        for dx, dy in [(30, 30), (101, 77), (150, 20)]:
            pointer = (picture.corner[0] + dx, picture.corner[1] + dy)
            e2e.move_pointer(*pointer)
            place = self.shows_block(picture, pointer)
            # Beside the pointer: right of and below it, with room on the screen.
            self.assertGreater(place[0], pointer[0])
            self.assertGreater(place[1], pointer[1])
            e2e.write_clipboard("before")
            app.hot_key("alt+h")
            e2e.wait_for("Alt+H's copy", lambda: e2e.read_clipboard() != "before")
            framed = cell(e2e.Screenshot(), place, 7, 7)
            self.assertEqual(e2e.read_clipboard(), e2e.hex_text(framed))
            self.assertEqual(framed, picture.on_screen(*pointer))
        e2e.keep_screen("%s-magnifier-%d-dpi" % (e2e.TARGET.kind, e2e.DPI))

    def test_flips_near_the_screens_edge_and_never_shows_itself(self):
        picture = Picture(self.tmp, (e2e.SCREEN_WIDTH - 200, e2e.SCREEN_HEIGHT - 160))
        self.addCleanup(picture.close)
        with open(e2e.config_path(), "w") as config:
            config.write("[Options]\nMagnifier=1\n")
        self.start()
        right, bottom = picture.visible_corner()
        pointer = (right - 12, bottom - 10)
        e2e.move_pointer(*pointer)
        place = self.shows_block(picture, pointer)
        self.assertLess(place[0] + SIDE, pointer[0])
        self.assertLess(place[1] + SIDE, pointer[1])
        # Onto the loupe's middle (the picture under it): it moves away and
        # shows the picture there, not itself.
        pointer = (place[0] + SIDE // 2, place[1] + SIDE // 2)
        e2e.move_pointer(*pointer)
        self.shows_block(picture, pointer)

    def test_alt_z_toggles_it_once_turned_on_and_the_state_survives_a_restart(self):
        picture = Picture(self.tmp, (40, 440))
        self.addCleanup(picture.close)
        pointer = (picture.corner[0] + 60, picture.corner[1] + 50)
        app = self.start()
        e2e.move_pointer(*pointer)
        app.hot_key("alt+z")
        e2e.holds_for("no loupe before Alt+Z is turned on", lambda: loupe() is None, seconds=1.0)
        self.choose(app, MENU.index("Hot keys"), test_menu.HOT_KEYS.index("Alt+Z"))
        e2e.move_pointer(*pointer)
        app.hot_key("alt+z")
        self.shows_block(picture, pointer)
        e2e.wait_for("Magnifier=1 in Config.ini", lambda: "Magnifier=1" in e2e.saved_box())
        self.assertEqual(app.exit(), 0)

        app = self.start()
        e2e.move_pointer(*pointer)
        self.shows_block(picture, pointer)
        app.hot_key("alt+z")
        e2e.wait_for("the loupe to go", lambda: loupe() is None)
        e2e.wait_for("Magnifier=0 in Config.ini", lambda: "Magnifier=0" in e2e.saved_box())


if __name__ == "__main__":
    e2e.main()
