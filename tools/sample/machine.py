"""Declarative sample machine for the Wine tier.

A Machine lists registry values, files, folders, symlinks and removals; `apply(prefix)` turns
them into a Wine prefix.  Registry entries go into one .reg file per view (UTF-16 with BOM)
imported with `reg import FILE /reg:32` and `/reg:64`; files are written directly on the Unix
side of drive_c.

    m = Machine()
    m.reg(r'HKLM\\SOFTWARE\\Orvix\\Plenvia', 'InstDate', 'REG_DWORD', 45000)          # 32-bit view
    m.reg(UNINSTALL + r'\\Lumen App 612830', 'InstallLocation', 'REG_SZ', r'C:\\Games\\Plenvia',
          view=64)
    m.reg(DEVICE_KEY + r'\\Properties\\{...}\\0004', None, 0xffff0012, 'Acme')       # device property
    m.file(PRODUCT_USER + r'\\Prefs.ini', '[Main]\\r\\n', mtime=datetime(2024, 1, 2, 3, 4, 5))
    m.ini(PRODUCT_USER + r'\\Prefs.ini', 'Drivers', 'DownPath', r'C:\\Down')          # merged ini
    m.folder(r'C:\\Empty'); m.symlink(r'C:\\Link', r'C:\\Target'); m.remove(r'C:\\windows\\win.ini')

Paths are Windows paths; `%NAME%` expands from WINVARS (APPDATA, LOCALAPPDATA, USERPROFILE,
DESKTOP, PROGRAMDATA, ...).  The Wine user is the Unix user, so the profile is C:\\users\\<user>.
Operations are applied in the order given (registry last); a later file replaces an earlier one.
"""

import datetime as _dt
import getpass
import os
import re
import shutil

USER = os.environ.get('USER') or getpass.getuser()
PROFILE = 'C:\\users\\' + USER
APPDATA = PROFILE + r'\AppData\Roaming'
LOCALAPPDATA = PROFILE + r'\AppData\Local'
DESKTOP = PROFILE + r'\Desktop'
DOCUMENTS = PROFILE + r'\Documents'
DOWNLOADS = PROFILE + r'\Downloads'
TEMP = PROFILE + r'\AppData\Local\Temp'
PROGRAMDATA = r'C:\ProgramData'
PROGRAM_FILES = r'C:\Program Files'
PROGRAM_FILES_X86 = r'C:\Program Files (x86)'
WINDOWS = r'C:\windows'
PRODUCT_USER = APPDATA + r'\Orvix\Plenvia'       # per-user product folder (no trailing backslash)
LOG_FOLDER = PRODUCT_USER + r'\Logs'
PRODUCT_COMMON = PROGRAMDATA + r'\Orvix\Plenvia'  # machine-wide product folder
UNINSTALL = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'

WINVARS = {
    'USERPROFILE': PROFILE, 'APPDATA': APPDATA, 'LOCALAPPDATA': LOCALAPPDATA,
    'DESKTOP': DESKTOP, 'DOCUMENTS': DOCUMENTS, 'DOWNLOADS': DOWNLOADS, 'TEMP': TEMP,
    'PROGRAMDATA': PROGRAMDATA, 'PROGRAMFILES': PROGRAM_FILES,
    'PROGRAMFILES(X86)': PROGRAM_FILES_X86, 'WINDIR': WINDOWS,
}

_HIVES = {
    'HKLM': 'HKEY_LOCAL_MACHINE', 'HKCU': 'HKEY_CURRENT_USER', 'HKCR': 'HKEY_CLASSES_ROOT',
    'HKU': 'HKEY_USERS', 'HKCC': 'HKEY_CURRENT_CONFIG',
}
_TYPES = {
    'REG_NONE': 0x0, 'REG_SZ': 0x1, 'REG_EXPAND_SZ': 0x2, 'REG_BINARY': 0x3, 'REG_DWORD': 0x4,
    'REG_DWORD_BIG_ENDIAN': 0x5, 'REG_LINK': 0x6, 'REG_MULTI_SZ': 0x7, 'REG_QWORD': 0xb,
}


