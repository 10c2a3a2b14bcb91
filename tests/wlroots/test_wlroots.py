"""The screen of a wlroots desktop, read by the native platform through its
own Wayland connection (ext-image-copy-capture), on a headless sway or labwc
with two outputs, the second at scale 2, inside root.sh:
  --pixels          the pixel under the pointer (velmora_wayland_probe) over
                    1-pixel columns and rows of both outputs, edges included
  --all             that, then the real program: its strip above a fullscreen
                    window, dragged, and --copy-hex, --copy-dec and --store
                    (the clipboard read back with wl-paste, Config.ini after
                    SIGTERM)
  --software-cursor a desktop that draws the pointer itself: no position,
                    the box saying so, exit code 3; and before that, the
                    box of a seat without a pointer
  test_wlroots.py sway|labwc OPTION WLR_DESK PROBE VELMORA"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wlroots_desktop import (Lines, start_bus, start_desk, start_desktop, stop,  # noqa: E402
                             wait_for, work)

compositor, option, desk_program, probe_program, velmora_program = sys.argv[1:6]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def expected(k, x, y):
    """The pattern's colour of device pixel (x, y) of output k (wlr_desk.c)."""
    return "%02X%02X%02X" % (x % 256, y % 256, (128 * k + 16 * (x // 256) + y // 256) % 256)


def point_at(output, x, y):
    """The layout position of device pixel (x, y) of `output`: its corner.
    NOTE: wlroots rounds the pointer's position to the nearest device pixel
    when it reports it: a pixel's centre would be reported as the next one."""
    s = output["scale"]
    return output["x"] + x / s, output["y"] + y / s


def read_until(probe, want, timeout=2):
    """The probe's answer, asked again until it is `want` (the position
    reaches Velmora a moment after the pointer moved)."""
    answer = None
    deadline = time.time() + timeout
    while time.time() < deadline:
        answer = probe.ask("read")
        if answer == want:
            break
        time.sleep(0.03)
    return answer


# --- the cases

def pixels(desk, outputs, env):
    probe = Lines([probe_program], env)
    ready = probe.line(20)
    check(ready == "ready", "the probe sees the screen (%r)" % ready)
    if ready != "ready":
        print(probe.process.stderr.read() if probe.process.poll() is not None else "")
        probe.process.kill()
        return
    for k, output in enumerate(outputs):
        s = output["scale"]
        w, h = output["width"] * s, output["height"] * s
        # 1-pixel columns and rows, odd and even, the outputs' edges included.
        spots = [(0, 0), (1, 1), (2, 5), (255, 256), (256, 257), (257, 255), (w // 2 + 1, h // 2),
                 (w - 2, h - 2), (w - 1, h - 1), (w - 1, 100), (0, 101)]
        wrong = []
        for x, y in spots:
            desk.ask("move %.4f %.4f" % point_at(output, x, y))
            want = "%d %d %s" % (output["x"] * s + x, output["y"] * s + y, expected(k, x, y))
            got = read_until(probe, want)
            if got != want:
                wrong.append("%s: %s" % (want, got))
        check(not wrong, "%s (scale %d): the pixel under the pointer at %d spots %s"
              % (output["name"], s, len(spots), wrong))
    # The pixel and the square around it, from one read.
    output = outputs[1]
    x, y = 301, 200
    desk.ask("move %.4f %.4f" % point_at(output, x, y))
    s = output["scale"]
    read_until(probe, "%d %d %s" % (output["x"] * s + x, output["y"] * s + y, expected(1, x, y)))
    answer = (probe.ask("block 1") or "").split()
    block = [expected(1, x + dx, y + dy) for dy in (-1, 0, 1) for dx in (-1, 0, 1)]
    check(answer[2:] == [expected(1, x, y)] + block, "the block around the pointer: %s" % answer)
    probe.end()


def x_window(env, name, timeout=15):
    def found():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                             capture_output=True, text=True, env=env).stdout.split()
        return out[0] if out else None
    return wait_for(found, timeout, 0.2)


def geometry(env, window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                         capture_output=True, text=True, env=env).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def screenshot(env, output):
    """The output's pixels as grim shows them: (width, height, bytes RGB)."""
    path = os.path.join(work, "shot.ppm")
    subprocess.run(["grim", "-t", "ppm", "-o", output["name"], path], env=env, check=True)
    data = open(path, "rb").read()
    parts = data.split(b"\n", 3)  # P6, size, maximum, pixels
    width, height = (int(v) for v in parts[1].split())
    return width, height, parts[3]


def strip_cases(desk, outputs, env):
    config = os.path.join(work, "config")
    env = dict(env, XDG_CONFIG_HOME=config)
    velmora = subprocess.Popen([velmora_program], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    window = x_window(env, "^Velmora$")
    check(window is not None, "the strip shows")
    if window is None:
        velmora.kill()
        print(velmora.stderr.read())
        return
    time.sleep(0.5)
    # Above a fullscreen window on its output: grim sees the strip's pixels,
    # not the window's. (XWayland's pixels are the layout's logical ones.)
    x, y, w, h = geometry(env, window)
    k = next(i for i, o in enumerate(outputs) if o["x"] <= x < o["x"] + o["width"])
    output = outputs[k]
    # The pointer on the other output: the strip's swatch shows its colour.
    other = outputs[1 - k]
    desk.ask("move %.4f %.4f" % point_at(other, 513, 301))
    desk.ask("fullscreen 00FF00 %d" % k)
    time.sleep(0.5)
    width, _, shot = screenshot(env, output)
    s = output["scale"]

    def pixel(px, py):
        i = (((py - output["y"]) * s) * width + (px - output["x"]) * s) * 3
        return shot[i:i + 3]
    covered = sum(1 for row in range(h) for col in range(w)
                  if pixel(x + col, y + row) == b"\x00\xff\x00")
    check(w > 0 and covered == 0,
          "the strip (%d x %d at %d, %d) shows above a fullscreen window (%d of its pixels "
          "were the window's)" % (w, h, x, y, covered))
    outside = pixel(x, y + h + 5)
    check(outside == b"\x00\xff\x00", "the fullscreen window is shown beside it (%r)" % outside)
    # The commands copy and store the colour under the pointer (on the output
    # without the fullscreen window).
    px, py = 513, 301
    desk.ask("move %.4f %.4f" % point_at(other, px, py))
    colour = expected(1 - k, px, py)
    time.sleep(0.4)
    decimal = "%d, %d, %d" % tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
    for command, text in (("--copy-hex", "#" + colour), ("--copy-dec", decimal)):
        run = subprocess.run([velmora_program, command], env=env, capture_output=True, text=True,
                             timeout=20)
        pasted = wait_for(lambda: subprocess.run(
            ["wl-paste", "--no-newline"], env=env, capture_output=True, text=True,
            timeout=10).stdout == text, 3, 0.2)
        now = subprocess.run(["wl-paste", "--no-newline"], env=env, capture_output=True,
                             text=True, timeout=10).stdout
        check(run.returncode == 0 and pasted,
              "velmora %s copies %r (wl-paste: %r, exit %d %s)"
              % (command, text, now, run.returncode, run.stderr.strip()))
    run = subprocess.run([velmora_program, "--store"], env=env, capture_output=True, text=True,
                         timeout=20)
    time.sleep(0.3)
    # Dragged with the left button, from the spot the end-to-end tests drag
    # (tests/e2e: DRAG_HANDLE); last: once, on labwc 0.20, Velmora had no
    # pointer position right after the drag (not repeated by hand).
    # NOTE: sway gives a window it does not manage no pointer grab while a
    # button is held: a pointer that leaves the strip before it has followed
    # is lost. The drag goes in small steps, each given time to be followed.
    grip = (x + 160, y + 16)
    desk.ask("move %d %d" % grip)
    desk.ask("button down")
    for step in range(1, 21):
        desk.ask("move %d %d" % (grip[0] + 5 * step, grip[1] + 2 * step))
        time.sleep(0.05)
    desk.ask("button up")
    # NOTE: on labwc 0.20 the strip ends one step short here (XWayland is
    # sent no motion for the last step): within one step passes.
    moved = wait_for(lambda: abs(geometry(env, window)[0] - x - 100) <= 5 and
                     abs(geometry(env, window)[1] - y - 40) <= 2, 3, 0.1)
    check(moved, "dragging moves the strip by (100, 40), within one step (5, 2): by %s"
          % ((geometry(env, window)[0] - x, geometry(env, window)[1] - y),))
    velmora.send_signal(signal.SIGTERM)
    try:
        code = velmora.wait(timeout=10)
    except subprocess.TimeoutExpired:
        velmora.kill()
        code = None
    ini = os.path.join(config, "Quorvane", "Velmora", "Config.ini")
    text = open(ini).read() if os.path.exists(ini) else ""
    stored = int(colour[4:6] + colour[2:4] + colour[0:2], 16)  # Windows' 0x00BBGGRR
    check(run.returncode == 0 and ("=%d" % stored) in text,
          "velmora --store keeps %s (%d) in Config.ini after SIGTERM (exit %s): %r"
          % (colour, stored, code, text))


def box_shown(env, probe):
    """The probe's error box, once it shows (None: none came)."""
    box = x_window(env, "^Velmora 3.6$", 20)
    check(box is not None, "an error box titled \"Velmora 3.6\" shows")
    return box


def refused(probe, box, desk, env, words):
    """Answers the box with the desktop's pointer: the probe ends with 3 and
    has said `words`."""
    if box is not None:
        # Its OK button, at the box's lower right corner (XWayland's XTEST
        # reaches no window here).
        time.sleep(0.5)
        x, y, w, h = geometry(env, box)
        desk.ask("move %d %d" % (x + w - 30, y + h - 22))
        desk.ask("button down")
        desk.ask("button up")
    try:
        code = probe.process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        probe.process.kill()
        code = None
    errors = probe.process.stderr.read()
    check(code == 3, "the exit code is 3 (was %s)" % code)
    check(words in errors, "the message says \"%s\": %r" % (words, errors))


def main():
    bus = start_bus()
    # On sway the first output is turned: pictures come in its hardware
    # orientation there.
    process, env = start_desktop(compositor, option == "--software-cursor",
                                 turned=option == "--all" and compositor == "sway")
    desk = None
    try:
        if option == "--software-cursor":
            # Before the desktop helper's virtual pointer, headless sway's
            # seat has no pointer at all.
            probe = Lines([probe_program], env)
            box = box_shown(env, probe)
            desk, outputs = start_desk(desk_program, env)
            refused(probe, box, desk, env, "this desktop has no pointer")
            # With one, a pointer drawn in software sends no position.
            probe = Lines([probe_program], env)
            refused(probe, box_shown(env, probe), desk, env,
                    "does not send the pointer's position")
        else:
            desk, outputs = start_desk(desk_program, env)
            pixels(desk, outputs, env)
            if option == "--all":
                strip_cases(desk, outputs, env)
    finally:
        if desk is not None:
            desk.end()
        stop(process)
        stop(bus)
    if failures:
        print(open(os.path.join(work, compositor + ".log")).read()[-3000:])
    print("%d failure(s)" % len(failures))
    sys.exit(1 if failures else 0)


main()
