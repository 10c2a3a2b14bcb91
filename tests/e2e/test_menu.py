"""The strip's context menu: opened by a right click, not by a right drag;
"Copy as" in every format; the format of Alt+C, remembered; start at login."""

import os
import signal
import subprocess
import tempfile
import time

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest

# The menu's entries as the keyboard reaches them (separators are skipped).
MENU = ["Copy as", "Alt+C copies as", "Sample", "Colour name on the swatch", "Magnifier", "Zoom",
        "Hot keys", "Start at login", "Contrast\u2026", "Export colour box\u2026", "About", "Exit"]
HOT_KEYS = ["Alt+Z", "Alt+C"]  # the "Hot keys" submenu
FORMATS = ["hex", "rgb", "hsl", "hsv", "cmyk", "float", "colorref", "delphi", "oklch", "oklab",
           "lab", "name"]
# A colour on the bare screen and its texts, format by format.
COLOUR = (0x12, 0x34, 0x56)
TEXTS = ["#123456", "rgb(18, 52, 86)", "hsl(210, 65%, 20%)", "hsv(210, 79%, 34%)",
         "cmyk(79%, 40%, 0%, 66%)", "(0.071, 0.204, 0.337)", "0x00563412", "$00563412",
         "oklch(31.92% 0.07245 251.17)", "oklab(31.92% -0.02339 -0.06858)", "lab(20.68% -2.28 -24.59)",
         "midnightblue"]
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def wine_reg(*args):
    """Runs Wine's reg.exe; (exit code, output lines)."""
    # NOTE: through a file, as the harness's helper: Wine's services may keep a pipe open.
    with tempfile.TemporaryFile() as out:
        code = subprocess.run(["wine", "reg"] + list(args), stdout=out,
                              stderr=subprocess.DEVNULL, timeout=30).returncode
        out.seek(0)
        return code, out.read().decode("latin-1").splitlines()


def login_record():
    """What starts Velmora at login: the Run value's data under Wine, the
    autostart entry's Exec line natively; None when there is none."""
    if isinstance(e2e.TARGET, e2e.WineTarget):
        code, lines = wine_reg("query", RUN_KEY, "/v", "Velmora")
        found = [line.split("REG_SZ", 1)[1].strip() for line in lines
                 if line.strip().startswith("Velmora") and "REG_SZ" in line]
        return found[0] if code == 0 and found else None
    entry = os.path.join(e2e.TARGET.config_home(), "autostart", "com.quorvane.Velmora.desktop")
    if not os.path.exists(entry):
        return None
    with open(entry, encoding="utf-8") as text:
        return [line for line in text.read().splitlines() if line.startswith("Exec=")][0]


