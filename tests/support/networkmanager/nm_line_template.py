'''A simulated NetworkManager for the dial-up tests.

Extends python-dbusmock's NetworkManager template with what a dial-up line
needs: connection profiles of every type with their credentials, a modem
device, activations that go through their states the way NetworkManager
does (activating, then activated or deactivated with a reason), and
deactivation. How the next activation of a profile goes is scripted by the
test through ScriptActivation; every call the program made is recorded and
can be read back through Calls.

State changes after a call happen on the mock's main loop (idle callbacks),
so a caller sees the reply first and the signals after it, as with the real
service.
'''

# pylint: disable=wildcard-import,unused-wildcard-import,invalid-name
import dbus
import dbusmock
from dbusmock import MOCK_IFACE
from dbusmock.templates.networkmanager import *  # noqa: F401,F403
from dbusmock.templates.networkmanager import load as base_load
from gi.repository import GLib

MODEM_PATH = '/org/freedesktop/NetworkManager/Devices/modem0'
MODEM_DEVICE_TYPE = 8
ACTIVATING, ACTIVATED, DEACTIVATING, DEACTIVATED = 1, 2, 3, 4
REASON_USER_DISCONNECTED = 2
REASON_DEVICE_DISCONNECTED = 3
DEVICE_FAILED = 120

_state = {'scripts': {}, 'calls': [], 'profiles': {}}


def _record(line):
    _state['calls'].append(line)


def _profile_id(path):
    profile = _state['profiles'].get(str(path))
    return _settings(profile)['connection']['id'] if profile else str(path)


def _settings(profile):
    return profile['obj'].settings


def _secret_setting(settings):
    for name in ('gsm', 'cdma', 'pppoe'):
        if name in settings:
            return name
    return None


def _get_settings(self):
    return self.settings


def _get_secrets(self, setting):
    profile = _state['profiles'][self.path]
    _record(f'GetSecrets {_profile_id(self.path)} {setting}')
    if profile.get('secrets_denied'):
        raise dbus.exceptions.DBusException(
            'Not allowed', name='org.freedesktop.NetworkManager.Settings.PermissionDenied')
    secrets = profile['secrets'].get(str(setting), {})
    return dbus.Dictionary({setting: dbus.Dictionary(secrets, signature='sv')},
                           signature='sa{sv}')


def _update2(self, settings, flags, _args):
    path = self.path
    setting = _secret_setting(settings) or ''
    values = settings.get(setting, {})
    _record(f'Update2 {_profile_id(path)} flags={int(flags)} '
            f'user={values.get("username", "")} password={values.get("password", "")}')
    profile = _state['profiles'][path]
    stored = {}
    for name, group in settings.items():
        stored[str(name)] = dbus.Dictionary(
            {k: v for k, v in group.items() if k != 'password'}, signature='sv')
    self.settings = dbus.Dictionary(stored, signature='sa{sv}')
    if 'password' in values:
        profile['secrets'][setting] = {'password': values['password']}
    return dbus.Dictionary({}, signature='sv')


