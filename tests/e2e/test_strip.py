"""The strip: where the window opens, what it shows, the hot keys (and the
commands of the running program that do their work) and "Exit"."""

import os
import subprocess

import velmora_e2e as e2e
from velmora_e2e import VelmoraTest


class StripTest(VelmoraTest):

    def test_opens_collapsed_centred_topmost_and_borderless(self):
        app = self.start()
        # The X window is exactly the client area: no frame of any kind.
        self.assertEqual(app.geometry(), e2e.HOME + (e2e.WIDTH, e2e.COLLAPSED_HEIGHT))
        self.assertIn("_NET_WM_STATE_ABOVE", e2e.net_wm_state(app.window))

    def test_strip_shows_the_colour_under_the_pointer_and_copies_it(self):
        app = self.start()
        colour = (0x12, 0x9A, 0xF3)
        app.point_at_screen(colour)
        shot = app.shot()
        for point in e2e.STRIP_BACKGROUND:
            self.assertColour(shot.at(point), e2e.STRIP_BLUE, "background at %s" % (point,))
        # The swatch: a one-pixel frame of one colour around the sampled colour.
        ring = [(x, 1) for x in range(1, 29)] + [(x, 30) for x in range(1, 29)] + \
               [(1, y) for y in range(1, 31)] + [(28, y) for y in range(1, 31)]
        frame = {shot.at(p) for p in ring}
        self.assertEqual(len(frame), 1, "the swatch's frame is not one flat line")
        self.assertNotIn(colour, frame)
        for x, y in [(2, 2), (27, 2), (2, 29), (27, 29), e2e.SWATCH_INSIDE]:
            self.assertColour(shot.at((x, y)), colour, "swatch at %s" % ((x, y),))

        # The hot keys fire whatever the state of NumLock.
        self.addCleanup(e2e.set_num_lock, False)
        cases = [("alt+h", "#129AF3", False), ("alt+d", "18, 154, 243", False),
                 ("alt+h", "#129AF3", True), ("alt+d", "18, 154, 243", True)]
        for keys, text, num_lock in cases:
            with self.subTest(keys=keys, num_lock=num_lock):
                e2e.set_num_lock(num_lock)
                e2e.write_clipboard("before %s" % keys)
                app.hot_key(keys)
                e2e.wait_for("%r on the clipboard" % text, lambda: e2e.read_clipboard() == text)

        # It keeps following the pointer.
        app.point_at_screen(e2e.GREEN)
        app.point_at_screen(colour)

    @e2e.only_on("native", "Velmora.exe ignores its command line, as Windows programs with a "
                 "window do")
    def test_commands_of_the_running_program_do_what_the_keys_do(self):
        # A session bus of this test's own, where this Velmora serves them.
        address = "unix:path=%s/bus" % self.tmp
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + address,
                                "--print-address"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(bus.stdout.close)
        self.addCleanup(bus.wait, 10)
        self.addCleanup(bus.terminate)
        self.assertTrue(bus.stdout.readline().startswith("unix:"), "dbus-daemon started")
        env = {"DBUS_SESSION_BUS_ADDRESS": address}
        app = self.start(env=env)
        colour = (0x12, 0x9A, 0xF3)
        app.point_at_screen(colour)
        command_env = dict(os.environ, **env)
        for option, text in [("--copy-hex", "#129AF3"), ("--copy-dec", "18, 154, 243")]:
            with self.subTest(option=option):
                e2e.write_clipboard("before " + option)
                done = subprocess.run([e2e.TARGET.program, option], env=command_env,
                                      capture_output=True, text=True, timeout=30)
                self.assertEqual((done.returncode, done.stderr), (0, ""))
                e2e.wait_for("%r on the clipboard" % text, lambda: e2e.read_clipboard() == text)
        done = subprocess.run([e2e.TARGET.program, "--store"], env=command_env,
                              capture_output=True, text=True, timeout=30)
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        self.assertEqual(app.exit(), 0)
        self.assertEqual(e2e.saved_box(), e2e.box_lines([colour] + [e2e.WHITE] * 5))

    def test_hovering_the_button_shows_its_tooltip_below_the_pointer(self):
        app = self.start()
        self.assertEqual(app.other_windows(), [])
        app.move_to(e2e.HELP_BUTTON)
        x, y = app.to_screen(e2e.HELP_BUTTON)
        e2e.move_pointer(x + 1, y)  # a hand rests, but never without a twitch
        tips = e2e.wait_for("the button's tooltip", app.other_windows)
        self.assertEqual(len(tips), 1)
        tip_x, tip_y, width, height = tips[0][1]
        self.assertGreater(tip_y, y, "the tooltip is not below the pointer")
        self.assertTrue(0 < width < 200 and 0 < height < 60, "a tooltip of %dx%d" % (width, height))

    def test_exit_link_ends_the_process_with_code_zero(self):
        app = self.start()
        self.assertEqual(app.exit(), 0)
        self.assertEqual(e2e.windows_named("^Velmora$", visible=False), [])


if __name__ == "__main__":
    e2e.main()
