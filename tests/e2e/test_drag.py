"""Dragging the window by its strip."""

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest

HEX_TEXT = (230, 8)


class DragTest(VelmoraTest):

    def assert_stays(self, app, origin, seconds=0.6):
        e2e.holds_for("the window at %s" % (origin,), lambda: app.origin() == origin, seconds)

    def test_drags_move_the_window_until_the_button_is_released(self):
        app = self.start()
        cases = [
            ("left button on the background", 1, e2e.DRAG_HANDLE, (60, 90), True),
            ("right button on the background", 3, e2e.DRAG_HANDLE, (-80, 50), True),
            ("left button on the hex text", 1, HEX_TEXT, (-30, -40), True),
            ("left button on the swatch", 1, e2e.SWATCH_INSIDE, (70, 70), False),
        ]
        for name, button, grip, offset, moves in cases:
            with self.subTest(name):
                start = app.origin()
                end = (start[0] + offset[0], start[1] + offset[1]) if moves else start
                x, y = app.drag(grip, offset, button, follows=moves)
                e2e.wait_for("the window at %s" % (end,), lambda: app.origin() == end)
                e2e.release(button)
                # After the release the pointer moves on alone.
                e2e.move_pointer(x + 40, y + 30)
                self.assert_stays(app, end)
                self.assertEqual(app.geometry()[2:], (e2e.WIDTH, e2e.COLLAPSED_HEIGHT))


if __name__ == "__main__":
    e2e.main()