@dbus.service.method(MOCK_IFACE, in_signature='sssu', out_signature='o')
def AddProfile(self, conn_id, conn_type, user, password_flags):
    '''Adds a saved connection profile. conn_type is a NetworkManager type
    ("gsm", "cdma", "pppoe", "802-3-ethernet", ...) or "bluetooth-dun" /
    "bluetooth-panu". The user goes into the profile; SetSecret stores a
    password.'''
    kind = str(conn_type)
    settings = {'connection': {'id': conn_id, 'uuid': f'uuid-{len(_state["profiles"])}',
                               'type': kind, 'autoconnect': False}}
    if kind.startswith('bluetooth-'):
        settings['connection']['type'] = 'bluetooth'
        settings['bluetooth'] = {'bdaddr': dbus.ByteArray(b'\x00\x11\x22\x33\x44\x55'),
                                 'type': kind.split('-', 1)[1]}
        if kind == 'bluetooth-dun':
            settings['gsm'] = {'apn': 'internet'}
    elif kind in ('gsm', 'cdma'):
        settings[kind] = {'apn': 'internet'} if kind == 'gsm' else {'number': '#777'}
    elif kind == 'pppoe':
        settings['pppoe'] = {'service': ''}
        settings['802-3-ethernet'] = {}
    secret_setting = _secret_setting(settings)
    if secret_setting:
        if user:
            settings[secret_setting]['username'] = user
        settings[secret_setting]['password-flags'] = dbus.UInt32(password_flags)
    variant_settings = dbus.Dictionary(
        {k: dbus.Dictionary(v, signature='sv') for k, v in settings.items()}, signature='sa{sv}')

    settings_obj = dbusmock.get_object(SETTINGS_OBJ)
    existing = settings_obj.Get(SETTINGS_IFACE, 'Connections')
    path = f'{SETTINGS_OBJ}/{len(existing) + 100}'
    self.AddObject(path, CSETTINGS_IFACE, {'Unsaved': False, 'Flags': dbus.UInt32(0),
                                           'Filename': ''}, [
        ('GetSettings', '', 'a{sa{sv}}', 'ret = self.line_get_settings(self)'),
        ('GetSecrets', 's', 'a{sa{sv}}', 'ret = self.line_get_secrets(self, args[0])'),
        ('Update2', 'a{sa{sv}}ua{sv}', 'a{sv}',
         'ret = self.line_update2(self, args[0], args[1], args[2])'),
    ])
    obj = dbusmock.get_object(path)
    obj.line_get_settings = _get_settings
    obj.line_get_secrets = _get_secrets
    obj.line_update2 = _update2
    obj.settings = variant_settings
    _state['profiles'][path] = {'obj': obj, 'secrets': {}}
    self.object_manager_emit_added(path)
    existing.append(dbus.ObjectPath(path))
    settings_obj.Set(SETTINGS_IFACE, 'Connections', existing)
    settings_obj.EmitSignal(SETTINGS_IFACE, 'NewConnection', 'o', [path])
    return path


@dbus.service.method(MOCK_IFACE, in_signature='ssb', out_signature='')
def SetSecret(_self, conn_id, password, denied):
    '''Stores the password of a profile (as NetworkManager keeps system
    secrets); denied: GetSecrets answers "permission denied".'''
    for profile in _state['profiles'].values():
        settings = _settings(profile)
        if settings['connection']['id'] == conn_id:
            setting = _secret_setting(settings)
            if setting:
                profile['secrets'][setting] = {'password': password}
            profile['secrets_denied'] = bool(denied)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def ScriptActivation(_self, conn_id, outcome):
    '''How the next activation of a profile goes: "connect" (the default),
    "hold" (stays activating until SetActiveState), "fail:<device reason>"
    (the modem fails with that reason and the activation ends) or
    "error:<D-Bus error name>" (ActivateConnection itself fails).'''
    _state['scripts'][str(conn_id)] = str(outcome)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Calls(_self):
    '''What the program asked NetworkManager to do, in order.'''
    return dbus.Array(_state['calls'], signature='s')


def _profile_path(conn_id):
    for path, profile in _state['profiles'].items():
        if _settings(profile)['connection']['id'] == conn_id:
            return path
    return None


def _new_active(self, conn_path, state):
    manager = dbusmock.get_object(MANAGER_OBJ)
    active = manager.Get(MANAGER_IFACE, 'ActiveConnections')
    count = 0
    while dbus.ObjectPath(f'/org/freedesktop/NetworkManager/ActiveConnection/{count}') in active:
        count += 1
    return AddActiveConnection(self, [MODEM_PATH], conn_path, '/', str(count), dbus.UInt32(state))


def _set_active_state(path, state, reason):
    try:
        obj = dbusmock.get_object(path)
    except KeyError:
        return
    obj.Set(ACTIVE_CONNECTION_IFACE, 'State', dbus.UInt32(state))
    obj.EmitSignal(ACTIVE_CONNECTION_IFACE, 'StateChanged', 'uu',
                   [dbus.UInt32(state), dbus.UInt32(reason)])


def _remove_active(self, path):
    manager = dbusmock.get_object(MANAGER_OBJ)
    if dbus.ObjectPath(path) in manager.Get(MANAGER_IFACE, 'ActiveConnections'):
        RemoveActiveConnection(self, MODEM_PATH, path)


