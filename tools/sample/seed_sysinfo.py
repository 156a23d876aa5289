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

# Exact lines of SystemInfo.txt, per section.
EXPECTED = {
    'Programs': ['Acme Audio Suite, (2.4.1), [AcmeAudio]',
                 'Acme Expand Version',
                 'Acme User Tool, (1.0), [AcmeUserTool]'],
    'Autoruns': ['"%s" ' % SHORTCUT_TARGET,
                 r'C:\Program Files\Acme\AcmeSync.exe /background',
                 r'"C:\Program Files\Acme\AcmeUpdate.exe" --check',
                 r'C:\Acme\finish.exe /quiet',
                 'rundll32.exe acmeinit.dll'],
    'BHOs': ['%s, %s' % (BHO_NAME, BHO_LIBRARY)],
    'System Restore': ['2024-03-01 10:15:00 | Installed Plenvia | 0',
                       '2024-03-02 08:00:30 | Plenvia driver update: Acme Audio | 10',
                       '2024-03-03 17:45:10 | Cancelled driver update | 13'],
}
# Lines that must not appear.
ABSENT = ['Acme Hidden Component', 'Acme Terminal Aware']


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


def seed_autoruns(m):
    m.file(STARTUP_FOLDER + r'\Acme Tray.lnk', shell_link(SHORTCUT_TARGET))
    m.reg(r'HKCU\Software\Microsoft\Windows\CurrentVersion\Run', 'AcmeSync', 'REG_SZ',
          r'C:\Program Files\Acme\AcmeSync.exe /background')
    m.reg(r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run', 'AcmeUpdate', 'REG_SZ',
          r'"C:\Program Files\Acme\AcmeUpdate.exe" --check', view=64)
    once = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnceEx\0001'
    m.reg(once, 'finish', 'REG_SZ', r'||C:\Acme\finish.exe /quiet', view=64)
    m.reg(once, 'init', 'REG_SZ', 'acmeinit.dll', view=64)


def seed_bho(m):
    m.reg_key(r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects'
              '\\' + CLSID_BHO, view=64)
    m.reg(r'HKLM\SOFTWARE\Classes\CLSID' '\\' + CLSID_BHO, None, 'REG_SZ', BHO_NAME, view=64)
    m.reg(r'HKLM\SOFTWARE\Classes\CLSID' '\\' + CLSID_BHO + r'\InprocServer32', None, 'REG_SZ',
          BHO_LIBRARY, view=64)


def seed(m):
    seed_restore_library(m)
    seed_dumps(m)
    seed_programs(m)
    seed_autoruns(m)
    seed_bho(m)
    return m
