'''The desktop side of the global-shortcuts and remote-desktop portals, for the tests: the
real xdg-desktop-portal forwards the program's calls here. Every call is logged by
dbusmock (GetMethodCalls); parameter "consent" false makes Start answer as a user who
declined. A shortcut is assigned as "<preferred trigger> (test desktop)".
'''

import dbus

BUS_NAME = 'org.freedesktop.impl.portal.KyqTest'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.impl.portal.GlobalShortcuts'
SYSTEM_BUS = False

REMOTE = 'org.freedesktop.impl.portal.RemoteDesktop'

EMPTY = 'ret = (dbus.UInt32(0), dbus.Dictionary({}, signature="sv"))'
# The portal closes a session's counterpart here when the program closes the session.
SESSION = ('self.AddObject(args[1], "org.freedesktop.impl.portal.Session", {}, '
           '[("Close", "", "", "")]); ' + EMPTY)

BIND = '''
bound = []
for shortcut_id, properties in args[2]:
    assigned = dict(properties)
    trigger = str(properties.get("preferred_trigger", ""))
    assigned["trigger_description"] = dbus.String(trigger + " (test desktop)" if trigger else "")
    bound.append(dbus.Struct((shortcut_id, dbus.Dictionary(assigned, signature="sv")),
                             signature="sa{sv}"))
ret = (dbus.UInt32(0), dbus.Dictionary(
    {"shortcuts": dbus.Array(bound, signature="(sa{sv})")}, signature="sv"))
'''


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('CreateSession', 'oosa{sv}', 'ua{sv}', SESSION),
        ('BindShortcuts', 'ooa(sa{sv})sa{sv}', 'ua{sv}', BIND),
        ('ListShortcuts', 'oo', 'ua{sv}', EMPTY),
    ])
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'version': dbus.UInt32(1)}, signature='sv'))

    if parameters.get('consent', True):
        start = 'ret = (dbus.UInt32(0), dbus.Dictionary({"devices": dbus.UInt32(1)}, signature="sv"))'
    else:
        start = 'ret = (dbus.UInt32(1), dbus.Dictionary({}, signature="sv"))'
    mock.AddMethods(REMOTE, [
        ('CreateSession', 'oosa{sv}', 'ua{sv}', SESSION),
        ('SelectDevices', 'oosa{sv}', 'ua{sv}', EMPTY),
        ('Start', 'oossa{sv}', 'ua{sv}', start),
        ('NotifyKeyboardKeysym', 'oa{sv}iu', '', ''),
    ])
    mock.AddProperties(REMOTE, dbus.Dictionary({
        'AvailableDeviceTypes': dbus.UInt32(7),
        'version': dbus.UInt32(1),
    }, signature='sv'))
