"""The program's window carries its icon: Velmora.exe's from its resources
(the window class's large and small icon, which Wine hands to the X server),
the native program's own compiled-in copy."""

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest

# The swatch's blue quarter (#4169E1), opaque, at (2, 13) of the 16 px image.
BLUE = 0xFF4169E1


def window_icons(window):
    """{size: [ARGB pixels]} of an X window's _NET_WM_ICON."""
    out = e2e.run("xprop", "-id", str(window), "-notype", "-f", "_NET_WM_ICON", "32c",
                  "_NET_WM_ICON", check=False)
    if "=" not in out:
        return {}
    values = [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]
    icons = {}
    while len(values) >= 2:
        width, height = values[0], values[1]
        pixels = values[2:2 + width * height]
        if width != height or len(pixels) != width * height:
            break
        icons[width] = pixels
        values = values[2 + width * height:]
    return icons


class IconTest(VelmoraTest):

    def test_the_window_shows_the_programs_icon(self):
        app = self.start()
        if isinstance(e2e.TARGET, e2e.WineTarget):
            # SM_CXICON and SM_CXSMICON at the prefix's DPI (96 here).
            expected = [16, 32]
        else:
            expected = [16, 24, 32, 48, 64, 128]
        # NOTE: the native program sets its icon once it has mapped, and a
        # window manager may put an icon of its own on a window that maps
        # without one (under openbox a lone 48 px icon was seen first): wait
        # for ours, by its sizes.
        def ours():
            icons = window_icons(app.window)
            return icons if sorted(icons) == expected else None

        icons = e2e.wait_for("icons of %s px on Velmora's window" % expected, ours, timeout=15)
        self.assertEqual(icons[16][13 * 16 + 2], BLUE)
        self.assertTrue(app.running())


if __name__ == "__main__":
    e2e.main()
