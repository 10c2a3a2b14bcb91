"""Failures reach the user in an error box, and Velmora carries on."""

import os

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest


class ErrorBoxTest(VelmoraTest):

    @e2e.only_on("wine", "a Windows program can keep the clipboard open; an X selection "
                 "has no such state, so setting the clipboard never fails natively")
    def test_busy_clipboard_is_reported_and_the_strip_goes_on(self):
        app = self.start()
        app.point_at_screen((0x2B, 0x80, 0x5C))
        holder = e2e.ClipboardHolder(seconds=2)
        self.addCleanup(holder.stop)
        app.hot_key("alt+h")
        box = e2e.wait_box()
        self.assertEqual(e2e.window_pid(box), app.proc.pid)
        self.assertBoxSays(box, "Cannot open clipboard.")
        # Ticks go on while the box is open, and bring no second box, during the
        # hold or after it.
        app.point_at_screen((0x80, 0x2B, 0x5C))
        self.assertEqual(holder.wait(timeout=20), 0)
        app.point_at_screen((0x2B, 0x5C, 0x80))
        e2e.holds_for("one error box", lambda: e2e.error_boxes() == [box])
        e2e.dismiss_box(box)

        app.point_at_screen((0x5C, 0x2B, 0x80))
        self.assertNotEqual(e2e.read_clipboard(), "#5C2B80")
        app.hot_key("alt+h")
        e2e.wait_for("#5C2B80 on the clipboard", lambda: e2e.read_clipboard() == "#5C2B80")
        self.assertEqual(e2e.error_boxes(), [])

    def test_unwritable_config_is_reported_and_the_run_still_ends_well(self):
        # NOTE: a folder standing in the file's place; run as root, a read-only
        # file or folder would be written all the same.
        os.mkdir(e2e.config_path())
        app = self.start()
        app.expand()
        self.assertSlots(app, [e2e.WHITE] * 6)
        self.assertEqual(e2e.error_boxes(), [], "an error box at start")
        app.click(e2e.EXIT)
        box = e2e.wait_box()
        self.assertEqual(e2e.window_pid(box), app.proc.pid)
        self.assertBoxSays(box, "Unable to write to %s." % e2e.TARGET.config_name())
        self.assertTrue(app.running())
        e2e.dismiss_box(box)
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    e2e.main()
