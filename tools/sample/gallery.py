"""A gallery of sample machines shaped like the ones users have: each is the default machine plus
one difference (folders redirected to a share, a relocated profile, short TEMP names, a
non-ASCII user, a far time zone, a German locale, a synced Desktop).

    m = gallery.machine('unc')            # a GalleryMachine; gallery.NAMES lists them all
    with harness.Prefix(m) as px:         # applying it also sets px.env (TZ, locale)
        px.run_tool(exe_dir=m.downloads)
        gallery.unix_path(px, m.desktop)  # the machine's own folders, UNC names included

A GalleryMachine knows its folders as its user sees them (profile, appdata, localappdata,
desktop, documents, downloads, temp), the date of its own clock (today) and the reports and
editions it holds. Files the default machine puts under a moved folder land in the new one; the
shell folders and TEMP/TMP in the registry follow.
"""

import datetime as _dt
import os
import re
import shutil
import subprocess
import zoneinfo

import default_machine as _dm
import machine as _m
from machine import Machine

SERVER, SHARE = 'fileserver', 'profiles'
SHARE_HOME = '\\\\%s\\%s\\%s' % (SERVER, SHARE, _m.USER)
EXPLORER = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
USER_SHELL_FOLDERS = EXPLORER + r'\User Shell Folders'
SHELL_FOLDERS = EXPLORER + r'\Shell Folders'
ENVIRONMENT = r'HKCU\Environment'
NON_ASCII_USER = 'Jürgen Groß'
LONG_TEMP = _m.LOCALAPPDATA + r'\Temporary Files'
# A Unix locale of the machine's own making (LOCPATH), so nothing machine-wide changes.
GERMAN_LOCALE = 'de_DE.UTF-8'

# Reports every machine of the gallery holds: the default machine's editions give one file
# listing each (main, beta, and the two games-store folders by their app numbers).
REPORTS = ('PingHosts.txt', 'MEMORYDMP.txt', 'pvreg.txt', 'NetInfo.txt', 'SystemInfo.txt',
           'DeviceList.txt', 'FileList.txt', 'FileList_beta.txt', 'FileList_lumen3.txt',
           'FileList_lumen5.txt')

_FOLDER_VALUES = {  # shell-folder value -> GalleryMachine attribute
    'AppData': 'appdata', 'Local AppData': 'localappdata', 'Desktop': 'desktop',
    'Personal': 'documents', '{374DE290-123F-4565-9164-39C4925E467B}': 'downloads',
}


def rebase(path, moves):
    """`path` with the longest matching folder prefix of `moves` [(old, new)] replaced (case is
    ignored, as Windows does); unchanged when none matches."""
    for old, new in sorted(moves, key=lambda mv: -len(mv[0])):
        if path.lower() == old.lower() or path.lower().startswith(old.lower() + '\\'):
            return new + path[len(old):]
    return path


def _find(base, rest):
    """Unix path below `base` of backslash-separated `rest`, components matched ignoring case."""
    for part in [p for p in rest.split('\\') if p]:
        candidate = os.path.join(base, part)
        if not os.path.lexists(candidate) and os.path.isdir(base):
            for entry in os.listdir(base):
                if entry.lower() == part.lower():
                    candidate = os.path.join(base, entry)
                    break
        base = candidate
    return base


def unix_path(px, winpath):
    """The Unix path of a Windows path in prefix `px`: drive paths as px.unix_path, UNC names
    through the prefix's dosdevices/unc/<server>/<share> links."""
    winpath = _m.expand(winpath)
    mo = re.match(r'^\\\\([^\\]+)\\([^\\]+)(.*)$', winpath)
    if not mo:
        return px.unix_path(winpath)
    base = os.path.join(px.path, 'dosdevices', 'unc', mo.group(1).lower(), mo.group(2).lower())
    return _find(base, mo.group(3))


class _PrefixView:
    """A prefix whose unix_path also knows UNC names (what Machine.apply writes through)."""

    def __init__(self, px):
        self._px = px

    def __getattr__(self, name):
        return getattr(self._px, name)

    def unix_path(self, winpath):
        return unix_path(self._px, winpath)


