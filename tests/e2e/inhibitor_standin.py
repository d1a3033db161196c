#!/usr/bin/python3
"""A desktop's idle inhibitor on a private session bus, for the end-to-end tests.

    inhibitor_standin.py screensaver|portal LOG

Serves org.freedesktop.ScreenSaver (Inhibit/UnInhibit) or the portal's
org.freedesktop.portal.Inhibit (Inhibit, then Close on the request object it returns), and
writes one line to LOG per inhibition taken ("inhibit") and let go ("release"). Once the bus
name is owned it writes "ready". A client that leaves the bus drops its inhibitions, as a real
desktop's do: that is written too ("dropped")."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

kind, log_path = sys.argv[1], sys.argv[2]
DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
held = {}  # key -> the sender's unique name


def log(line):
    with open(log_path, "a", encoding="utf-8") as f:
        f.write(line + "\n")


def take(key, sender):
    held[key] = sender
    log("inhibit")


def let_go(key):
    if held.pop(key, None) is not None:
        log("release")


def on_owner_changed(name, old, new):
    if old and not new:
        for key in [k for k, s in held.items() if s == old]:
            del held[key]
            log("dropped")


bus.add_signal_receiver(on_owner_changed, "NameOwnerChanged", "org.freedesktop.DBus")


class ScreenSaver(dbus.service.Object):
    cookie = 0

    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="ss", out_signature="u",
                         sender_keyword="sender")
    def Inhibit(self, app, reason, sender=None):
        ScreenSaver.cookie += 1
        take(ScreenSaver.cookie, sender)
        return dbus.UInt32(ScreenSaver.cookie)

    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="u")
    def UnInhibit(self, cookie):
        let_go(int(cookie))


class Request(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        let_go(self._object_path)
        self.remove_from_connection()


class Portal(dbus.service.Object):
    count = 0

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}",
                         out_signature="o", sender_keyword="sender")
    def Inhibit(self, window, flags, options, sender=None):
        if int(flags) & 8 == 0:
            raise dbus.exceptions.DBusException("not asked to keep the display from idling")
        Portal.count += 1
        path = "/org/freedesktop/portal/desktop/request/standin/%d" % Portal.count
        Request(bus, path)
        take(path, sender)
        return dbus.ObjectPath(path)


if kind == "portal":
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
    Portal(bus, "/org/freedesktop/portal/desktop")
else:
    name = dbus.service.BusName("org.freedesktop.ScreenSaver", bus)
    ScreenSaver(bus, "/org/freedesktop/ScreenSaver")
log("ready")
GLib.MainLoop().run()
