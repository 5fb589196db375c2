"""A StatusNotifierWatcher stand-in and a host's reads of an item, on the session bus.

  sni_bus.py watcher            serves org.kde.StatusNotifierWatcher until killed
  sni_bus.py get NAME PROPERTY  an item's property (the ToolTip's title for ToolTip)
  sni_bus.py menu NAME          the labels of its dbusmenu's top level, one a line
  sni_bus.py open NAME          tells the item its menu is about to show, as a host does
  sni_bus.py click NAME LABEL   sends the "clicked" event of the item with that label
"""
import sys

import dbus

WATCHER = "org.kde.StatusNotifierWatcher"


def watcher():
    import dbus.mainloop.glib
    import dbus.service
    from gi.repository import GLib

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()

    class Watcher(dbus.service.Object):
        def __init__(self):
            super().__init__(bus, "/StatusNotifierWatcher")
            self.items = []
            bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                    "org.freedesktop.DBus")

        # A watcher forgets an item whose name leaves the bus.
        def owner_changed(self, name, old, new):
            if not new and name in self.items:
                self.items.remove(name)

        @dbus.service.method(WATCHER, in_signature="s")
        def RegisterStatusNotifierItem(self, service):
            if service not in self.items:
                self.items.append(service)

        @dbus.service.method(WATCHER, in_signature="s")
        def RegisterStatusNotifierHost(self, service):
            pass

        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
        def Get(self, interface, name):
            return self.GetAll(interface)[name]

        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
        def GetAll(self, interface):
            return {"RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                    "IsStatusNotifierHostRegistered": True,
                    "ProtocolVersion": dbus.Int32(0)}

    served = Watcher()
    # The name is released when its object is collected.
    name = dbus.service.BusName(WATCHER, bus)
    GLib.MainLoop().run()
    return served, name


def menu_items(bus, name):
    menu = bus.get_object(name, "/MenuBar")
    _, (_, _, children) = menu.GetLayout(0, -1, [], dbus_interface="com.canonical.dbusmenu")
    return [(int(child[0]), str(child[1]["label"])) for child in children]


def main():
    if sys.argv[1] == "watcher":
        return watcher()
    bus = dbus.SessionBus()
    name = sys.argv[2]
    if sys.argv[1] == "get":
        item = bus.get_object(name, "/StatusNotifierItem")
        value = item.Get("org.kde.StatusNotifierItem", sys.argv[3],
                         dbus_interface=dbus.PROPERTIES_IFACE)
        print(value[2] if sys.argv[3] == "ToolTip" else value)
    elif sys.argv[1] == "menu":
        for _, label in menu_items(bus, name):
            print(label)
    elif sys.argv[1] == "open":
        bus.get_object(name, "/MenuBar").AboutToShow(0, dbus_interface="com.canonical.dbusmenu")
    elif sys.argv[1] == "click":
        ids = [id for id, label in menu_items(bus, name) if label == sys.argv[3]]
        bus.get_object(name, "/MenuBar").Event(ids[0], "clicked", dbus.String("", variant_level=1),
                                               dbus.UInt32(0),
                                               dbus_interface="com.canonical.dbusmenu")


main()