def _fail_device(reason):
    modem = dbusmock.get_object(MODEM_PATH)
    old = modem.Get(DEVICE_IFACE, 'State')
    modem.Set(DEVICE_IFACE, 'State', dbus.UInt32(DEVICE_FAILED))
    modem.Set(DEVICE_IFACE, 'StateReason', (dbus.UInt32(DEVICE_FAILED), dbus.UInt32(reason)))
    modem.EmitSignal(DEVICE_IFACE, 'StateChanged', 'uuu',
                     [dbus.UInt32(DEVICE_FAILED), old, dbus.UInt32(reason)])


def _end_active(self, path, reason):
    _set_active_state(path, DEACTIVATED, reason)
    _remove_active(self, path)


def line_activate(self, conn, _dev, _specific):
    conn_id = _profile_id(conn)
    _record(f'ActivateConnection {conn_id}')
    if str(conn) not in _state['profiles']:
        raise dbus.exceptions.DBusException(
            f'Connection {conn} does not exist',
            name='org.freedesktop.NetworkManager.UnknownConnection')
    outcome = _state['scripts'].pop(conn_id, 'connect')
    if outcome.startswith('error:'):
        raise dbus.exceptions.DBusException('Activation refused', name=outcome[6:])
    path = _new_active(self, conn, ACTIVATING)

    def proceed():
        if outcome == 'connect':
            _set_active_state(path, ACTIVATED, 1)
        elif outcome.startswith('fail:'):
            _fail_device(int(outcome[5:]))
            _end_active(self, path, REASON_DEVICE_DISCONNECTED)
        return False

    if outcome != 'hold':
        GLib.idle_add(proceed)
    return dbus.ObjectPath(path)


def line_deactivate(self, active_path):
    try:
        conn = dbusmock.get_object(active_path).Get(ACTIVE_CONNECTION_IFACE, 'Connection')
    except KeyError as e:
        raise dbus.exceptions.DBusException(
            'Not active', name='org.freedesktop.NetworkManager.ConnectionNotActive') from e
    _record(f'DeactivateConnection {_profile_id(conn)}')
    _set_active_state(active_path, DEACTIVATING, REASON_USER_DISCONNECTED)

    def finish():
        _end_active(self, active_path, REASON_USER_DISCONNECTED)
        return False

    GLib.idle_add(finish)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='o')
def AddActiveLine(self, conn_id):
    '''A profile that is already up (activated) when the program starts.'''
    return dbus.ObjectPath(_new_active(self, _profile_path(str(conn_id)), ACTIVATED))


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='o')
def ActivePathOf(_self, conn_id):
    '''The active connection of a profile, or "/" when it is not active.'''
    manager = dbusmock.get_object(MANAGER_OBJ)
    for path in manager.Get(MANAGER_IFACE, 'ActiveConnections'):
        conn = dbusmock.get_object(path).Get(ACTIVE_CONNECTION_IFACE, 'Connection')
        if _profile_id(conn) == conn_id:
            return path
    return dbus.ObjectPath('/')


@dbus.service.method(MOCK_IFACE, in_signature='ouu', out_signature='')
def SetActiveState(self, path, state, reason):
    '''Moves an active connection on; DEACTIVATED also removes it.'''
    if int(state) == DEACTIVATED:
        _end_active(self, str(path), int(reason))
    else:
        _set_active_state(str(path), int(state), int(reason))


def load(mock, parameters):
    base_load(mock, parameters)
    manager = dbusmock.get_object(MANAGER_OBJ)
    manager.activate_connection = line_activate
    manager.deactivate_connection = line_deactivate
    mock.AddObject(MODEM_PATH, 'org.freedesktop.NetworkManager.Device.Modem',
                   {'ModemCapabilities': dbus.UInt32(4), 'CurrentCapabilities': dbus.UInt32(4)},
                   [])
    dbusmock.get_object(MODEM_PATH).AddProperties(DEVICE_IFACE, {
        'DeviceType': dbus.UInt32(MODEM_DEVICE_TYPE),
        'State': dbus.UInt32(30),
        'StateReason': (dbus.UInt32(30), dbus.UInt32(0)),
        'Interface': 'ttyUSB0',
        'ActiveConnection': dbus.ObjectPath('/'),
        'AvailableConnections': dbus.Array([], signature='o'),
        'Managed': True,
        'Driver': 'dbusmock'})
    mock.object_manager_emit_added(MODEM_PATH)
    manager.Set(MANAGER_IFACE, 'Devices', dbus.Array([MODEM_PATH], signature='o'))
