"""Sample data of the system report: the restore-point library double in the main edition's
folder, crash dumps, uninstall entries, start-up entries and a browser helper object.

Constants name what the report should show, so tests compare exact lines."""

import datetime as _dt
import re

from machine import APPDATA, PROGRAMDATA, UNINSTALL
from shell_link import shell_link

MAIN_UNINSTALL_KEY = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Plenvia_is1'
DEFAULT_MAIN_FOLDER = r'C:\Program Files (x86)\Orvix\Plenvia'

MINIDUMP_DIR = r'C:\windows\Minidump'
# Written oldest first; the last one is the newest by creation and change time.
MINIDUMPS = [('030124-7421-01.dmp', _dt.datetime(2024, 3, 1, 9, 30, 0)),
             ('031524-6890-01.dmp', _dt.datetime(2024, 3, 15, 14, 5, 20)),
             ('040224-5012-01.dmp', _dt.datetime(2024, 4, 2, 18, 45, 10))]
NEWEST_MINIDUMP = MINIDUMPS[-1][0]
FULL_DUMP = r'C:\windows\MEMORY.DMP'
FULL_DUMP_TIME = _dt.datetime(2024, 2, 10, 7, 0, 0)

STARTUP_FOLDER = APPDATA + r'\Microsoft\Windows\Start Menu\Programs\StartUp'
SHORTCUT_TARGET = r'C:\Program Files\Acme\AcmeTray.exe'
CLSID_BHO = '{5C3B1E2A-9F4D-4E6B-A1C2-7D8E9F0A1B2C}'
BHO_NAME = 'Acme Toolbar Helper'
BHO_LIBRARY = r'C:\Program Files\Acme\AcmeBho.dll'

COMMON_STARTUP = PROGRAMDATA + r'\Microsoft\Windows\Start Menu\Programs\StartUp'
CU = r'HKCU\Software\Microsoft\Windows\CurrentVersion'
CU32 = r'HKCU\Software\Wow6432Node\Microsoft\Windows\CurrentVersion'  # a literal key of HKCU
LM = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion'                # native view
CU_NT = r'HKCU\Software\Microsoft\Windows NT\CurrentVersion'
CU32_NT = r'HKCU\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion'
LM_NT = r'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion'

