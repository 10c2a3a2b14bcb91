"""What Windows users download, under Wine: the installer installs, closes a
running Velmora, upgrades and uninstalls, and the colour box outlives it all;
the zip's Velmora.exe runs from a folder with a space in its name.

    python3 test_windows_dist.py wine VELMORA_EXE HELPER_EXE
with VELMORA_SETUP, VELMORA_VERSION, VELMORA_OLDER_SETUP,
VELMORA_OLDER_VERSION and VELMORA_ZIP in the environment (tests/dist/CMakeLists.txt).
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import velmora_e2e as e2e  # noqa: E402
from velmora_e2e import GREEN, RED, WHITE, VelmoraTest  # noqa: E402

INSTALL_DIR = r"C:\Program Files\Quorvane\Velmora"
INSTALLED_EXE = INSTALL_DIR + r"\Velmora.exe"
UNINSTALLER = INSTALL_DIR + r"\Uninstall.exe"
SHORTCUT = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Velmora.lnk"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def unix_path(windows_path):
    """Where a path on the prefix's drive C: lies on this machine."""
    drive, rest = windows_path.split(":\\", 1)
    assert drive.upper() == "C", windows_path
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *rest.split("\\"))


def wine(*args, timeout=120):
    """Runs a Windows program to its end; returns (exit code, output)."""
    # NOTE: output through a file, as in the harness: Wine's services may hold a pipe.
    with tempfile.TemporaryFile() as out:
        code = subprocess.run(["wine"] + list(args), stdin=subprocess.DEVNULL, stdout=out,
                              stderr=subprocess.STDOUT, timeout=timeout).returncode
        out.seek(0)
        return code, out.read().decode("latin-1")


def registered():
    """The values of Velmora's Add/Remove Programs entry, or None without one."""
    code, out = wine("reg", "query", UNINSTALL_KEY)
    if code != 0:
        return None
    values = {}
    for line in out.splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3:
            name, kind, value = parts
            values[name] = int(value, 16) if kind == "REG_DWORD" else value
    return values


def installed():
    """True while any part of the installation is on the prefix."""
    return any(os.path.lexists(unix_path(p)) for p in (INSTALL_DIR, SHORTCUT)) or \
        registered() is not None


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class WindowsDistTest(VelmoraTest):

    def remove_installation(self):
        """Uninstalls what a test left installed, by force where the uninstaller fails."""
        if os.path.exists(unix_path(UNINSTALLER)):
            wine(UNINSTALLER, "/S")
            try:
                e2e.wait_for("the uninstaller", lambda: not installed(), timeout=30)
            except AssertionError:
                pass
        shutil.rmtree(os.path.dirname(unix_path(INSTALL_DIR)), ignore_errors=True)
        if os.path.lexists(unix_path(SHORTCUT)):
            os.remove(unix_path(SHORTCUT))
        wine("reg", "delete", UNINSTALL_KEY, "/f")

    def install(self, setup):
        code, out = wine(setup, "/S")
        self.assertEqual(code, 0, "%s /S failed: %s" % (os.path.basename(setup), out))

    def test_install_upgrade_and_uninstall_keep_the_colour_box(self):
        self.assertFalse(installed(), "Velmora is installed in the prefix already")
        self.addCleanup(self.remove_installation)
        self.install(os.environ["VELMORA_OLDER_SETUP"])
        self.assertEqual(registered()["DisplayVersion"], os.environ["VELMORA_OLDER_VERSION"])

        app = self.start(command=["wine", INSTALLED_EXE])
        app.point_at_screen(RED)
        app.hot_key("alt+s")
        self.assertEqual(app.exit(), 0)
        self.assertEqual(e2e.saved_box(), e2e.box_lines([RED] + [WHITE] * 5))

        # The upgrade closes a running Velmora, which saves what it holds.
        app = self.start(command=["wine", INSTALLED_EXE])
        app.point_at_screen(GREEN)
        app.hot_key("alt+s")
        box = [GREEN, RED] + [WHITE] * 4
        app.expand()
        self.assertSlots(app, box)
        self.install(os.environ["VELMORA_SETUP"])
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(e2e.saved_box(), e2e.box_lines(box))

        self.assertEqual(read_bytes(unix_path(INSTALLED_EXE)), read_bytes(e2e.TARGET.exe))
        self.assertTrue(os.path.isfile(unix_path(UNINSTALLER)))
        self.assertIn(INSTALLED_EXE.encode(), read_bytes(unix_path(SHORTCUT)),
                      "the shortcut does not point at the installed exe")
        entry = registered()
        size = sum(os.path.getsize(unix_path(p)) for p in (INSTALLED_EXE, UNINSTALLER))
        self.assertLessEqual(abs(entry.pop("EstimatedSize") - size // 1024), 1)
        self.assertEqual(entry, {
            "DisplayName": "Velmora",
            "DisplayIcon": INSTALLED_EXE + ",0",
            "DisplayVersion": os.environ["VELMORA_VERSION"],
            "VersionMajor": int(os.environ["VELMORA_VERSION"].split(".")[0]),
            "VersionMinor": int(os.environ["VELMORA_VERSION"].split(".")[1]),
            "Publisher": "Quorvane",
            "UninstallString": '"%s"' % UNINSTALLER,
            "QuietUninstallString": '"%s" /S' % UNINSTALLER,
            "InstallLocation": INSTALL_DIR,
            "NoModify": 1,
            "NoRepair": 1,
        })

        app = self.start(command=["wine", INSTALLED_EXE])
        app.expand()
        self.assertSlots(app, box)
        self.assertEqual(app.exit(), 0)

        # Start at login, as the menu records it: the uninstaller removes it.
        self.addCleanup(wine, "reg", "delete", RUN_KEY, "/v", "Velmora", "/f")
        code, out = wine("reg", "add", RUN_KEY, "/v", "Velmora", "/t", "REG_SZ",
                         "/d", '"%s"' % INSTALLED_EXE, "/f")
        self.assertEqual(code, 0, out)

        # As Apps & features runs it; the uninstaller goes on from a copy of
        # itself in %TEMP%, so its end is seen in what it removes.
        code, out = wine(*shlex.split(entry["QuietUninstallString"]))
        self.assertEqual(code, 0, out)
        e2e.wait_for("the uninstall", lambda: not installed(), timeout=30)
        self.assertNotEqual(wine("reg", "query", RUN_KEY, "/v", "Velmora")[0], 0,
                            "the Run value is left behind")
        self.assertFalse(os.path.exists(os.path.dirname(unix_path(INSTALL_DIR))),
                         "the Quorvane folder is left behind")
        self.assertEqual(e2e.saved_box(), e2e.box_lines(box))

    def test_zip_runs_from_a_folder_with_a_space(self):
        folder = unix_path(r"C:\Velmora Test")
        self.addCleanup(shutil.rmtree, folder, True)
        with zipfile.ZipFile(os.environ["VELMORA_ZIP"]) as archive:
            self.assertEqual(archive.namelist(), ["Velmora.exe", "README.txt", "LICENSE.txt"])
            archive.extractall(folder)
        readme = read_bytes(os.path.join(folder, "README.txt"))
        self.assertGreater(readme.count(b"\r\n"), 0)
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"), "README.txt has bare LFs")
        self.assertEqual(read_bytes(os.path.join(folder, "Velmora.exe")),
                         read_bytes(e2e.TARGET.exe))

        app = self.start(command=["wine", r"C:\Velmora Test\Velmora.exe"])
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    e2e.main()
