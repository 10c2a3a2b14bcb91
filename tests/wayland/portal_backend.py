"""What the tests' own portal back ends (shortcuts_backend.py,
screencast_backend.py) share: serving their interfaces on the session bus
under the name that their .portal file (written by session.sh) gives."""
import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

PATH = "/org/freedesktop/portal/desktop"


def serve(name, xml, on_call, on_get):
    """Serves every interface of `xml` at PATH until the name is lost; prints
    "ready" once it owns `name` (session.sh waits for it before the portal's
    front end starts, which reads a back end's properties once, at its start)."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    node = Gio.DBusNodeInfo.new_for_xml(xml)
    for interface in node.interfaces:
        bus.register_object(PATH, interface, on_call, on_get, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: print("ready", flush=True),
                                   lambda *a: loop.quit())
    loop.run()


def method(name, *args):
    """The XML of a back end's method: the request's and the session's
    handles, then `args` ("TYPE NAME" each); it answers a response and
    results."""
    arg = '      <arg type="%s" name="%s" direction="%s"/>\n'
    return ('    <method name="%s">\n' % name +
            "".join(arg % (t, n, "in") for t, n in
                    [("o", "handle"), ("o", "session_handle")] + [a.split() for a in args]) +
            arg % ("u", "response", "out") + arg % ("a{sv}", "results", "out") +
            "    </method>\n")
