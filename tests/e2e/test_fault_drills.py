"""Fault drills: a second running copy, and a Config.ini that cannot be read as one."""

import os
import random

import velmora_e2e as e2e
from velmora_e2e import WHITE, VelmoraTest



def colour_box_keys(data):
    """The CB1 ... CB6 values of section [ColorBox] of a profile file's bytes."""
    found, section = {}, None
    for line in data.decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "colorbox" and "=" in line:
            name, value = line.split("=", 1)
            found.setdefault(name.strip().upper(), value.strip())
    return [found.get("CB%d" % i) for i in range(1, 7)]


def trimmed(line):
    name, equals, value = line.partition("=")
    return (name.strip() + equals + value.strip()) if equals else line.strip()


def junk_lines(size, rng):
    """Lines of printable junk, none of them a section line or a key of [ColorBox]."""
    lines, total = [], 0
    while total < size:
        line = "junk %08d %s" % (len(lines), "".join(rng.choice("abcdef=;# ") for _ in range(60)))
        lines.append(line)
        total += len(line) + 2
    return lines


class SecondCopyTest(VelmoraTest):

    def test_second_copy_samples_but_has_no_hot_keys(self):
        first = self.start()
        # The copies open on the same spot: the first one moves down before the
        # second opens, so that no press depends on which of them lies on top.
        first.drag(e2e.DRAG_HANDLE, (0, 200))
        e2e.release(1)
        moved = (e2e.HOME[0], e2e.HOME[1] + 200)
        e2e.wait_for("the first copy at %s" % (moved,), lambda: first.origin() == moved)
        second = self.start()
        self.assertNotEqual(first.window, second.window)
        # Its hot keys are taken: silently, no box at start.
        e2e.holds_for("no error box", lambda: not e2e.error_boxes())
        self.assertEqual(second.origin(), e2e.HOME)
        self.assertEqual(first.origin(), moved)
        for colour in [(0x21, 0x43, 0x65), (0x87, 0x65, 0x43)]:
            first.point_at_screen(colour)
            second.wait_swatch(colour)

        # Alt+H with the second copy focused: the key goes to the copy that holds
        # it (Wine hands it over; natively the first copy's X key grab takes it),
        # so the text on the clipboard is the first copy's.
        colour = (0x87, 0x65, 0x43)
        self.assertNotEqual(e2e.read_clipboard(), e2e.hex_text(colour))
        def copied():
            return e2e.read_clipboard() == e2e.hex_text(colour)
        second.hot_key("alt+h")
        try:
            e2e.wait_for("the hex text on the clipboard", copied, timeout=3)
        except AssertionError:
            # NOTE: under openbox, now and then (about one run in three) a key
            # pressed right after the second copy's window has mapped reaches
            # neither copy; the owner check below still tells whose key it is.
            second.hot_key("alt+h")
            e2e.wait_for("the hex text on the clipboard", copied)
        self.assertEqual(e2e.clipboard_owner(), moved, "the owner is not the first copy")
        self.assertEqual(e2e.error_boxes(), [])

        # The first copy goes; the second still has no hot keys of its own.
        self.assertEqual(first.exit(), 0)
        self.assertTrue(second.running())
        other = (0x12, 0x34, 0x56)
        second.point_at_screen(other)
        second.hot_key("alt+h")
        e2e.holds_for("the clipboard without %s" % e2e.hex_text(other),
                      lambda: e2e.read_clipboard() != e2e.hex_text(other))
        self.assertEqual(e2e.error_boxes(), [])
        self.assertEqual(second.exit(), 0)


class DamagedConfigTest(VelmoraTest):
    """Unreadable keys read as white, with no box; the exit writes the six keys."""

    def write_config(self, data):
        with open(e2e.config_path(), "wb") as config:
            config.write(data)

    def read_config(self):
        with open(e2e.config_path(), "rb") as config:
            return config.read()

    def run_to_exit(self, expected_slots):
        app = self.start()
        app.expand()
        self.assertSlots(app, expected_slots)
        self.assertEqual(e2e.error_boxes(), [], "an error box at start")
        self.assertEqual(app.exit(timeout=60), 0)
        self.assertEqual(e2e.error_boxes(), [])

    def test_huge_and_binary_files(self):
        rng = random.Random(36)
        junk = junk_lines(20 << 20, rng)
        middle = len(junk) // 2
        colour = (0x4A, 0x7B, 0x2C)
        with_key = junk[:middle] + ["[ColorBox]", "CB1=%d" % e2e.tcolor(colour)] + junk[middle:]
        # A NUL first: no byte-order mark that would make it a UTF-16 file.
        binary = b"\0" + bytes(rng.getrandbits(8) for _ in range(64 << 10))
        cases = [
            ("huge, no colour box", "\r\n".join(junk).encode(), [WHITE] * 6),
            ("huge, CB1 in the middle", "\r\n".join(with_key).encode(), [colour] + [WHITE] * 5),
            ("binary with NULs", binary, [WHITE] * 6),
        ]
        for name, data, slots in cases:
            with self.subTest(name):
                self.write_config(data)
                self.run_to_exit(slots)
                after = self.read_config()
                self.assertEqual(colour_box_keys(after), [str(e2e.tcolor(c)) for c in slots])
                if name.startswith("huge"):
                    # The writer keeps the rest of the file, each line in order, but
                    # trims the blanks around a line's first "=" and at its ends.
                    kept = after.decode("latin-1").splitlines()
                    self.assertEqual([line for line in kept if line.startswith("junk ")],
                                     [trimmed(line) for line in junk])
                e2e.reset_config()


if __name__ == "__main__":
    e2e.main()
