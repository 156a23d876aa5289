"""The realistic sample machine of the main job and of most Wine tests.

default_machine(today) installs a main, a beta and two games-store editions of the product with
their uninstall entries, folders and a few files each, the per-user and machine-wide product
folders with Prefs.ini and dated logs, and the installation date in the registry. Then every
tools/sample/seed_<sub>.py module adds its subsystem's data through its `seed(m)` (m.today is
the date the machine is built for). A seed module that fails to import or run stops the build.
"""

import datetime as _dt
import glob
import importlib.util
import os

from machine import (Machine, PRODUCT_COMMON, PRODUCT_USER, LOG_FOLDER, PROGRAM_FILES_X86,
                     UNINSTALL)

MAIN_DIR = PROGRAM_FILES_X86 + r'\Orvix\Plenvia'
BETA_DIR = PROGRAM_FILES_X86 + r'\Orvix\Plenvia Beta'
# The tool reaches these folders through their uninstall entries and tells them apart by their
# own names; the folders above them are free.
LUMEN_LIBRARY = PROGRAM_FILES_X86 + r'\Lumen\Library'
EDITION_DIRS = {                       # uninstall key -> InstallLocation (64-bit view)
    'Lumen App 612830': LUMEN_LIBRARY + r'\Plenvia',
    'Lumen App 739520': LUMEN_LIBRARY + r'\PLENVIA 5 Beta',
}
MAIN_KEY = UNINSTALL + r'\Plenvia_is1'
BETA_KEY = UNINSTALL + r'\Plenvia Beta_is1'
INSTALL_DATE_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia'
INSTALLED = _dt.datetime(2023, 11, 14, 9, 41, 7)
INSTDATE_DAYS = 45244                  # 14 November 2023 as a day number (days since 1899-12-30)

_HERE = os.path.dirname(os.path.abspath(__file__))


def _edition_files(m, folder, name, version, when):
    m.file(folder + r'\Plenvia.exe', b'MZ' + b'\0' * 510 + name.encode(), mtime=when)
    m.file(folder + r'\Plenvia.ico', b'\0\0\1\0', mtime=when)
    m.file(folder + r'\NoticeHub2.log', '%s notice hub started\r\n' % when.strftime('%Y-%m-%d'),
           mtime=when)
    m.file(folder + r'\SelfRefresh.log', 'self refresh: up to date (%s)\r\n' % version, mtime=when)
    m.file(folder + r'\Refresh\Refresh.ini', '[Refresh]\r\nVersion=%s\r\n' % version, mtime=when)
    m.file(folder + r'\Refresh\gratis.ini', '[Gratis]\r\nEnabled=1\r\n', mtime=when)
    m.file(folder + r'\LocalStore\store.ini', '[Store]\r\nEdition=%s\r\n' % name, mtime=when)
    m.file(folder + r'\ProbeData\tuning.ini', '[Tuning]\r\nLevel=2\r\n', mtime=when)
    m.file(folder + r'\ProbeData\hw.dat', bytes(range(256)) * 4, mtime=when)
    m.file(folder + r'\Surge\Surge.ini', '[Surge]\r\nMode=auto\r\n', mtime=when)