# One entry (or a few) for each of the 32 start-up sources, in the report's source order:
# (kind, key or folder, view, value name, data, the lines it gives). HKLM keys are written to the
# view the report must reach them in; "Wow6432Node" sources are the same paths in the 32-bit view.
AUTORUN_SOURCES = [
    ('lnk', STARTUP_FOLDER + r'\Acme Tray.lnk', None, None, SHORTCUT_TARGET,
     ['"%s" ' % SHORTCUT_TARGET]),
    ('file', COMMON_STARTUP + r'\AcmeCommon.bat', None, None, b'@echo off\r\n',
     [COMMON_STARTUP + r'\AcmeCommon.bat']),
    ('reg', CU + r'\Run', 64, 'AcmeSync', r'C:\Program Files\Acme\AcmeSync.exe /background',
     [r'C:\Program Files\Acme\AcmeSync.exe /background']),
    ('reg', CU32 + r'\Run', 64, 'AcmeCu32', r'C:\Acme\cu32run.exe', [r'C:\Acme\cu32run.exe']),
    ('reg', LM + r'\Run', 64, 'AcmeUpdate', r'"C:\Program Files\Acme\AcmeUpdate.exe" --check',
     [r'"C:\Program Files\Acme\AcmeUpdate.exe" --check']),
    ('reg', LM + r'\Run', 32, 'AcmeLm32', r'C:\Acme\lm32run.exe', [r'C:\Acme\lm32run.exe']),
    ('reg', CU + r'\RunOnce', 64, 'a', r'C:\Acme\cuonce.exe', [r'C:\Acme\cuonce.exe']),
    ('reg', CU32 + r'\RunOnce', 64, 'a', r'C:\Acme\cu32once.exe', [r'C:\Acme\cu32once.exe']),
    ('reg', LM + r'\RunOnce', 64, 'a', r'C:\Acme\lmonce.exe', [r'C:\Acme\lmonce.exe']),
    ('reg', LM + r'\RunOnce', 32, 'a', r'C:\Acme\lm32once.exe', [r'C:\Acme\lm32once.exe']),
    ('reg', CU + r'\RunOnceEx\0001', 64, 'a', 'cuex.dll|Entry',
     ['rundll32.exe cuex.dll', 'rundll32.exe cuex.dll,Entry']),
    ('reg', CU32 + r'\RunOnceEx\0001', 64, 'a', 'cu32ex.dll', ['rundll32.exe cu32ex.dll']),
    ('reg', LM + r'\RunOnceEx\0001', 64, 'finish', r'||C:\Acme\finish.exe /quiet',
     [r'C:\Acme\finish.exe /quiet']),
    ('reg', LM + r'\RunOnceEx\0001', 64, 'init', 'acmeinit.dll', ['rundll32.exe acmeinit.dll']),
    ('reg', LM + r'\RunOnceEx\0001', 64, 'three', 'three.dll|Go|now',
     ['rundll32.exe three.dll', 'rundll32.exe three.dll,Go', 'rundll32.exe three.dll,Go now']),
    ('reg', LM + r'\RunOnceEx\0001', 32, 'a', 'lm32ex.dll', ['rundll32.exe lm32ex.dll']),
    ('reg', CU + r'\Policies\Explorer\Run', 64, 'a', r'C:\Acme\cupol.exe',
     [r'C:\Acme\cupol.exe']),
    ('reg', CU32 + r'\Policies\Explorer\Run', 64, 'a', r'C:\Acme\cu32pol.exe',
     [r'C:\Acme\cu32pol.exe']),
    ('reg', LM + r'\policies\Explorer\Run', 64, 'a', r'C:\Acme\lmpol.exe',
     [r'C:\Acme\lmpol.exe']),
    # Wine keeps CurrentVersion\Policies once for both views: this source reads the one above.
    ('shared', LM + r'\policies\Explorer\Run', 32, None, None, [r'C:\Acme\lmpol.exe']),
    ('reg', CU_NT + r'\Windows', 64, 'Run', r'cuwinrun.exe, "C:\Acme Tools\q.exe"',
     ['cuwinrun.exe', r'C:\Acme Tools\q.exe']),
    ('reg', CU32_NT + r'\Windows', 64, 'Run', 'cu32winrun.exe', ['cu32winrun.exe']),
    ('reg', CU_NT + r'\Windows', 64, 'Load', 'cuload.exe', ['cuload.exe']),
    ('reg', CU32_NT + r'\Windows', 64, 'Load', 'cu32load.exe', ['cu32load.exe']),
    ('reg', LM_NT + r'\Windows', 64, 'Run', 'lmwinrun.exe', ['lmwinrun.exe']),
    ('reg', LM_NT + r'\Windows', 32, 'Run', 'lm32winrun.exe', ['lm32winrun.exe']),
    ('reg', LM_NT + r'\Windows', 64, 'Load', 'lmload.exe', ['lmload.exe']),
    ('reg', LM_NT + r'\Windows', 32, 'Load', 'lm32load.exe', ['lm32load.exe']),
    ('reg', CU + r'\Policies\System', 64, 'Shell', 'explorer.exe,cushell.exe', ['cushell.exe']),
    ('reg', CU32 + r'\Policies\System', 64, 'Shell', 'cu32shell.exe', ['cu32shell.exe']),
    ('reg', LM_NT + r'\Winlogon', 64, 'Shell', 'Explorer.EXE, lmshell.exe', ['lmshell.exe']),
    ('reg', LM_NT + r'\Winlogon', 32, 'Shell', 'explorer.exe', []),
    ('reg', LM_NT + r'\Winlogon', 64, 'Userinit', 'userinit.exe,lminit.exe,', ['lminit.exe']),
    ('reg', LM_NT + r'\Winlogon', 32, 'Userinit', 'lm32init.exe', ['lm32init.exe']),
]

