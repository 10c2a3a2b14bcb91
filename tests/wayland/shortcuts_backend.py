"""A GlobalShortcuts back end of the tests' own for xdg-desktop-portal
(org.freedesktop.impl.portal.GlobalShortcuts), started by session.sh
--shortcuts. It grants every shortcut asked for and keeps them; the tests
drive it on its own interface com.quorvane.VelmoraTest.Shortcuts:
  Bound() -> a(ss)   the shortcuts bound so far: (id, preferred trigger)
  Press(s id)        fires Activated for that shortcut of every session
Prints "ready" once it owns its name."""
import os
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import GLib  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from portal_backend import PATH, method, serve  # noqa: E402

NAME = "org.freedesktop.impl.portal.desktop.velmoratest"
IMPL = "org.freedesktop.impl.portal.GlobalShortcuts"
XML = """
<node>
  <interface name="org.freedesktop.impl.portal.GlobalShortcuts">
""" + method("CreateSession", "s app_id", "a{sv} options") + method(
    "BindShortcuts", "a(sa{sv}) shortcuts", "s parent_window", "a{sv} options") + method(
    "ListShortcuts") + """    <signal name="Activated">
      <arg type="o" name="session_handle"/>
      <arg type="s" name="shortcut_id"/>
      <arg type="t" name="timestamp"/>
      <arg type="a{sv}" name="options"/>
    </signal>
    <signal name="Deactivated">
      <arg type="o" name="session_handle"/>
      <arg type="s" name="shortcut_id"/>
      <arg type="t" name="timestamp"/>
      <arg type="a{sv}" name="options"/>
    </signal>
    <signal name="ShortcutsChanged">
      <arg type="o" name="session_handle"/>
      <arg type="a(sa{sv})" name="shortcuts"/>
    </signal>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="com.quorvane.VelmoraTest.Shortcuts">
    <method name="Bound">
      <arg type="a(ss)" name="shortcuts" direction="out"/>
    </method>
    <method name="Press">
      <arg type="s" name="id" direction="in"/>
    </method>
  </interface>
</node>
"""

sessions = {}  # session handle -> [(id, properties)]


def shortcut_list(shortcuts):
    return [(i, {"description": GLib.Variant("s", p.get("description", "")),
                 "trigger_description": GLib.Variant("s", p.get("preferred_trigger", ""))})
            for i, p in shortcuts]


def on_call(bus, sender, path, interface, method, parameters, invocation):
    args = parameters.unpack()
    if method == "CreateSession":
        sessions[args[1]] = []
        invocation.return_value(GLib.Variant("(ua{sv})", (0, {})))
    elif method == "BindShortcuts":
        sessions[args[1]] = list(args[2])
        invocation.return_value(GLib.Variant(
            "(ua{sv})", (0, {"shortcuts": GLib.Variant("a(sa{sv})", shortcut_list(args[2]))})))
    elif method == "ListShortcuts":
        invocation.return_value(GLib.Variant(
            "(ua{sv})", (0, {"shortcuts": GLib.Variant(
                "a(sa{sv})", shortcut_list(sessions.get(args[1], [])))})))
    elif method == "Bound":
        bound = [(i, p.get("preferred_trigger", "")) for s in sessions.values() for i, p in s]
        invocation.return_value(GLib.Variant("(a(ss))", (bound,)))
    elif method == "Press":
        for session, shortcuts in sessions.items():
            if any(i == args[0] for i, _ in shortcuts):
                for signal in ("Activated", "Deactivated"):
                    bus.emit_signal(None, PATH, IMPL, signal, GLib.Variant(
                        "(osta{sv})", (session, args[0], GLib.get_monotonic_time() // 1000, {})))
        invocation.return_value(None)


def on_get(bus, sender, path, interface, name):
    return GLib.Variant("u", 1)


serve(NAME, XML, on_call, on_get)
sys.exit(0)