def default_machine(today=None):
    """The sample machine for `today` (a date; default: the local date now)."""
    m = Machine(today=today)
    day = m.today

    # Main edition (32-bit view), installed by its setup program.
    _edition_files(m, MAIN_DIR, 'Plenvia', '5.2.0.118', INSTALLED)
    m.file(MAIN_DIR + r'\InnoSetup.log', 'Inno Setup install log: Plenvia 5.2.0.118\r\n',
           mtime=INSTALLED)
    m.file(MAIN_DIR + r'\PvLogInfo.log', 'log level 2\r\n', mtime=INSTALLED)
    m.file(MAIN_DIR + r'\unins000.exe', b'MZ' + b'\0' * 1022, mtime=INSTALLED)
    for name, data in [('DisplayIcon', MAIN_DIR + r'\Plenvia.exe'), ('DisplayName', 'Plenvia'),
                       ('DisplayVersion', '5.2.0.118'), ('Publisher', 'Orvix'),
                       ('InstallLocation', MAIN_DIR + '\\'),
                       ('UninstallString', '"%s\\unins000.exe"' % MAIN_DIR)]:
        m.reg(MAIN_KEY, name, 'REG_SZ', data)

    # Beta edition (32-bit view); its icon entry carries the ",0" index.
    _edition_files(m, BETA_DIR, 'Plenvia Beta', '5.3.0.7', INSTALLED + _dt.timedelta(days=20))
    m.file(BETA_DIR + r'\InnoSetup.log', 'Inno Setup install log: Plenvia Beta 5.3.0.7\r\n')
    m.reg(BETA_KEY, 'DisplayIcon', 'REG_SZ', BETA_DIR + r'\Plenvia.exe,0')
    m.reg(BETA_KEY, 'DisplayName', 'REG_SZ', 'Plenvia Beta')
    m.reg(BETA_KEY, 'DisplayVersion', 'REG_SZ', '5.3.0.7')

    # Games-store editions (64-bit view, as the store's client writes them).
    for key, folder in EDITION_DIRS.items():
        _edition_files(m, folder, os.path.basename(folder), '5.2.0.118', INSTALLED)
        m.reg(UNINSTALL + '\\' + key, 'InstallLocation', 'REG_SZ', folder, view=64)
        m.reg(UNINSTALL + '\\' + key, 'DisplayName', 'REG_SZ', os.path.basename(folder), view=64)
        m.reg(UNINSTALL + '\\' + key, 'Publisher', 'REG_SZ', 'Orvix', view=64)

    # Settings and installation date.
    prefs = PRODUCT_USER + r'\Prefs.ini'
    m.ini(prefs, 'Main', 'InstDate1', INSTALLED.strftime('%m/%d/%Y %H:%M:%S') + ':250')
    m.ini(prefs, 'Main', 'Language', 'en')
    m.ini(PRODUCT_COMMON + r'\Prefs.ini', 'Main', 'Channel', 'stable')
    m.reg(INSTALL_DATE_KEY, 'InstDate', 'REG_DWORD', INSTDATE_DAYS)

    # Dated product logs: today, yesterday and one too old to be collected.
    for back in (0, 1, 40):
        d = day - _dt.timedelta(days=back)
        stamp = d.strftime('%Y%m%d')
        when = _dt.datetime.combine(d, _dt.time(8, 30))
        m.file(LOG_FOLDER + r'\Main\%s.log' % stamp, 'main log %s\r\n' % stamp, mtime=when)
        m.file(LOG_FOLDER + r'\Scan\%s.log' % stamp, 'scan log %s\r\n' % stamp, mtime=when)
    m.file(LOG_FOLDER + r'\Main\%s_auto.log' % day.strftime('%Y%m%d'), 'auto run\r\n')
    m.file(LOG_FOLDER + r'\Scheduler\a.log', 'scheduler a\r\n')
    m.file(LOG_FOLDER + r'\Scheduler\b.log', 'scheduler b\r\n')
    m.file(LOG_FOLDER + r'\Scheduler\c.txt', 'not a log\r\n')
    m.file(PRODUCT_COMMON + r'\Logs\Fetcher.log', 'fetcher idle\r\n')

    apply_seed_modules(m)
    return m


def apply_seed_modules(m):
    """Calls seed(m) of every tools/sample/seed_*.py, in name order."""
    for path in sorted(glob.glob(os.path.join(_HERE, 'seed_*.py'))):
        name = os.path.splitext(os.path.basename(path))[0]
        try:
            loader_info = importlib.util.spec_from_file_location(name, path)
            module = importlib.util.module_from_spec(loader_info)
            loader_info.loader.exec_module(module)
            seed = getattr(module, 'seed')
            seed(m)
        except Exception as e:
            raise RuntimeError('sample seed module %s failed: %s: %s'
                               % (os.path.basename(path), type(e).__name__, e)) from e
    return m
