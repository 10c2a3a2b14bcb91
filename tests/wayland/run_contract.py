"""Runs the contract suite on the portal screen source inside session.sh and
answers GNOME's share dialog, which its first portal request shows; the
consent is kept beside the suite's Config.ini (a temporary XDG_CONFIG_HOME)
for the requests after it. The suite's exit code is this script's.
  run_contract.py SUITE [ARG...]"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_desktop as desktop  # noqa: E402

config = tempfile.mkdtemp(prefix="velmora-contract.")
os.environ["XDG_CONFIG_HOME"] = config
suite = subprocess.Popen(sys.argv[1:])
remote = desktop.Remote()
try:
    # The share dialog takes a moment to show; keys before it are lost.
    time.sleep(3)
    remote.answer_share(True)
finally:
    remote.stop()
code = suite.wait()
shutil.rmtree(config)
sys.exit(code)
