"""The picker's menu additions: the 3 x 3 average (copied, shown and framed
by the magnifier), the colour's name as the swatch's tooltip, the colour box
exported through the save dialog and read back, and a menu that is only
opened writes no Config.ini."""

import json
import os
import re
import time

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest
import test_magnifier
import test_menu

MENU = test_menu.MENU
ZOOM = test_magnifier.ZOOM


def mean(colours):
    """Each channel's mean, rounded half up."""
    return tuple((2 * sum(c[i] for c in colours) + len(colours)) // (2 * len(colours))
                 for i in range(3))


def gimp_palette(text):
    """The "R G B name" entries of a GIMP palette, checked against GIMP's format."""
    lines = text.splitlines()
    assert lines[0] == "GIMP Palette", lines[0]
    assert lines[1].startswith("Name: "), lines[1]
    entries = []
    for line in lines[2:]:
        if line.startswith("Columns:") or line.startswith("#"):
            continue
        found = re.match(r"^\s*(\d{1,3})\s+(\d{1,3})\s+(\d{1,3})\s+(.*)$", line)
        assert found, line
        entries.append((tuple(int(found.group(i)) for i in (1, 2, 3)), found.group(4)))
    return entries


class PickerTest(VelmoraTest):

    open_menu = test_menu.MenuTest.open_menu
    menus = test_magnifier.MagnifierTest.menus
    choose = test_menu.MenuTest.choose
    shows_block = test_magnifier.MagnifierTest.shows_block

    def test_three_by_three_average_is_shown_copied_and_framed(self):
        picture = test_magnifier.Picture(self.tmp, (40, 440))
        self.addCleanup(picture.close)
        app = self.start()
        self.choose(app, MENU.index("Sample"), 1)  # 3 x 3
        e2e.wait_for("Sample=3 in Config.ini", lambda: "Sample=3" in e2e.saved_box())
        self.choose(app, MENU.index("Magnifier"))
        for dx, dy in [(30, 30), (101, 77)]:
            pointer = (picture.corner[0] + dx, picture.corner[1] + dy)
            square = [picture.on_screen(pointer[0] + x, pointer[1] + y)
                      for y in (-1, 0, 1) for x in (-1, 0, 1)]
            expected = mean(square)
            self.assertNotEqual(expected, picture.on_screen(*pointer))  # else it proves nothing
            e2e.move_pointer(*pointer)
            place = self.shows_block(picture, pointer)
            app.wait_swatch(expected)
            e2e.write_clipboard("before")
            app.hot_key("alt+h")
            e2e.wait_for("Alt+H's copy", lambda: e2e.read_clipboard() != "before")
            self.assertEqual(e2e.read_clipboard(), e2e.hex_text(expected))
            # The frame runs around cells 6 to 8 (the square), not around the centre cell.
            shot = e2e.Screenshot()
            centre = picture.on_screen(*pointer)
            luma = (299 * centre[0] + 587 * centre[1] + 114 * centre[2]) // 1000
            frame = (0, 0, 0) if luma >= 128 else e2e.WHITE
            first, last = 6 * ZOOM, 9 * ZOOM
            for i in range(first, last + 1):
                for x, y in [(i, first), (i, last), (first, i), (last, i)]:
                    self.assertEqual(shot.pixel(place[0] + x, place[1] + y), frame, (x, y))
            self.assertEqual(shot.pixel(place[0] + 7 * ZOOM + 3, place[1] + 7 * ZOOM),
                             (0x80, 0x80, 0x80), "the centre cell's grid line is framed")
        e2e.keep_screen("%s-sample-3x3" % e2e.TARGET.kind)

    def test_the_swatch_tooltip_names_the_colour(self):
        # Turned on as the menu leaves it (the menu's own entry is a unit test's).
        with open(e2e.config_path(), "w") as config:
            config.write("[Options]\nColorName=1\n")
        app = self.start()
        widths = []
        # "red" exactly, then "≈ lightgoldenrodyellow" (#FAFAD2 is one blue step away).
        for colour in [(0xFF, 0, 0), (0xFA, 0xFA, 0xD1)]:
            app.point_at_screen(colour)
            self.assertEqual(app.other_windows(), [])
            # Over the swatch the pointer samples the swatch: the colour stays.
            app.move_to(e2e.SWATCH_INSIDE)
            x, y = app.to_screen(e2e.SWATCH_INSIDE)
            e2e.move_pointer(x + 1, y)
            tips = e2e.wait_for("the swatch's tooltip", app.other_windows)
            self.assertEqual(len(tips), 1)
            widths.append(tips[0][1][2])
            self.assertEqual(app.swatch(), colour)
            e2e.move_pointer(*e2e.SCREEN_SPOT)
            e2e.wait_for("the tooltip to go", lambda: app.other_windows() == [])
        # The name's length shows in the tooltip's width.
        self.assertGreater(widths[1], widths[0] + 60, widths)

    def export_to(self, app, path):
        """Chooses "Export colour box…" and saves as `path` in the save dialog."""
        # Not self.choose: the dialog opens as the menu closes, and is no menu.
        menu = self.open_menu(app)[0]
        e2e.run("xdotool", "key", *(["Down"] * (MENU.index("Export colour box\u2026") + 1)),
                "Return")

        def save_dialog():
            found = [w for w, place in app.other_windows()
                     if w != menu and place[2] > 320 and place[3] > 200]
            return found[0] if found else None
        dialog = e2e.wait_for("the save dialog", save_dialog, timeout=15)
        e2e.focus_window(dialog)
        # The dialog suggests a name: cleared whatever part of it is selected.
        e2e.run("xdotool", "key", "End", *["BackSpace"] * 40)
        name = path
        if e2e.TARGET.kind == "wine":
            name = "Z:" + path.replace("/", "\\")
        e2e.run("xdotool", "type", "--delay", "30", name)
        time.sleep(0.5)
        e2e.key("Return")
        try:
            e2e.wait_for("the dialog to close", lambda: save_dialog() is None, timeout=3)
        except AssertionError:
            # NOTE: GTK's name field may complete the folder typed: the first
            # Enter takes the completion, the second saves.
            e2e.key("Return")
            e2e.wait_for("the dialog to close", lambda: save_dialog() is None, timeout=15)
        e2e.wait_for(path + " to be written", lambda: os.path.exists(path))
        with open(path, encoding="utf-8") as written:
            return written.read()

    def test_export_writes_the_colour_box_that_reads_back(self):
        app = self.start()
        colour = (0x12, 0x34, 0x56)
        app.point_at_screen(colour)
        app.hot_key("alt+s")
        app.expand()
        self.assertEqual(app.wait_slots([colour]), [colour])
        folder = os.path.join(self.tmp, "palettes")
        os.mkdir(folder)
        slots = [colour] + [e2e.WHITE] * 5
        palette = gimp_palette(self.export_to(app, os.path.join(folder, "box.gpl")))
        self.assertEqual([rgb for rgb, _ in palette], slots)
        self.assertEqual([name for _, name in palette], ["Slot %d" % i for i in range(1, 7)])
        exported = json.loads(self.export_to(app, os.path.join(folder, "box.json")))
        self.assertEqual(exported["colors"], [e2e.hex_text(c).lower() for c in slots])
        # Nothing else is left in the folder (no temporary files).
        self.assertEqual(sorted(os.listdir(folder)), ["box.gpl", "box.json"])
        self.assertEqual(e2e.error_boxes(), [])

    def test_opening_the_menu_writes_no_config(self):
        app = self.start()
        self.assertFalse(os.path.exists(e2e.config_path()))
        self.open_menu(app)
        for index in (MENU.index("Copy as"), MENU.index("Sample"), MENU.index("Zoom")):
            # Into each submenu and out again, then the menu is dismissed.
            e2e.run("xdotool", "key", *(["Down"] * (index + 1) + ["Right"]))
            if index == MENU.index("Sample"):
                time.sleep(0.5)
                e2e.keep_screen("%s-menu-sample" % e2e.TARGET.kind)
            e2e.run("xdotool", "key", "Left", "Escape")
            e2e.wait_for("the menu to close", lambda: not self.menus(app))
            self.open_menu(app)
        e2e.key("Escape")
        e2e.wait_for("the menu to close", lambda: not self.menus(app))
        e2e.holds_for("no Config.ini", lambda: not os.path.exists(e2e.config_path()), seconds=1.0)
        self.assertTrue(app.running())


if __name__ == "__main__":
    e2e.main()
