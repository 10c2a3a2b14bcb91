"""A ScreenCast back end of the tests' own for xdg-desktop-portal
(org.freedesktop.impl.portal.ScreenCast), started by session.sh
--screencast-backend. It shares without a dialog: every monitor when the
sources asked for allow several (the first one otherwise), through mutter's
own org.gnome.Mutter.ScreenCast, as GNOME's back end does once its dialog is
answered. GNOME 43's dialog cannot choose several monitors from the keyboard.
The tests ask it on its own interface com.quorvane.VelmoraTest.ScreenCast:
  Selected() -> a{sv}   the options of the last SelectSources (types,
                        multiple, cursor_mode, ...) as the program sent them
Prints "ready" once it owns its name."""
import os
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from portal_backend import method, serve  # noqa: E402

NAME = "org.freedesktop.impl.portal.desktop.velmorascreencast"
MUTTER = "org.gnome.Mutter.ScreenCast"
# What the portal asks for (1 monitor; 1 hidden, 2 embedded, 4 metadata) and
# mutter's cursor modes for the portal's.
MONITOR = 1
CURSOR_MODES = {1: 0, 2: 1, 4: 2}
RESPONSE_OK, RESPONSE_FAILED = 0, 2
STREAMS_TIMEOUT_MS = 10000

XML = """
<node>
  <interface name="org.freedesktop.impl.portal.ScreenCast">
""" + method("CreateSession", "s app_id", "a{sv} options") + method(
    "SelectSources", "s app_id", "a{sv} options") + method(
    "Start", "s app_id", "s parent_window", "a{sv} options") + """    <property name="AvailableSourceTypes" type="u" access="read"/>
    <property name="AvailableCursorModes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="com.quorvane.VelmoraTest.ScreenCast">
    <method name="Selected">
      <arg type="a{sv}" name="options" direction="out"/>
    </method>
  </interface>
</node>
"""

# Each portal session's own object, which the front end closes.
SESSION_XML = """
<node>
  <interface name="org.freedesktop.impl.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
"""

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
sessions = {}  # portal session handle -> Session
selected = {}  # the last SelectSources' options, as variants


def mutter_call(path, interface, method, args=None, destination=MUTTER):
    reply = bus.call_sync(destination, path, interface, method, args, None,
                          Gio.DBusCallFlags.NONE, 10000, None)
    return reply.unpack() if reply is not None else ()


def connectors():
    """Every monitor's connector, left to right."""
    _, _, logical, _ = mutter_call("/org/gnome/Mutter/DisplayConfig",
                                   "org.gnome.Mutter.DisplayConfig", "GetCurrentState",
                                   destination="org.gnome.Mutter.DisplayConfig")
    return [members[0][0] for _, _, _, _, _, members, _ in sorted(logical)]


