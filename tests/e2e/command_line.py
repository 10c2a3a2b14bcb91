"""The native program's command line, run for real with no X server:
    python3 command_line.py VELMORA VERSION

$DISPLAY names a TCP display that this script listens on and no X server
serves. A program that opens the display connects to it, is turned away and
says it cannot open the display (the plain run below shows that it does):
the options that need no display must end without connecting at all.
"""

import os
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

PROGRAM, VERSION = sys.argv[1], sys.argv[2]

USAGE = """Usage: velmora [OPTION]
Shows the colour of the screen pixel under the mouse pointer in a small
window that stays on top; Alt+H and Alt+D copy its code, Alt+S stores it.

  -h, --help      print this help and end
      --version   print the version and end
      --copy-hex  the running Velmora copies the hex code (as Alt+H)
      --copy-dec  the running Velmora copies the decimal triple (as Alt+D)
      --store     the running Velmora stores the colour (as Alt+S)
"""


def error(text):
    return "velmora: %s\n%s" % (text, USAGE)


# arguments, exit code, standard output, standard error (None: not checked),
# whether the program may open the display
CASES = [
    (["--help"], 0, USAGE, "", False),
    (["-h"], 0, USAGE, "", False),
    (["--version"], 0, "Velmora %s\n" % VERSION, "", False),
    # The first option that ends the program decides, as with getopt.
    (["--help", "--bogus"], 0, USAGE, "", False),
    (["--version", "-h"], 0, "Velmora %s\n" % VERSION, "", False),
    (["--bogus", "--help"], 2, "", error("unknown option '--bogus'"), False),
    (["-x"], 2, "", error("unknown option '-x'"), False),
    (["--help=1"], 2, "", error("unknown option '--help=1'"), False),
    (["-hh"], 2, "", error("unknown option '-hh'"), False),
    (["--Help"], 2, "", error("unknown option '--Help'"), False),
    (["colours.txt"], 2, "", error("unexpected argument 'colours.txt'"), False),
    (["-"], 2, "", error("unexpected argument '-'"), False),
    (["--", "--help"], 2, "", error("unexpected argument '--help'"), False),
    # No options: the window, so the display (here turned away).
    ([], 3, "", None, True),
    (["--"], 3, "", None, True),
]


class TurnAwayDisplay:
    """A TCP X display that counts the connections made to it and closes them."""

    def __init__(self):
        self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        for number in range(150, 250):
            try:
                self.server.bind(("127.0.0.1", 6000 + number))
                break
            except OSError:
                continue
        else:
            raise RuntimeError("no free TCP display between :150 and :249")
        self.name = "127.0.0.1:%d" % number
        self.server.listen(8)
        self.connections = 0
        self.lock = threading.Lock()
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                client, _ = self.server.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
            client.close()

    def taken(self):
        with self.lock:
            count, self.connections = self.connections, 0
        return count


NOT_RUNNING = "velmora: no Velmora is running in this session; start it first"
COMMANDS = [["--copy-hex"], ["--copy-dec"], ["--store"],
            # The first option that ends the program decides.
            ["--store", "--help"], ["--copy-dec", "--bogus"]]


class CommandLineTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = TurnAwayDisplay()

    def run_program(self, arguments, display):
        environment = {k: v for k, v in os.environ.items()
                       if k not in ("WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY")}
        if display is not None:
            environment["DISPLAY"] = display
        return subprocess.run([PROGRAM] + arguments, env=environment, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)

    def test_cases(self):
        for arguments, code, out, err, opens in CASES:
            with self.subTest(arguments=arguments):
                self.display.taken()
                result = self.run_program(arguments, self.display.name)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertEqual(result.stdout, out)
                if err is not None:
                    self.assertEqual(result.stderr, err)
                else:
                    self.assertIn("cannot open the X display", result.stderr)
                self.assertEqual(self.display.taken() > 0, opens)

    def test_without_display(self):
        """With no $DISPLAY at all, the same texts."""
        for arguments, code, out, err, opens in CASES:
            if opens:
                continue
            with self.subTest(arguments=arguments):
                result = self.run_program(arguments, None)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (code, out, err))

    def test_commands_with_no_velmora(self):
        """A command asks the Velmora of the session's bus; with none there,
        or no bus at all, it says so and ends with 1, opening no display."""
        folder = tempfile.mkdtemp(prefix="velmora-bus.")
        address = "unix:path=%s/bus" % folder
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + address,
                                "--print-address"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
        try:
            self.assertTrue(bus.stdout.readline().startswith("unix:"), "dbus-daemon started")
            for bus_address, runtime, why in [(address, folder, ""),
                                              (None, folder + "/none", " (there is no D-Bus"
                                               " session bus)")]:
                for arguments in COMMANDS:
                    with self.subTest(arguments=arguments, bus=bus_address):
                        environment = {k: v for k, v in os.environ.items()
                                       if k not in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY")}
                        environment.update(DISPLAY=self.display.name, XDG_RUNTIME_DIR=runtime)
                        if bus_address is not None:
                            environment["DBUS_SESSION_BUS_ADDRESS"] = bus_address
                        self.display.taken()
                        result = subprocess.run([PROGRAM] + arguments, env=environment,
                                                stdin=subprocess.DEVNULL, capture_output=True,
                                                text=True, timeout=60)
                        self.assertEqual((result.returncode, result.stdout, result.stderr),
                                         (1, "", NOT_RUNNING + why + "\n"))
                        self.assertEqual(self.display.taken(), 0)
        finally:
            bus.terminate()
            bus.wait(timeout=10)
            bus.stdout.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
