"""Sample data of the host product's installation for the report job: everything the collection
plan gathers beyond what default_machine already installs, so the archive of the sample machine
shows every kind of plan step (daily logs at the 31-day edge, if-present files, folder listings,
the four edition passes, the Windows folder's logs).

The installation folders are default_machine's (MAIN_DIR, BETA_DIR, EDITION_DIRS).
"""

import datetime as _dt

import default_machine as _dm
from machine import LOG_FOLDER, PRODUCT_COMMON, PRODUCT_USER, PROGRAMDATA, WINDOWS

# Days back from m.today with dated logs; 30 is the oldest collected day, 31 the first left out.
LOG_DAYS = (0, 2, 6, 30, 31)
SCHEDULER_TASK = 'T\u00e2che.log'   # collected under the escaped name T#00E2che.log


def _when(day, hour):
    return _dt.datetime.combine(day, _dt.time(hour, 15, 42))


def seed_user(m):
    today = m.today
    for back in LOG_DAYS:
        d = today - _dt.timedelta(days=back)
        stamp = d.strftime('%Y%m%d')
        m.file(LOG_FOLDER + r'\Main\%s.log' % stamp, 'main log %s\r\n' % stamp, mtime=_when(d, 9))
        m.file(LOG_FOLDER + r'\Main\%s_auto.log' % stamp, 'auto %s\r\n' % stamp, mtime=_when(d, 10))
        m.file(LOG_FOLDER + r'\Main\%s_beta.log' % stamp, 'beta %s\r\n' % stamp, mtime=_when(d, 11))
        m.file(LOG_FOLDER + r'\Scan\%s_beta.log' % stamp, 'beta scan %s\r\n' % stamp,
               mtime=_when(d, 12))
    m.file(PRODUCT_USER + r'\Surge\Scratch.ini', '[Scratch]\r\nLast=0\r\n')
    m.file(PRODUCT_USER + r'\Surge\Surge.ini', '[Surge]\r\nProfile=balanced\r\n')
    m.file(PRODUCT_USER + r'\QrtScan.ini', '[Scan]\r\nQuarter=1\r\n')
    m.file(PRODUCT_USER + r'\TendScan.ini', '[Scan]\r\nTrend=up\r\n')
    m.file(LOG_FOLDER + r'\DrvSetup.log', 'driver setup ok\r\n')
    m.file(LOG_FOLDER + r'\DPINST.LOG', 'INFO: per-user dpinst\r\n')
    m.file(LOG_FOLDER + r'\Install\PvzInst.log', 'installer log\r\n')
    m.file(LOG_FOLDER + r'\Install\DPINST.LOG', 'INFO: install dpinst\r\n')
    m.file(LOG_FOLDER + r'\Install\PvzInst_beta.log', 'beta installer log\r\n')
    m.file(LOG_FOLDER + r'\MiniDrvSetup.dmp', b'MDMP' + bytes(60))
    m.file(LOG_FOLDER + '\\Scheduler\\' + SCHEDULER_TASK, 'scheduled task\r\n')
    m.file(LOG_FOLDER + r'\Down\fetch.log', 'download ok\r\n')
    m.file(LOG_FOLDER + r'\Fix\repair.LOG', 'repair ok\r\n')
    m.file(LOG_FOLDER + r'\SelfRefresh.log', 'self refresh\r\n')
    m.file(LOG_FOLDER + r'\Scan\parts.log', 'parts\r\n')
    m.file(LOG_FOLDER + r'\Applied\Applied.ini', '[Applied]\r\nCount=3\r\n')
    m.file(LOG_FOLDER + r'\Scan\parts_beta.log', 'beta parts\r\n')
    m.ini(PRODUCT_USER + r'\Prefs_beta.ini', 'Main', 'Channel', 'beta')
    m.file(PRODUCT_USER + r'\Debug\trace.log', 'debug trace\r\n')
    m.file(PRODUCT_USER + r'\Debug\notes.txt', 'not collected\r\n')
    m.file(PRODUCT_USER + r'\Skiplist.ini', '[Skip]\r\n')


def seed_common(m):
    m.file(PROGRAMDATA + r'\Orvix\TndFetcher\pv4Fetcher.log', 'pv4 fetcher\r\n')
    m.file(PRODUCT_COMMON + r'\Fetcher\queue.log', 'queue empty\r\n')
    m.ini(PRODUCT_COMMON + r'\Prefs_beta.ini', 'Main', 'Channel', 'beta')


def seed_installations(m):
    main, beta = _dm.MAIN_DIR, _dm.BETA_DIR
    m.file(main + r'\bugreport.txt', 'main crash report\r\n')
    m.file(main + r'\x_plenvia_memorymanager_1.txt', 'memory manager\r\n')
    m.file(main + r'\readme.txt', 'not collected\r\n')
    m.file(main + r'\ProbeData\lookup.dat', bytes(range(64)))
    m.file(main + r'\ProbeData\probe.cfg', 'probe=1\r\n')
    m.file(main + r'\Database\Titles\UserTitle.ini', '[Titles]\r\n')
    m.file(beta + r'\bugreport.txt', 'beta crash report\r\n')
    m.file(beta + r'\ProbeData\parts.log', 'beta probe parts\r\n')
    lumen3, lumen5 = (_dm.EDITION_DIRS[k] for k in ('Lumen App 612830', 'Lumen App 739520'))
    m.file(lumen3 + r'\bugreport.txt', 'lumen crash report\r\n')
    m.file(lumen3 + r'\InnoSetup.log', 'Inno Setup install log: Lumen edition\r\n')
    m.file(lumen5 + r'\ProbeData\GfxPatch.ini', '[Gfx]\r\n')


def seed_windows(m):
    m.file(WINDOWS + r'\system32\drivers\etc\hosts', '127.0.0.1 localhost\r\n::1 localhost\r\n')
    m.file(WINDOWS + r'\DPINST.LOG', 'INFO: windows dpinst\r\n')
    m.file(WINDOWS + r'\inf\setupapi.dev.log', '[Device Install Log]\r\n')


def seed(m):
    seed_user(m)
    seed_common(m)
    seed_installations(m)
    seed_windows(m)