def expand(winpath):
    """Expands %NAME% from WINVARS (case-insensitive); unknown names stay as they are."""
    return re.sub(r'%([^%\\]+)%', lambda mo: WINVARS.get(mo.group(1).upper(), mo.group(0)),
                  winpath)


def filetime(when):
    """A datetime (naive = local time) as the 8 bytes of a Windows FILETIME."""
    ticks = int((when.timestamp() + 11644473600) * 10_000_000)
    return ticks.to_bytes(8, 'little')


# Class keys Windows keeps once for both registry views (a 32-bit and a 64-bit process read the
# same protocol and file-type handlers); only these subkeys of Classes are redirected per view.
_REDIRECTED_CLASSES = ('CLSID', 'DIRECTSHOW', 'INTERFACE', 'MEDIA TYPE', 'MEDIAFOUNDATION')
_CLASS_ROOTS = ('HKEY_CLASSES_ROOT\\', 'HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\',
                'HKEY_CURRENT_USER\\SOFTWARE\\CLASSES\\')


def shared_between_views(key):
    """True for a key Windows shares between the 32-bit and the 64-bit view (see above)."""
    upper = full_key(key).upper()
    for root in _CLASS_ROOTS:
        if upper.startswith(root):
            return upper[len(root):].split('\\', 1)[0] not in _REDIRECTED_CLASSES
    return False


def full_key(key):
    """'HKLM\\X' -> 'HKEY_LOCAL_MACHINE\\X'."""
    key = key.strip('\\')
    hive, _, rest = key.partition('\\')
    hive = _HIVES.get(hive.upper(), hive.upper())
    return hive + ('\\' + rest if rest else '')


def _type_code(reg_type):
    if isinstance(reg_type, int):
        return reg_type
    t = str(reg_type).strip()
    if t.upper() in _TYPES:
        return _TYPES[t.upper()]
    mo = re.fullmatch(r'(?i)(?:hex\()?(?:0x)?([0-9a-f]+)\)?', t)
    if not mo:
        raise ValueError('unknown registry type %r' % (reg_type,))
    return int(mo.group(1), 16)


def _value_bytes(code, data):
    """The raw bytes Windows stores for `data` of type `code`."""
    if isinstance(data, (bytes, bytearray)):
        return bytes(data)
    if code in (0x4, 0x5) and isinstance(data, int):
        return data.to_bytes(4, 'little' if code == 0x4 else 'big', signed=data < 0)
    if code == 0xb and isinstance(data, int):
        return data.to_bytes(8, 'little', signed=data < 0)
    if code == 0x7:
        items = [data] if isinstance(data, str) else list(data)
        return ''.join(s + '\0' for s in items).encode('utf-16-le') + b'\0\0'
    if isinstance(data, str):
        return (data + '\0').encode('utf-16-le')
    if isinstance(data, _dt.datetime):
        return filetime(data)
    if isinstance(data, bool):
        return bytes([1 if data else 0])
    if isinstance(data, int):
        return data.to_bytes(4, 'little', signed=data < 0)
    raise ValueError('cannot store %r as registry type %#x' % (data, code))


def _reg_line(name, code, data):
    left = '@' if name in (None, '', '@') else '"%s"' % name.replace('\\', '\\\\').replace('"', '\\"')
    if code == 0x1 and isinstance(data, str) and all(ch >= ' ' for ch in data):
        return '%s="%s"' % (left, data.replace('\\', '\\\\').replace('"', '\\"'))
    if code == 0x4 and isinstance(data, int) and 0 <= data <= 0xffffffff:
        return '%s=dword:%08x' % (left, data)
    raw = _value_bytes(code, data)
    hexes = ','.join('%02x' % b for b in raw)
    kind = 'hex' if code == 0x3 else 'hex(%x)' % code
    return '%s=%s:%s' % (left, kind, hexes)


