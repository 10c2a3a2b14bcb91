"""The real native program on a Wayland desktop, inside session.sh.
  test_strip.py VELMORA                 once the share is answered, the strip
      shows the picture's pixel under the pointer (odd and even); the commands
      copy and store it exactly; SIGTERM ends it with 0 and keeps the colour
      box; the second start asks nothing.
  test_strip.py --refuse VELMORA        a refused share: its box, exit code 3
  test_strip.py --no-portal VELMORA     no portal: its box, exit code 3
  test_strip.py --shortcuts VELMORA     as the first, the desktop's global
      shortcuts doing the commands' work
(session.sh --no-portal for --no-portal, --shortcuts for --shortcuts.)"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

check = desktop.check


SHORTCUTS = "org.freedesktop.impl.portal.desktop.velmoratest"


def shortcuts_backend(method, *args):
    """Calls the tests' GlobalShortcuts back end (shortcuts_backend.py)."""
    bus = desktop.Gio.bus_get_sync(desktop.Gio.BusType.SESSION, None)
    reply = bus.call_sync(SHORTCUTS, "/org/freedesktop/portal/desktop",
                          "com.quorvane.VelmoraTest.Shortcuts", method,
                          desktop.GLib.Variant("(s)", args) if args else None, None,
                          desktop.Gio.DBusCallFlags.NONE, 10000, None)
    return reply.unpack() if reply is not None else ()


def press(option):
    """The desktop fires the global shortcut the option's command stands for."""
    shortcuts_backend("Press", option[2:])
    print("     the desktop fires %s" % option[2:], flush=True)


def clipboard():
    """The clipboard, read on XWayland, where Velmora's window is."""
    done = subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True,
                          text=True, timeout=5)
    return done.stdout if done.returncode == 0 else None


def wait_clipboard(text):
    seen = None
    for _ in range(40):
        seen = clipboard()
        if seen == text:
            break
        time.sleep(0.1)
    check(seen == text, "the clipboard holds %r (was %r)" % (text, seen))


def main():
    mode = sys.argv[1] if len(sys.argv) == 3 else "--share"
    program = sys.argv[-1]
    config = tempfile.mkdtemp(prefix="velmora-config.")
    os.environ["XDG_CONFIG_HOME"] = config
    ini = os.path.join(config, "Quorvane", "Velmora", "Config.ini")
    token = os.path.join(config, "Quorvane", "Velmora", "ScreenCast.token")
    remote = desktop.Remote()
    # NOTE: a full-screen window stays above a box of no parent: with no share
    # dialog to answer, no picture is shown.
    picture = desktop.show_picture(640, 480) if mode != "--no-portal" else None
    velmora = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    try:
        if mode == "--no-portal":
            desktop.box_and_exit(velmora, "no screen-sharing portal")
            return
        # Keys sent before the share dialog has the keyboard are lost.
        check(picture.share_dialog_shown(), "the share dialog shows")
        if mode == "--refuse":
            remote.answer_share(False)
            desktop.box_and_exit(velmora, "sharing the screen was refused")
            check(not os.path.exists(token), "a refused share keeps no token")
            return
        remote.answer_share(True)
        window = desktop.strip_window(velmora.pid)
        check(window is not None, "the strip shows")
        if window is None:
            return
        # Away from the strip, which sits in the middle of the top half.
        for x, y in [(101, 351), (102, 351)]:
            desktop.shows(window, remote, x, y)
        if mode == "--shortcuts":
            # Bound through the GlobalShortcuts portal, Alt+H, Alt+D and
            # Alt+S preferred; the desktop fires them.
            bound = sorted(shortcuts_backend("Bound")[0])
            check(bound == [("copy-dec", "ALT+d"), ("copy-hex", "ALT+h"), ("store", "ALT+s")],
                  "the three shortcuts are bound with their preferred keys: %s" % bound)
            act = press
        else:
            # The commands, as bound in the desktop's keyboard settings.
            def act(option):
                desktop.command(program, option)
        # At an odd spot: the exact colour copied and stored.
        colour = desktop.shows(window, remote, 33, 420)
        act("--copy-hex")
        wait_clipboard("#" + colour)
        act("--copy-dec")
        r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
        wait_clipboard("%d, %d, %d" % (r, g, b))
        act("--store")
        time.sleep(0.3)
        velmora.terminate()
        code = velmora.wait(timeout=10)
        check(code == 0, "SIGTERM ends Velmora with code 0 (was %s)" % code)
        with open(ini, "rb") as saved:
            lines = saved.read().decode("latin-1").splitlines()
        check("CB1=%d" % (r | g << 8 | b << 16) in lines,
              "SIGTERM keeps the stored colour in Config.ini: %s" % lines)
        check(os.path.exists(token), "the share's restore token is kept beside Config.ini")

        # The second start asks nothing: no key is pressed this time.
        velmora = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
        window = desktop.strip_window(velmora.pid)
        check(window is not None, "the strip shows again")
        if window is not None:
            desktop.shows(window, remote, 100, 300)
            velmora.terminate()
            check(velmora.wait(timeout=10) == 0, "and ends with 0")
    finally:
        if velmora.poll() is None:
            velmora.kill()
        if picture is not None:
            picture.kill()
        remote.stop()


main()
desktop.finish()
