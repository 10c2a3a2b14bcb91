"""The wlroots rows of Velmora's benchmark table (`make bench`), on a
headless sway in the Debian unstable root of the wlroots tests:
  tests/wlroots/root.sh BUILD -- /usr/bin/python3 tests/bench/wlroots/bench.py BUILD
Velmora (its strip on XWayland, the screen through ext-image-copy-capture)
against bare_capture, a program of the same protocols that reads one pixel
ten times a second and copies nothing, and velmora_wayland_probe (Velmora's
screen source alone, asked ten times a second) beside them; each for
REST_SECONDS at rest and with a 64 x 64 square changing colour 30 times a
second, one after the other, and what sway (and XWayland) spend meanwhile.
CPU is the kernel's run time of every thread (/proc/PID/task/*/schedstat);
memory is private and proportional (Pss) from smaps_rollup: the shared-memory
buffers the compositor maps too count in Pss, half each."""
import os
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "wlroots"))
sys.path.insert(0, os.path.join(here, ".."))
import proc_figures  # noqa: E402
from wlroots_desktop import start_bus, start_desk, start_desktop, stop  # noqa: E402

REST = int(os.environ.get("REST_SECONDS", "15"))
build = sys.argv[1]
velmora = os.path.join(build, "velmora")
probe = os.path.join(build, "tests", "wayland", "velmora_wayland_probe")
bare = os.path.join(build, "tests", "bench", "wlroots", "bare_capture")
desk_program = os.path.join(build, "tests", "wlroots", "wlr_desk")


def memory_kb(pid):
    """(private, Pss) in KB."""
    return (proc_figures.rollup_kb(pid, "Private_Clean", "Private_Dirty"),
            proc_figures.rollup_kb(pid, "Pss"))


def pid_of(name):
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if open("/proc/%s/comm" % entry).read().strip() == name:
                    return int(entry)
            except OSError:
                pass
    return None


def measure(argv, env, desktop_pids, square, desk):
    """CPU ms of the program and of the desktop over REST seconds, and its
    memory at the end."""
    process = subprocess.Popen(argv, env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, text=True)
    asker = None
    if argv[0] == probe:
        asker = process
    time.sleep(3)
    desk.ask("square %s" % ("on" if square else "off"))
    time.sleep(1)
    start = proc_figures.run_ns(process.pid), sum(proc_figures.run_ns(p) for p in desktop_pids)
    deadline = time.time() + REST
    while time.time() < deadline:
        if asker is not None:
            asker.stdin.write("read\n")
            asker.stdin.flush()
        time.sleep(0.1)
    end = proc_figures.run_ns(process.pid), sum(proc_figures.run_ns(p) for p in desktop_pids)
    memory = memory_kb(process.pid)
    desk.ask("square off")
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
    time.sleep(1)
    return (end[0] - start[0]) / 1e6, (end[1] - start[1]) / 1e6, memory


def main():
    bus = start_bus()
    sway, env = start_desktop("sway")
    desk = None
    try:
        desk, outputs = start_desk(desk_program, env)
        # The pointer still, over the pattern, away from the square and the strip.
        desk.ask("move 400 400")
        env = dict(env, XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="velmora-bench."))
        xwayland = pid_of("Xwayland")
        desktop_pids = [sway.pid] + ([xwayland] if xwayland else [])
        programs = (("velmora", [velmora]), ("bare", [bare]), ("probe", [probe]))
        rows = {}
        for square in (False, True):
            for name, argv in programs:
                rows[name, square] = measure(argv, env, desktop_pids, square, desk)
        for square in (False, True):
            what = "with a changing square" if square else "at rest"
            v, b, p = rows["velmora", square], rows["bare", square], rows["probe", square]
            print("wlroots: CPU %s / bare capture: %.2f (Velmora %.0f ms, bare %.0f ms, "
                  "screen source alone %.0f ms in %d s; goal <= 1.2); Velmora / screen source "
                  "alone: %.2f" % (what, v[0] / max(b[0], 0.001), v[0], b[0], p[0], REST,
                                   v[0] / max(p[0], 0.001)))
            print("wlroots: sway and XWayland CPU %s: %.0f ms beside Velmora, %.0f ms beside "
                  "bare, %.0f ms beside the screen source alone" % (what, v[1], b[1], p[1]))
        v, b, p = rows["velmora", False][2], rows["bare", False][2], rows["probe", False][2]
        print("wlroots: private memory: Velmora %d KB, screen source alone %d KB, bare %d KB "
              "(Velmora - bare: %+d KB, goal <= +2048; Velmora - source alone: %+d KB)"
              % (v[0], p[0], b[0], v[0] - b[0], v[0] - p[0]))
        print("wlroots: Pss (shared buffers halved): Velmora %d KB, screen source alone %d KB, "
              "bare %d KB (source - bare: %+d KB)" % (v[1], p[1], b[1], p[1] - b[1]))
        print("wlroots: outputs %s" % ", ".join("%s %dx%d@%d" % (o["name"], o["width"],
                                                                o["height"], o["scale"])
                                                for o in outputs))
    finally:
        if desk is not None:
            desk.end()
        stop(sway)
        stop(bus)


main()
