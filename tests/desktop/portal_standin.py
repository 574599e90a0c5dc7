"""A stand-in desktop portal on the session bus: org.freedesktop.portal.GlobalShortcuts with
CreateSession and BindShortcuts answering through Request objects, as the portal documents it.
Prints "ready", then "bound ID TRIGGER" for each key bound. Its test interface
org.quillo.PortalStandIn has Press(id), which emits Activated for the session's key. Started with
--late, it answers whether it offers GlobalShortcuts only once Release() is called, as a portal
that is slow to start.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"


def request_path(sender, token):
    return "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.session = None
        self.held = [] if "--late" in sys.argv else None

    def answer(self, sender, options, results):
        request = Request(self.bus, request_path(sender, options["handle_token"]))
        GLib.idle_add(lambda: request.Response(dbus.UInt32(0), results) and False)
        return dbus.ObjectPath(request.__dbus_object_path__)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v",
                         async_callbacks=("reply", "error"))
    def Get(self, interface, name, reply, error):
        if interface != SHORTCUTS or name != "version":
            error(dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty"))
        elif self.held is not None:
            self.held.append(reply)
        else:
            reply(dbus.UInt32(2, variant_level=1))

    @dbus.service.method("org.quillo.PortalStandIn")
    def Release(self):
        for reply in self.held or []:
            reply(dbus.UInt32(2, variant_level=1))
        self.held = None

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender):
        self.session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"), options["session_handle_token"])
        return self.answer(sender, options, {"session_handle": dbus.String(self.session, variant_level=1)})

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender):
        for shortcut_id, properties in shortcuts:
            print("bound %s %s" % (shortcut_id, properties.get("preferred_trigger", "-")), flush=True)
        return self.answer(sender, options, {"shortcuts": dbus.Array(shortcuts, signature="(sa{sv})", variant_level=1)})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method("org.quillo.PortalStandIn", in_signature="s")
    def Press(self, shortcut_id):
        self.Activated(dbus.ObjectPath(self.session), shortcut_id, dbus.UInt64(0), dbus.Dictionary({}, signature="sv"))


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = Portal(bus)
name = dbus.service.BusName(PORTAL, bus)
print("ready", flush=True)
GLib.MainLoop().run()