class GalleryMachine(Machine):
    """The default machine with the differences its variant gives (see the module docstring)."""

    def __init__(self, name, guards, today=None):
        super().__init__(today=today)
        self.name = name
        self.guards = guards          # the fault this machine brings out, as one sentence
        self.profile = _m.PROFILE
        self.appdata = _m.APPDATA
        self.localappdata = _m.LOCALAPPDATA
        self.desktop = _m.DESKTOP
        self.documents = _m.DOCUMENTS
        self.downloads = _m.DOWNLOADS
        self.temp = _m.TEMP           # the long name of TEMP (the folder the tool works in)
        self.temp_env = None          # TEMP/TMP as the environment gives them, when not temp
        self.short_temp = False       # TEMP/TMP given as the 8.3 short name of temp
        self.moves = []               # (old, new): default-machine folders that live elsewhere
        self.env = {}                 # environment of every Wine process of the prefix
        self.shares = {}              # (server, share) -> folder below the prefix
        self.drives = {}              # drive letter -> folder below the prefix
        self.profile_moved_to = None  # folder below the prefix that C:\users\<user> links to
        self.copy_profile_to = None   # a second profile made from the template's own
        self.locale = None            # a Unix locale name built under the prefix (LOCPATH)
        self.reports = REPORTS

    @property
    def product_user(self):
        return self.appdata + r'\Orvix\Plenvia'

    @property
    def log_folder(self):
        return self.product_user + r'\Logs'

    def archive_name(self):
        return 'pv_info_%s_i.zip' % self.today.strftime('%Y%m%d')

    def move(self, old, new):
        """Places the default machine's folder `old` at `new` (files, ini values, registry text)."""
        self.moves.append((old, new))
        return self

    # ----- building -------------------------------------------------------------------------
    def take_default(self):
        """Adds the default machine's content for self.today, rebased by self.moves."""
        base = _dm.default_machine(self.today)
        for op in base.ops:
            op = list(op)
            op[1] = rebase(op[1], self.moves)
            if op[0] == 'symlink' and re.match(r'^[A-Za-z]:\\', op[2]):
                op[2] = rebase(op[2], self.moves)
            if op[0] == 'ini' and isinstance(op[4], str):
                op[4] = rebase(op[4], self.moves)
            self.ops.append(tuple(op))
        for view, key, op, name, code, data in base.registry:
            if isinstance(data, str):
                data = rebase(data, self.moves)
            self.registry.append((view, key, op, name, code, data))
        return self

    # ----- applying -------------------------------------------------------------------------
    def apply(self, prefix):
        prefix.env.update(self.env)
        if self.locale:
            prefix.env.update(_build_locale(prefix.path, self.locale))
        self._make_links(prefix)
        view = _PrefixView(prefix)
        self._point_shell_folders(view)
        for folder in (self.appdata, self.localappdata, self.desktop, self.documents,
                       self.downloads, self.temp):
            self.folder(folder)
        if self.temp != _m.TEMP and not self.short_temp:
            for name in ('TEMP', 'TMP'):
                self.reg(ENVIRONMENT, name, 'REG_EXPAND_SZ', self.temp, view=64)
        super().apply(view)
        if self.short_temp:
            # Known only once the folder exists; a short name is plain ASCII on a command line.
            self.temp_env = short_path(view, self.temp)
            for name in ('TEMP', 'TMP'):
                view.wine(['reg', 'add', ENVIRONMENT, '/v', name, '/t', 'REG_EXPAND_SZ', '/d',
                           self.temp_env, '/f'])

    def _make_links(self, prefix):
        root = prefix.path
        if self.profile_moved_to:
            home = os.path.join(root, 'drive_c', 'users', _m.USER)
            target = os.path.join(root, self.profile_moved_to)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.move(home, target)
            os.symlink(target, home)
        if self.copy_profile_to:
            src = os.path.join(root, 'drive_c', 'users', _m.USER)
            shutil.copytree(src, prefix.unix_path(self.copy_profile_to), symlinks=True)
        for letter, folder in self.drives.items():
            os.makedirs(os.path.join(root, folder), exist_ok=True)
            link = os.path.join(root, 'dosdevices', letter.lower() + ':')
            if os.path.lexists(link):
                os.unlink(link)
            os.symlink(os.path.join(root, folder), link)
        for (server, share), folder in self.shares.items():
            target = os.path.join(root, folder)
            os.makedirs(target, exist_ok=True)
            link = os.path.join(root, 'dosdevices', 'unc', server.lower(), share.lower())
            os.makedirs(os.path.dirname(link), exist_ok=True)
            os.symlink(target, link)
        # Folder redirection carries the folder's content along.
        for old, new in self.moves:
            src = prefix.unix_path(old)
            dst = unix_path(prefix, new)
            if os.path.isdir(src) and not os.path.exists(dst):
                shutil.copytree(src, dst, symlinks=True)

    def _point_shell_folders(self, view):
        """Shell folders follow the moves; the machine's own folders are named explicitly. These
        keys are one for both views (a 32-bit key of that name would hide them from the exe)."""
        for key, reg_type in ((USER_SHELL_FOLDERS, 'REG_EXPAND_SZ'), (SHELL_FOLDERS, 'REG_SZ')):
            for name, value in _query_values(view, key).items():
                moved = rebase(_m.expand(value.replace('%USERPROFILE%', _m.PROFILE)), self.moves)
                if moved != _m.expand(value.replace('%USERPROFILE%', _m.PROFILE)):
                    self.reg(key, name, reg_type, moved, view=64)
            for name, attr in _FOLDER_VALUES.items():
                self.reg(key, name, reg_type, getattr(self, attr), view=64)


def _query_values(view, key):
    out = view.wine(['reg', 'query', key], check=False).stdout.decode('utf-8', 'replace')
    values = {}
    for line in out.splitlines():
        mo = re.match(r'^ {4}(.+?) {4}(REG_\w+) {4}(.*?)\r?$', line)
        if mo and mo.group(2) in ('REG_SZ', 'REG_EXPAND_SZ'):
            values[mo.group(1)] = mo.group(3)
    return values