class MenuTest(VelmoraTest):

    def open_menu(self, app):
        """Right-clicks the strip's background; the menu's window once shown."""
        before = set(self.menus(app))
        # NOTE: under Wine the menu hears keys only while a window of the
        # program has the keyboard focus; there is no window manager to give it.
        e2e.TARGET.before_hot_key(app.window)
        app.click(e2e.DRAG_HANDLE, button=3)
        menus = e2e.wait_for("the context menu", lambda: [
            (w, g) for w, g in app.other_windows() if w not in before and g[2] > 60 and g[3] > 40])
        # Off the menu, so that no entry is picked by hovering: a tall menu
        # (at 200 %) may cover the usual spot.
        _, (x, y, width, height) = menus[0]
        spots = [e2e.SCREEN_SPOT, (8, e2e.SCREEN_HEIGHT - 8),
                 (e2e.SCREEN_WIDTH - 8, e2e.SCREEN_HEIGHT - 8), (8, 8)]
        e2e.move_pointer(*next(s for s in spots
                               if not (x <= s[0] < x + width and y <= s[1] < y + height)))
        return menus[0]

    def choose(self, app, *path, meanwhile=None):
        """Opens the menu and picks an entry with the keyboard: `path` is
        (index of the entry, index in its submenu, ...). `meanwhile` runs
        while the menu is open."""
        self.open_menu(app)
        if meanwhile:
            meanwhile()
        keys = ["Down"] * (path[0] + 1)
        for index in path[1:]:
            keys += ["Right"] + ["Down"] * index
        for k in keys + ["Return"]:
            e2e.key(k)
        e2e.wait_for("the menu to close", lambda: not self.menus(app))

    def menus(self, app):
        return [w for w, g in app.other_windows() if g[2] > 60 and g[3] > 40]

    def test_right_click_opens_the_menu_and_a_right_drag_does_not(self):
        app = self.start()
        pointer = app.to_screen(e2e.DRAG_HANDLE)
        window, (x, y, width, height) = self.open_menu(app)
        # At the pointer (or moved in to fit on the screen).
        self.assertLess(abs(x - pointer[0]) + abs(y - pointer[1]), 40, "the menu at %d,%d" % (x, y))
        e2e.key("Escape")
        e2e.wait_for("the menu to close", lambda: not self.menus(app))
        self.assertEqual(app.origin(), e2e.TARGET.placed(e2e.HOME))

        start = app.origin()
        app.drag(e2e.DRAG_HANDLE, (-80, 50), 3)
        e2e.release(3)
        end = (start[0] - 80, start[1] + 50)
        e2e.wait_for("the window at %s" % (end,), lambda: app.origin() == end)
        e2e.holds_for("no menu after the drag", lambda: not self.menus(app), seconds=1.0)

    def test_copy_as_puts_each_format_on_the_clipboard(self):
        app = self.start()
        for index, text in enumerate(TEXTS):
            with self.subTest(text):
                app.point_at_screen(COLOUR)
                e2e.write_clipboard("before")
                # Whatever the pointer crosses on the way, the colour is the one
                # the menu opened with.
                self.choose(app, MENU.index("Copy as"), index,
                            meanwhile=lambda: (e2e.paint_screen(e2e.GREEN), time.sleep(0.3)))
                e2e.wait_for("%r on the clipboard" % text, lambda: e2e.read_clipboard() == text)

    def test_alt_c_copies_the_chosen_format_after_a_restart_too(self):
        app = self.start()
        self.choose(app, MENU.index("Alt+C copies as"), FORMATS.index("hsl"))
        self.choose(app, MENU.index("Hot keys"), HOT_KEYS.index("Alt+C"))

        def saved():
            if not os.path.exists(e2e.config_path()):
                return ""
            with open(e2e.config_path(), encoding="latin-1") as config:
                return config.read()
        # Written as the menu closes.
        e2e.wait_for("Alt+C in Config.ini", lambda: "HotKeyAltC=1" in saved())
        self.assertIn("[Options]", saved())
        self.assertIn("ExtraFormat=hsl", saved())

        for run in range(2):
            with self.subTest(run=run):
                if run:
                    self.assertEqual(app.exit(), 0)
                    app = self.start()
                app.point_at_screen(COLOUR)
                e2e.write_clipboard("before")
                app.hot_key("alt+c")
                e2e.wait_for("hsl on the clipboard",
                             lambda: e2e.read_clipboard() == "hsl(210, 65%, 20%)")

    def test_alt_c_is_not_taken_until_turned_on(self):
        app = self.start()
        app.point_at_screen(COLOUR)
        e2e.write_clipboard("before")
        app.hot_key("alt+c")
        e2e.holds_for("the clipboard kept", lambda: e2e.read_clipboard() == "before", seconds=1.0)
        self.assertFalse(os.path.exists(e2e.config_path()))

    @e2e.only_on("native", "Wine ends a Windows program on SIGTERM at once")
    def test_sigterm_with_the_menu_open_ends_the_program(self):
        app = self.start()
        self.open_menu(app)
        os.kill(app.proc.pid, signal.SIGTERM)
        self.assertEqual(app.wait_exit(), 0)

    def test_start_at_login_writes_and_removes_the_desktops_record(self):
        if isinstance(e2e.TARGET, e2e.WineTarget):
            self.addCleanup(wine_reg, "delete", RUN_KEY, "/v", "Velmora", "/f")
        self.assertIsNone(login_record())
        app = self.start()
        self.choose(app, MENU.index("Start at login"))
        record = e2e.wait_for("the record", login_record)
        if isinstance(e2e.TARGET, e2e.WineTarget):
            # The program's own path, quoted, as Windows runs it.
            self.assertRegex(record, r'^"[A-Z]:\\.*\\Velmora\.exe"$')
        else:
            self.assertEqual(record, 'Exec="%s"' % os.path.realpath(e2e.TARGET.program))
        self.choose(app, MENU.index("Start at login"))
        e2e.wait_for("no record", lambda: login_record() is None)


if __name__ == "__main__":
    e2e.main()