class Machine:
    """The sample machine; see the module docstring. `today` is the date the machine's dated logs
    are named after (seed modules read `m.today`)."""

    def __init__(self, today=None):
        self.today = today or _dt.date.today()
        self.ops = []        # ('file'|'folder'|'symlink'|'remove'|'ini', args...) in order
        self.registry = []   # (view, full key, op, name, code, data)

    # ----- registry -------------------------------------------------------------------------
    def reg(self, key, name, reg_type, data, view=32):
        """A registry value. name None/'' = the key's default value. reg_type: 'REG_SZ',
        'REG_EXPAND_SZ', 'REG_MULTI_SZ' (list of str), 'REG_DWORD', 'REG_DWORD_BIG_ENDIAN',
        'REG_QWORD', 'REG_BINARY', 'REG_NONE', or a raw type (0xffff0012, 'ffff0012', 'hex(ffff0012)')
        for device properties. data: str, int, list, datetime (-> FILETIME) or raw bytes (stored
        as they are, e.g. a REG_SZ without NUL)."""
        for v in self._views(key, view):
            self.registry.append((v, full_key(key), 'set', name, _type_code(reg_type), data))
        return self

    def reg_key(self, key, view=32):
        """An (empty) registry key."""
        for v in self._views(key, view):
            self.registry.append((v, full_key(key), 'key', None, None, None))
        return self

    def reg_delete(self, key, name=False, view=32):
        """Deletes a value (name given, None = default value) or the whole key (name omitted),
        after all values are imported (Wine's reg import ignores removals in .reg files)."""
        for v in self._views(key, view):
            self.registry.append((v, full_key(key), 'delete', name, None, None))
        return self

    @staticmethod
    def _views(key, view):
        """The views a write lands in: a shared key is written to both, as a program of either
        bitness finds it there on Windows; any other key to the one asked for."""
        if view not in (32, 64):
            raise ValueError('registry view must be 32 or 64, not %r' % (view,))
        return (32, 64) if shared_between_views(key) else (view,)

    def reg_file_text(self, view):
        """The .reg text (without BOM) for one view, or None when the view has nothing."""
        entries = [e for e in self.registry if e[0] == view and e[2] != 'delete']
        if not entries:
            return None
        lines = ['Windows Registry Editor Version 5.00', '']
        current = None
        for _, key, op, name, code, data in entries:
            if key != current:
                lines += ['', '[%s]' % key]
                current = key
            if op == 'set':
                lines.append(_reg_line(name, code, data))
        return '\r\n'.join(lines) + '\r\n\r\n'

    # ----- files ----------------------------------------------------------------------------
    def file(self, winpath, data=b'', mtime=None, readonly=False):
        """A file with contents (str is written as UTF-8; give bytes for anything else), an
        optional modification time (datetime, local time) and the read-only attribute."""
        self.ops.append(('file', expand(winpath), data, mtime, readonly))
        return self

    def build_output(self, winpath, *parts):
        """A copy of a file of the build the prefix runs (parts below its folder, e.g. 'tools',
        'Pellomar.dll'): a double of the maker's built for the same architecture as the exe."""
        self.ops.append(('buildfile', expand(winpath), parts))
        return self

    def ini(self, winpath, section, key, value):
        """One entry of an ini file assembled from all ini() calls for that path (ANSI text,
        CR LF, sections and keys in first-mention order). Written when applied."""
        self.ops.append(('ini', expand(winpath), section, key, value))
        return self

    def readonly(self, winpath):
        """Sets the read-only attribute of a file once everything else is written (works for
        files assembled by ini() too)."""
        self.ops.append(('readonly', expand(winpath)))
        return self

    def folder(self, winpath, mtime=None):
        self.ops.append(('folder', expand(winpath), mtime))
        return self

    def symlink(self, winpath, target):
        """A Unix symlink inside the prefix (the model of a planted link). target: a Windows
        path (made absolute inside the prefix), an absolute Unix path, or a relative path."""
        self.ops.append(('symlink', expand(winpath), target))
        return self

    def remove(self, winpath):
        """Removes a file, symlink or folder tree if present."""
        self.ops.append(('remove', expand(winpath)))
        return self

    # ----- applying -------------------------------------------------------------------------
    def apply(self, prefix):
        """Writes everything into `prefix` (an object with unix_path(winpath), build_file(*parts)
        and wine(args, check=True)); registry in one import per view."""
        inis = {}
        dir_times = []
        readonly_paths = []
        for op in self.ops:
            kind = op[0]
            if kind == 'readonly':
                readonly_paths.append(op[1])
                continue
            if kind == 'ini':
                _, path, section, key, value = op
                inis.setdefault(path, {}).setdefault(section, {})[key] = value
                continue
            if kind in ('file', 'buildfile', 'remove', 'symlink'):
                inis.pop(op[1], None)
            target = prefix.unix_path(op[1])
            if kind == 'buildfile':
                source = prefix.build_file(*op[2])
                with open(source, 'rb') as f:
                    _write(target, f.read())
            elif kind == 'file':
                _, _, data, mtime, readonly = op
                _write(target, data.encode('utf-8') if isinstance(data, str) else data)
                if mtime is not None:
                    _set_mtime(target, mtime)
                if readonly:
                    os.chmod(target, 0o444)
            elif kind == 'folder':
                os.makedirs(target, exist_ok=True)
                if op[2] is not None:
                    dir_times.append((target, op[2]))
            elif kind == 'symlink':
                dest = op[2]
                if re.match(r'^[A-Za-z]:', dest) or dest.startswith('%'):
                    dest = prefix.unix_path(expand(dest))
                _unlink(target)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                os.symlink(dest, target)
            elif kind == 'remove':
                if os.path.isdir(target) and not os.path.islink(target):
                    shutil.rmtree(target)
                else:
                    _unlink(target)
        for path, sections in inis.items():
            text = ''.join('[%s]\r\n' % s + ''.join('%s=%s\r\n' % kv for kv in keys.items()) + '\r\n'
                           for s, keys in sections.items())
            _write(prefix.unix_path(path), text.encode('cp1252', errors='replace'))
        # Wine reports FILE_ATTRIBUTE_READONLY for a file without write permission.
        for path in readonly_paths:
            os.chmod(prefix.unix_path(path), 0o444)
        # Folder times last: writing inside a folder changes its time.
        for path, mtime in sorted(dir_times, key=lambda t: -len(t[0])):
            _set_mtime(path, mtime)
        self._import_registry(prefix)

    def _import_registry(self, prefix):
        for view in (32, 64):
            text = self.reg_file_text(view)
            if text is None:
                continue
            unix = prefix.unix_path(r'C:\windows\temp\pv-sample-%d.reg' % view)
            _write(unix, b'\xff\xfe' + text.encode('utf-16-le'))
            prefix.wine(['reg', 'import', r'C:\windows\temp\pv-sample-%d.reg' % view,
                         '/reg:%d' % view])
            os.unlink(unix)
        for view, key, op, name, _, _ in self.registry:
            if op != 'delete':
                continue
            args = ['reg', 'delete', key]
            if name is None or name == '':
                args.append('/ve')
            elif name is not False:
                args += ['/v', name]
            prefix.wine(args + ['/f', '/reg:%d' % view], check=False)


def _unlink(path):
    if os.path.lexists(path):
        os.unlink(path)


def _write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Unlink first: the prefix shares unchanged system files with its template by hard links.
    _unlink(path)
    with open(path, 'wb') as f:
        f.write(data)


def _set_mtime(path, when):
    ts = when.timestamp() if isinstance(when, _dt.datetime) else float(when)
    os.utime(path, (ts, ts), follow_symlinks=False)
