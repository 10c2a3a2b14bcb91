"""The real native program when the desktop's screen sharing fails under it,
inside session.sh: each fault ends in an error box titled with the program's
title (shown within a bounded time), exit code 3 once it is answered, and
Config.ini's colour box kept.
  test_faults.py --portal-in-request VELMORA   the portal (xdg-desktop-portal)
      killed while the share dialog waits: the colour box from before is
      left as it was
  test_faults.py --portal-while-running VELMORA   the portal killed while the
      strip runs, a colour stored: the colour box saved
  test_faults.py --pipewire-while-running VELMORA   PipeWire killed likewise"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

check = desktop.check
BOX_SECONDS = 10  # "promptly": the box is up well within this
FAILED = "Velmora cannot see the screen: the screen-sharing portal failed."
GONE = "Velmora cannot see the screen any more"
# A colour box kept by an earlier run, which a failed start leaves alone.
EARLIER = ["[ColorBox]", "CB1=1193046", "CB2=16777215", "CB3=16777215", "CB4=16777215",
           "CB5=16777215", "CB6=16777215"]


def saved_lines(ini):
    try:
        with open(ini, "rb") as saved:
            return saved.read().decode("latin-1").splitlines()
    except OSError:
        return []


def main():
    mode, program = sys.argv[1], sys.argv[2]
    config = tempfile.mkdtemp(prefix="velmora-config.")
    os.environ["XDG_CONFIG_HOME"] = config
    ini = os.path.join(config, "Quorvane", "Velmora", "Config.ini")
    os.makedirs(os.path.dirname(ini))
    with open(ini, "w") as out:
        out.write("\r\n".join(EARLIER) + "\r\n")
    remote = desktop.Remote()
    picture = desktop.show_picture(640, 480)
    velmora = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    try:
        check(picture.share_dialog_shown(), "the share dialog shows")
        if mode == "--portal-in-request":
            check(desktop.kill_session_process("xdg-desktop-portal"),
                  "the portal is killed while the dialog waits")
            desktop.box_and_exit(velmora, FAILED, BOX_SECONDS)
            check(saved_lines(ini) == EARLIER,
                  "the colour box from before is left as it was: %s" % saved_lines(ini))
            return
        remote.answer_share(True)
        window = desktop.strip_window(velmora.pid)
        if not check(window is not None, "the strip shows"):
            return
        colour = desktop.shows(window, remote, 33, 420)
        desktop.command(program, "--store")
        r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
        victim = {"--portal-while-running": "xdg-desktop-portal",
                  "--pipewire-while-running": "pipewire"}[mode]
        check(desktop.kill_session_process(victim), "%s is killed while the strip runs" % victim)
        desktop.box_and_exit(velmora, GONE, BOX_SECONDS)
        lines = saved_lines(ini)
        check("CB1=%d" % (r | g << 8 | b << 16) in lines and "CB2=1193046" in lines,
              "the stored colour is saved in Config.ini, the earlier one below it: %s" % lines)
    finally:
        if velmora.poll() is None:
            velmora.kill()
        picture.kill()
        remote.stop()


main()
desktop.finish()