# Exact lines of SystemInfo.txt, per section, in order, on a machine seeded with seed(m,
# user_wow64=True).
EXPECTED = {
    # Native uninstall key, the user's, then the 32-bit ones (subkeys in registry order).
    'Programs': ['Acme Audio Suite, (2.4.1), [AcmeAudio]',
                 'Acme Expand Version',
                 'Acme User Tool, (1.0), [AcmeUserTool]',
                 'Acme Legacy Player, (7.1), [AcmeLegacy]',
                 'Acme Per-User 32'],
    'Autoruns': [line for source in AUTORUN_SOURCES for line in source[5]],
    'BHOs': ['%s, %s' % (BHO_NAME, BHO_LIBRARY)],
    'System Restore': ['2024-03-01 10:15:00 | Installed Plenvia | 0',
                       '2024-03-02 08:00:30 | Plenvia driver update: Acme Audio | 10',
                       '2024-03-03 17:45:10 | Cancelled driver update | 13'],
}
# Sections compared whole; the others hold Wine's own entries too.
WHOLE_SECTIONS = ('Programs', 'Autoruns', 'BHOs', 'System Restore')
# Lines that must not appear.
ABSENT = ['Acme Hidden Component', 'Acme Terminal Aware']

# A Win32 service and a kernel driver the test installs through the service control manager:
# (name, display name, sc type, the line of its own section).
SERVICE = ('AcmeSampleSvc', 'Acme Sample Service', 'own', '[AcmeSampleSvc] Acme Sample Service, 1, 3')
DRIVER = ('AcmeSampleDrv', 'Acme Sample Driver', 'kernel', '[AcmeSampleDrv] Acme Sample Driver')


def install_services(px):
    """Creates SERVICE and DRIVER in a running prefix with `sc create` (demand start, stopped)."""
    for name, display, kind, _ in (SERVICE, DRIVER):
        px.wine(['sc', 'create', name, 'binpath=', r'C:\windows\system32\%s.exe' % name.lower(),
                 'type=', kind, 'start=', 'demand', 'displayname=', display])


def main_folder(m):
    """The main edition's folder as the machine registers it (DisplayIcon of its uninstall
    entry); registers the default folder when no seed did."""
    for view, key, op, name, _code, data in m.registry:
        if (op == 'set' and name == 'DisplayIcon' and isinstance(data, str)
                and key.lower().endswith(r'\uninstall\plenvia_is1') and view == 32):
            folder = re.sub(r'"', '', data).split(',')[0]
            return folder.rsplit('\\', 1)[0]
    m.reg(MAIN_UNINSTALL_KEY, 'DisplayIcon', 'REG_SZ', DEFAULT_MAIN_FOLDER + r'\Plenvia.exe')
    return DEFAULT_MAIN_FOLDER


def seed_restore_library(m):
    # The double is built for the exe's own architecture: a process loads no library of another.
    m.build_output(main_folder(m) + r'\Pellomar.dll', 'tools', 'Pellomar.dll')


def seed_dumps(m):
    crash = r'HKLM\SYSTEM\CurrentControlSet\Control\CrashControl'
    m.reg(crash, 'DumpFile', 'REG_EXPAND_SZ', r'%SystemRoot%\MEMORY.DMP')
    m.reg(crash, 'MinidumpDir', 'REG_EXPAND_SZ', r'%SystemRoot%\Minidump')
    m.file(FULL_DUMP, b'PAGEDU64' + b'\0' * 4088, mtime=FULL_DUMP_TIME)
    m.folder(MINIDUMP_DIR + r'\folder.dmp')  # a folder named like a dump is not listed
    for name, when in MINIDUMPS:
        m.file(MINIDUMP_DIR + '\\' + name, b'PAGEDU64' + b'\0' * 65528, mtime=when)