def short_path(view, winpath):
    """The 8.3 short form of an existing folder as the prefix gives it (GetShortPathNameW, through
    the build's tools/shortname.exe; Wine's short names are hashed, not NAME~1)."""
    tool = view.install(view.build_file('tools', 'shortname.exe'), r'C:\windows\temp')
    out = view.wine([tool, winpath]).stdout.decode('utf-8').strip()
    if '~' not in out:
        raise RuntimeError('no short name for %s: %r' % (winpath, out))
    return out


def _build_locale(prefix_path, name):
    """Compiles Unix locale `name` (e.g. de_DE.UTF-8) below the prefix; the environment that
    makes Wine take it as the user's locale."""
    folder = os.path.join(prefix_path, 'locales')
    lang, _, charset = name.partition('.')
    if not os.path.isdir(os.path.join(folder, name)):
        os.makedirs(folder, exist_ok=True)
        res = subprocess.run(['localedef', '-i', lang, '-f', charset or 'UTF-8',
                              os.path.join(folder, name)], capture_output=True)
        if not os.path.isdir(os.path.join(folder, name)):
            raise RuntimeError('localedef %s failed: %s' % (name, res.stderr.decode()[-500:]))
    return {'LOCPATH': folder, 'LANG': name, 'LC_ALL': name}


def far_zone(now_utc=None):
    """A time zone whose local date differs from the UTC date at `now_utc` (default: now) by at
    least half an hour either way: Line Islands (+14) from 10:30 UTC, Samoa (-11) before."""
    now_utc = now_utc or _dt.datetime.now(_dt.timezone.utc)
    minutes = now_utc.hour * 60 + now_utc.minute
    return 'Pacific/Kiritimati' if minutes >= 10 * 60 + 30 else 'Pacific/Pago_Pago'


# ----- the gallery ------------------------------------------------------------------------------
def _unc():
    m = GalleryMachine('unc', 'AppData and Desktop redirected to a share: a UNC root must be a '
                              'root like any drive, or no report is written and nothing placed')
    m.shares[(SERVER, SHARE)] = 'fileserver-profiles'
    m.appdata = SHARE_HOME + r'\AppData\Roaming'
    m.desktop = SHARE_HOME + r'\Desktop'
    m.move(_m.APPDATA, m.appdata).move(_m.DESKTOP, m.desktop)
    return m.take_default()


def _relocated():
    m = GalleryMachine('relocated', 'C:\\users\\<user> links to D:\\Users\\<user>: files reached '
                                    'through the profile link must not be refused as planted links')
    m.drives['d'] = 'drive_d'
    m.profile_moved_to = os.path.join('drive_d', 'Users', _m.USER)
    return m.take_default()


def _short_temp():
    m = GalleryMachine('short-temp', 'TEMP and TMP as 8.3 short names: the private job folder must '
                                     'be accepted and removed under its long name')
    m.temp = LONG_TEMP
    m.short_temp = True
    return m.take_default()


def _non_ascii():
    m = GalleryMachine('non-ascii', 'a profile named with non-ASCII letters and a space: paths '
                                    'must survive every conversion and quoting')
    m.profile = 'C:\\users\\' + NON_ASCII_USER
    m.copy_profile_to = m.profile
    for attr in ('appdata', 'localappdata', 'desktop', 'documents', 'downloads', 'temp'):
        setattr(m, attr, rebase(getattr(m, attr), [(_m.PROFILE, m.profile)]))
    m.move(_m.PROFILE, m.profile)
    m.env['LC_ALL'] = 'C.UTF-8'   # Wine names Unix files in the Unix locale's charset
    m.env['USER'] = NON_ASCII_USER  # Wine's user name (USERNAME, GetUserNameW) and USERPROFILE
    return m.take_default()


def _far_zone():
    zone = far_zone()
    today = _dt.datetime.now(zoneinfo.ZoneInfo(zone)).date()
    m = GalleryMachine('far-zone', 'a clock whose local date is not the UTC date: the archive '
                                   'and the reports take the local date and time', today=today)
    m.env['TZ'] = zone
    m.zone = zone
    return m.take_default()


def _german():
    m = GalleryMachine('german', 'the German user locale: reports use its separators and dates, '
                                 'and a comma for a decimal point breaks nothing')
    m.locale = GERMAN_LOCALE
    return m.take_default()


def _synced_desktop():
    m = GalleryMachine('synced-desktop', 'a Desktop inside a synced folder (OneDrive): the archive '
                                         'goes to the shell\'s Desktop, wherever it lies')
    m.desktop = _m.PROFILE + r'\OneDrive\Desktop'
    m.move(_m.DESKTOP, m.desktop)
    return m.take_default()


_BUILDERS = {'unc': _unc, 'relocated': _relocated, 'short-temp': _short_temp,
             'non-ascii': _non_ascii, 'far-zone': _far_zone, 'german': _german,
             'synced-desktop': _synced_desktop}
NAMES = tuple(_BUILDERS)


def machine(name):
    """The gallery machine `name` (one of NAMES), built now (its clock's date is today's)."""
    return _BUILDERS[name]()