class Session:
    def __init__(self, handle):
        self.handle = handle
        self.options = {}
        self.mutter = None
        self.subscriptions = []
        node = Gio.DBusNodeInfo.new_for_xml(SESSION_XML)
        self.registration = bus.register_object(handle, node.interfaces[0], self.on_call,
                                                lambda *a: GLib.Variant("u", 1), None)

    def on_call(self, bus_, sender, path, interface, method, parameters, invocation):
        self.close()
        invocation.return_value(None)

    def close(self):
        for subscription in self.subscriptions:
            bus.signal_unsubscribe(subscription)
        self.subscriptions = []
        if self.mutter is not None:
            try:
                mutter_call(self.mutter, MUTTER + ".Session", "Stop")
            except GLib.Error:
                pass  # mutter closed it already
            self.mutter = None
        if self.registration:
            bus.unregister_object(self.registration)
            self.registration = 0
        sessions.pop(self.handle, None)

    def on_mutter_closed(self, *args):
        self.mutter = None
        bus.emit_signal(None, self.handle, "org.freedesktop.impl.portal.Session", "Closed",
                        None)
        self.close()

    def start(self, invocation):
        """Records the monitors; answers `invocation` once mutter has each
        one's PipeWire node (or with a failure after STREAMS_TIMEOUT_MS)."""
        chosen = connectors()
        if not self.options.get("multiple", False):
            chosen = chosen[:1]
        properties = {}
        if self.options.get("cursor_mode") in CURSOR_MODES:
            properties["cursor-mode"] = GLib.Variant("u", CURSOR_MODES[self.options["cursor_mode"]])
        self.mutter = mutter_call("/org/gnome/Mutter/ScreenCast", MUTTER, "CreateSession",
                                  GLib.Variant("(a{sv})", ({},)))[0]
        self.subscriptions.append(bus.signal_subscribe(
            MUTTER, MUTTER + ".Session", "Closed", self.mutter, None,
            Gio.DBusSignalFlags.NONE, self.on_mutter_closed))
        streams = []  # [node id or None, its properties]
        answered = []

        def answer(response, results):
            if not answered:
                answered.append(response)
                invocation.return_value(GLib.Variant("(ua{sv})", (response, results)))

        def on_added(bus_, sender, path, interface, signal, parameters, stream):
            stream[0] = parameters.unpack()[0]
            if all(s[0] is not None for s in streams):
                answer(RESPONSE_OK, {
                    "streams": GLib.Variant("a(ua{sv})", [tuple(s) for s in streams]),
                    "persist_mode": GLib.Variant("u", self.options.get("persist_mode", 0)),
                    "restore_data": GLib.Variant("(suv)", ("velmoratest", 1, GLib.Variant(
                        "as", chosen)))})

        for connector in chosen:
            path = mutter_call(self.mutter, MUTTER + ".Session", "RecordMonitor",
                               GLib.Variant("(sa{sv})", (connector, properties)))[0]
            parameters = mutter_call(path, "org.freedesktop.DBus.Properties", "Get",
                                     GLib.Variant("(ss)", (MUTTER + ".Stream", "Parameters")))[0]
            stream = [None, {"id": GLib.Variant("s", str(len(streams))),
                             "source_type": GLib.Variant("u", MONITOR),
                             "position": GLib.Variant("(ii)", parameters["position"]),
                             "size": GLib.Variant("(ii)", parameters["size"])}]
            streams.append(stream)
            self.subscriptions.append(bus.signal_subscribe(
                MUTTER, MUTTER + ".Stream", "PipeWireStreamAdded", path, None,
                Gio.DBusSignalFlags.NONE, on_added, stream))
        mutter_call(self.mutter, MUTTER + ".Session", "Start")

        def too_late():
            if not answered:
                print("screencast_backend: no PipeWire node for every monitor", file=sys.stderr)
                answer(RESPONSE_FAILED, {})
            return GLib.SOURCE_REMOVE

        GLib.timeout_add(STREAMS_TIMEOUT_MS, too_late)


def on_call(bus_, sender, path, interface, method, parameters, invocation):
    if method == "Selected":
        invocation.return_value(GLib.Variant("(a{sv})", (selected,)))
        return
    handle, session_handle = parameters[0], parameters[1]
    if method == "CreateSession":
        sessions[session_handle] = Session(session_handle)
        invocation.return_value(GLib.Variant("(ua{sv})", (RESPONSE_OK, {})))
        return
    session = sessions.get(session_handle)
    if session is None:
        invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound",
                                     "no session %s" % session_handle)
    elif method == "SelectSources":
        options = parameters.get_child_value(3)
        selected.clear()
        for i in range(options.n_children()):
            entry = options.get_child_value(i)
            selected[entry.get_child_value(0).get_string()] = entry.get_child_value(1).get_variant()
        session.options = options.unpack()
        if session.options.get("types", MONITOR) & MONITOR == 0:
            invocation.return_value(GLib.Variant("(ua{sv})", (RESPONSE_FAILED, {})))
        else:
            invocation.return_value(GLib.Variant("(ua{sv})", (RESPONSE_OK, {})))
    elif method == "Start":
        try:
            session.start(invocation)
        except GLib.Error as error:
            print("screencast_backend: %s" % error.message, file=sys.stderr)
            invocation.return_value(GLib.Variant("(ua{sv})", (RESPONSE_FAILED, {})))


def on_get(bus_, sender, path, interface, name):
    # Monitors only, every cursor mode, the interface's version 4 (that of
    # GNOME's back end: restore data).
    return GLib.Variant("u", {"AvailableSourceTypes": MONITOR, "AvailableCursorModes": 7,
                              "version": 4}[name])


serve(NAME, XML, on_call, on_get)
sys.exit(0)