def seed_programs(m):
    native = UNINSTALL  # read in the 64-bit view by the report
    m.reg(native + r'\AcmeAudio', 'DisplayName', 'REG_SZ', 'Acme Audio Suite', view=64)
    m.reg(native + r'\AcmeAudio', 'DisplayVersion', 'REG_SZ', '2.4.1', view=64)
    m.reg(native + r'\AcmeExpand', 'DisplayName', 'REG_SZ', 'Acme Expand Version', view=64)
    m.reg(native + r'\AcmeExpand', 'DisplayVersion', 'REG_EXPAND_SZ', '3.0', view=64)
    m.reg(native + r'\AcmeHidden', 'DisplayName', 'REG_SZ', 'Acme Hidden Component', view=64)
    m.reg(native + r'\AcmeHidden', 'SystemComponent', 'REG_DWORD', 0, view=64)
    m.reg(native + r'\AcmeTs', 'DisplayName', 'REG_SZ', 'Acme Terminal Aware', view=64)
    m.reg(native + r'\AcmeTs', 'TSAware', 'REG_DWORD', 1, view=64)
    user = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\AcmeUserTool'
    m.reg(user, 'DisplayName', 'REG_SZ', 'Acme User Tool')
    m.reg(user, 'DisplayVersion', 'REG_SZ', '1.0')
    legacy = UNINSTALL + r'\AcmeLegacy'  # 32-bit view: the report's Wow6432Node key
    m.reg(legacy, 'DisplayName', 'REG_SZ', 'Acme Legacy Player')
    m.reg(legacy, 'DisplayVersion', 'REG_SZ', '7.1')


def _user_wow64_key(key):
    return key.upper().startswith(r'HKCU\SOFTWARE\WOW6432NODE')


def seed_user_wow64(m):
    """The start-up entries and the program under HKCU\\Software\\Wow6432Node. Wine (unlike
    Windows 7 and later) redirects a 32-bit process's HKCU\\Software once that key exists, Wine's
    own settings included, so its Windows version is mirrored there."""
    for kind, where, view, name, data, _ in AUTORUN_SOURCES:
        if kind == 'reg' and _user_wow64_key(where):
            m.reg(where, name, 'REG_SZ', data, view=view)
    user32 = r'HKCU\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\AcmeCu32'
    m.reg(user32, 'DisplayName', 'REG_SZ', 'Acme Per-User 32', view=64)
    m.reg(r'HKCU\Software\Wow6432Node\Wine', 'Version', 'REG_SZ', 'win10', view=64)


def seed_autoruns(m):
    for kind, where, view, name, data, _ in AUTORUN_SOURCES:
        if kind == 'reg' and _user_wow64_key(where):
            continue  # seed_user_wow64
        if kind == 'lnk':
            m.file(where, shell_link(data))
        elif kind == 'file':
            m.file(where, data)
        elif kind == 'reg':
            m.reg(where, name, 'REG_SZ', data, view=view)
    m.file(COMMON_STARTUP + r'\desktop.ini', '[.ShellClassInfo]\r\n')  # excluded by name


def seed_bho(m):
    m.reg_key(r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects'
              '\\' + CLSID_BHO, view=64)
    m.reg(r'HKLM\SOFTWARE\Classes\CLSID' '\\' + CLSID_BHO, None, 'REG_SZ', BHO_NAME, view=64)
    m.reg(r'HKLM\SOFTWARE\Classes\CLSID' '\\' + CLSID_BHO + r'\InprocServer32', None, 'REG_SZ',
          BHO_LIBRARY, view=64)


def seed(m, user_wow64=False):
    """user_wow64: also the HKCU Wow6432Node sources (see seed_user_wow64)."""
    if user_wow64:
        seed_user_wow64(m)
    seed_restore_library(m)
    seed_dumps(m)
    seed_programs(m)
    seed_autoruns(m)
    seed_bho(m)
    return m
