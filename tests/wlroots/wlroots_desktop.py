"""A headless wlroots desktop for the tests and benchmarks of Velmora's
wlroots screen source, inside root.sh: a private session bus, sway or labwc
with two outputs (the second at scale 2) and XWayland, and the desktop helper
wlr_desk (pattern, virtual pointer, fullscreen window, changing square)."""
import os
import select
import subprocess
import sys
import tempfile
import time

runtime = os.environ["XDG_RUNTIME_DIR"]
work = tempfile.mkdtemp(prefix="wlroots.")


def wait_for(predicate, timeout, step=0.05):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class Lines:
    """A child process spoken to line by line."""

    def __init__(self, argv, env):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, env=env)
        self.pending = b""

    def line(self, timeout=10):
        """The next line, or None when none comes in time (read unbuffered:
        several lines may come at once)."""
        deadline = time.time() + timeout
        fd = self.process.stdout.fileno()
        while b"\n" not in self.pending:
            left = deadline - time.time()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                return None
            chunk = os.read(fd, 4096)
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()

    def ask(self, text, timeout=10):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        return self.line(timeout)

    def end(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()


# --- the desktop

def start_bus():
    """A private session bus (the commands of the running program use it)."""
    address = "unix:path=%s/bus" % runtime
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                            "--address=" + address], stderr=subprocess.DEVNULL)
    wait_for(lambda: os.path.exists(os.path.join(runtime, "bus")), 10)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    return bus


def start_desktop(compositor, software_cursor=False, turned=False):
    """The compositor and the environment of its clients. `turned`: the
    first output (sway only) in portrait, its hardware turned by 90 degrees."""
    env = {k: v for k, v in os.environ.items()}
    env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1",
               WLR_HEADLESS_OUTPUTS="2")
    if software_cursor:
        env["WLR_NO_HARDWARE_CURSORS"] = "1"
    display_file = os.path.join(work, "display")
    if compositor == "sway":
        config = os.path.join(work, "sway.conf")
        with open(config, "w") as f:
            f.write("output HEADLESS-1 mode 1280x720 position 0 0 scale 1%s\n"
                    "output HEADLESS-2 mode 1280x720 position %d 0 scale 2\n"
                    % ((" transform 90", 720) if turned else ("", 1280)) +
                    "xwayland enable\n"
                    "exec sh -c 'echo $DISPLAY >%s'\n" % display_file)
        argv = ["sway", "-c", config]
    else:
        folder = os.path.join(work, "labwc")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "rc.xml"), "w") as f:
            f.write("<?xml version=\"1.0\"?>\n<labwc_config></labwc_config>\n")
        with open(os.path.join(folder, "autostart"), "w") as f:
            f.write("wlr-randr --output HEADLESS-1 --custom-mode 1280x720 --pos 0,0 --scale 1 "
                    "--output HEADLESS-2 --custom-mode 1280x720 --pos 1280,0 --scale 2\n"
                    "echo $DISPLAY >%s\n" % display_file)
        argv = ["labwc", "-C", folder]
    log = open(os.path.join(work, compositor + ".log"), "w")
    process = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT)
    socket = wait_for(lambda: next((n for n in sorted(os.listdir(runtime))
                                    if n.startswith("wayland-") and not n.endswith(".lock")),
                                   None), 20)
    display = wait_for(lambda: os.path.exists(display_file) and open(display_file).read().strip(),
                       20)
    if socket is None or not display:
        print(open(os.path.join(work, compositor + ".log")).read())
        sys.exit("the compositor did not start")
    env = {k: v for k, v in os.environ.items()}
    env.update(WAYLAND_DISPLAY=socket, DISPLAY=display, XDG_SESSION_TYPE="wayland",
               GDK_BACKEND="x11")
    return process, env


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()


def start_desk(desk_program, env):
    desk = Lines([desk_program], env)
    outputs = []
    while True:
        line = desk.line(20)
        if line is None or line == "ready":
            break
        name, x, y, w, h, scale = line.split()[1:]
        outputs.append(dict(name=name, x=int(x), y=int(y), width=int(w), height=int(h),
                            scale=int(scale)))
    if [o["scale"] for o in outputs] != [1, 2]:
        sys.exit("the desktop helper did not start, or the outputs are not at scales 1 and 2: %r"
                 % outputs)
    return desk, outputs
