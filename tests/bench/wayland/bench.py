"""The Wayland rows of Velmora's benchmark table (`make bench`), inside a
private headless GNOME session (tests/wayland/session.sh):
  tests/wayland/session.sh -- /usr/bin/python3 tests/bench/wayland/bench.py BUILD
Velmora at rest on a still picture against a bare program that holds the same
ScreenCast stream and reads one pixel ten times a second
(velmora_wayland_probe, asked ten times a second), one after the other; and
what the compositor spends meanwhile. CPU is the kernel's run time of every
thread (/proc/PID/task/*/schedstat; the compositor's from /proc/PID/stat, whose
threads come and go); memory is private (smaps_rollup)."""
import os
import subprocess
import sys
import tempfile
import threading
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "wayland"))
import wayland_desktop as desktop  # noqa: E402

REST = int(os.environ.get("REST_SECONDS", "15"))
build = sys.argv[1]
velmora = os.path.join(build, "velmora")
probe = os.path.join(build, "tests", "wayland", "velmora_wayland_probe")


def run_ns(pid):
    """Nanoseconds on a CPU of every thread of `pid` so far."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as stat:
                total += int(stat.read().split()[0])
        except OSError:
            pass
    return total


def process_ns(pid):
    """User and system time of `pid`, its ended threads included (the
    compositor starts and ends threads of its own)."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1e9 / os.sysconf("SC_CLK_TCK")


def private_kb(pid):
    kb = 0
    with open("/proc/%d/smaps_rollup" % pid) as rollup:
        for line in rollup:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                kb += int(line.split()[1])
    return kb


def compositor_pid():
    """This session's mutter (the one with our XDG_RUNTIME_DIR)."""
    mine = ("XDG_RUNTIME_DIR=" + os.environ["XDG_RUNTIME_DIR"]).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as comm:
                if comm.read().strip() != "mutter":
                    continue
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if mine in environ.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    sys.exit("bench.py: no mutter of this session")


def strip_shown(pid, timeout=15):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                          capture_output=True, text=True).stdout.split():
            return True
        time.sleep(0.2)
    sys.exit("bench.py: Velmora's strip did not show")


def at_rest(pid, mutter):
    """Run time of `pid` and of mutter over REST seconds, and pid's memory."""
    time.sleep(2)  # past the start
    p0, m0 = run_ns(pid), process_ns(mutter)
    time.sleep(REST)
    return run_ns(pid) - p0, process_ns(mutter) - m0, private_kb(pid)


def main():
    os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(prefix="velmora-bench.")
    picture = desktop.show_picture(640, 480)
    remote = desktop.Remote()
    mutter = compositor_pid()
    try:
        remote.move_to(200, 300)
        # The compositor with nothing captured.
        m0 = process_ns(mutter)
        time.sleep(REST)
        idle_mutter = process_ns(mutter) - m0

        # The first start asks; the consent is kept for the runs below.
        first = subprocess.Popen([velmora], stderr=subprocess.DEVNULL)
        time.sleep(3)
        remote.answer_share(True)
        strip_shown(first.pid)
        first.terminate()
        first.wait(timeout=10)

        reader = subprocess.Popen([probe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True)
        if reader.stdout.readline().strip() != "ready":
            sys.exit("bench.py: the probe did not see the screen")
        stop = threading.Event()

        def ask():
            while not stop.is_set():
                reader.stdin.write("read\n")
                reader.stdin.flush()
                reader.stdout.readline()
                time.sleep(0.1)
        asker = threading.Thread(target=ask)
        asker.start()
        bare_ns, bare_mutter, bare_kb = at_rest(reader.pid, mutter)
        stop.set()
        asker.join()
        reader.stdin.close()
        reader.wait(timeout=10)

        app = subprocess.Popen([velmora], stderr=subprocess.DEVNULL)
        strip_shown(app.pid)
        vel_ns, vel_mutter, vel_kb = at_rest(app.pid, mutter)
        app.terminate()
        app.wait(timeout=10)
        total_mutter = process_ns(mutter)
    finally:
        picture.kill()
        remote.stop()

    f = "%-38s %-44s %s"
    print(f % ("wayland: CPU at rest / bare portal rdr", "%.2f (%.0f ms / %.0f ms in %d s)" % (
        vel_ns / bare_ns, vel_ns / 1e6, bare_ns / 1e6, REST), "<= 1.10"))
    print(f % ("wayland: private memory / bare reader", "%d KB / %d KB (%+d KB)" % (
        vel_kb, bare_kb, vel_kb - bare_kb), "<= +2048 KB"))
    print(f % ("wayland: mutter CPU, Velmora at rest", "%.2f %% of a core (%.2f %% bare rdr, %.2f %% none)"
               % (vel_mutter / 1e9 / REST * 100, bare_mutter / 1e9 / REST * 100,
                  idle_mutter / 1e9 / REST * 100), "information"))
    print(f % ("wayland: mutter CPU, the whole run", "%.0f ms (its start and the dialog included)"
               % (total_mutter / 1e6), "information"))


main()
