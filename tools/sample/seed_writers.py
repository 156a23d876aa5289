"""Sample data of the report writers: the driver folders named in Prefs.ini [Drivers] (download
folder and driver-backup folder with its Vault.ini and Vault.json), backup and game-boost logs
and the product's registry values dumped to pvreg.txt; `seed_dumps` adds crash dumps (minidumps
and a full dump) to a machine without the default machine's dumps.

Names and contents are module constants so tests can check reports against them.
"""

import datetime as _dt

from machine import LOG_FOLDER, PRODUCT_COMMON, PRODUCT_USER, WINDOWS

DOWNLOAD_FOLDER = PRODUCT_COMMON + r'\Drivers\Download'
BACKUP_FOLDER = PRODUCT_COMMON + r'\Drivers\Vault'   # BackPath is given without its backslash

DOWNLOAD_FILES = {
    'nvdisp_531.18.cab': b'MSCF' + bytes(range(256)) * 8,
    'rtkaudio_6.0.9.inf': b'[Version]\r\nSignature="$Windows NT$"\r\n',
}
BACKUP_FILES = {
    'Vault.ini': b'[Backups]\r\nCount=1\r\n1=20240105_rtkaudio\r\n',
    'Vault.json': b'{"backups":[{"id":"20240105_rtkaudio","driver":"rtkaudio_6.0.8.inf"}]}',
    '20240105_rtkaudio.zip': b'PK\x05\x06' + b'\0' * 18,
}

BACKUP_LOGS = {'backup_20240105.log': 'Backup of rtkaudio_6.0.8.inf finished\r\n'}
SURGE_LOGS = {'surge_session.log': 'Boost on for 2 processes\r\n'}
SURGE_APP_LOGS = {'surge_service.log': 'Service started\r\n'}

CRASH_KEY = r'HKLM\SYSTEM\CurrentControlSet\Control\CrashControl'
MINIDUMP_FOLDER = WINDOWS + r'\Minidump'
# Oldest first, as written: file times are spread over days so "newest first" is unambiguous.
MINIDUMPS = [
    ('010224-11234-01.dmp', 131072, _dt.datetime(2024, 1, 2, 9, 30, 0)),
    ('011524-9876-01.dmp', 2621440, _dt.datetime(2024, 1, 15, 18, 5, 12)),
]
FULL_DUMP = WINDOWS + r'\MEMORY.DMP'
FULL_DUMP_SIZE = 1536
FULL_DUMP_TIME = _dt.datetime(2023, 12, 20, 7, 0, 0)

PRODUCT_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia'
REGISTRY_VALUES = {'ftype': 'full', 'shareid': 'PV-5521-ACX', 'share_id': '88172'}


def seed_drivers(m):
    m.ini(PRODUCT_USER + r'\Prefs.ini', 'Drivers', 'BackPath', BACKUP_FOLDER)
    m.ini(PRODUCT_USER + r'\Prefs.ini', 'Drivers', 'DownPath', DOWNLOAD_FOLDER + '\\')
    for name, data in DOWNLOAD_FILES.items():
        m.file(DOWNLOAD_FOLDER + '\\' + name, data)
    for name, data in BACKUP_FILES.items():
        m.file(BACKUP_FOLDER + '\\' + name, data)


def seed_logs(m):
    for name, text in BACKUP_LOGS.items():
        m.file(LOG_FOLDER + '\\Backup\\' + name, text)
    m.folder(LOG_FOLDER + r'\Backup\archive.log')   # a folder named like a log: not collected
    for name, text in SURGE_LOGS.items():
        m.file(LOG_FOLDER + '\\Surge\\' + name, text)
    for name, text in SURGE_APP_LOGS.items():
        m.file(PRODUCT_USER + '\\Surge\\Logs\\' + name, text)


def seed_dumps(m, minidumps=True, full_dump=True):
    m.reg(CRASH_KEY, 'DumpFile', 'REG_EXPAND_SZ', r'%SystemRoot%\MEMORY.DMP', view=64)
    m.reg(CRASH_KEY, 'MinidumpDir', 'REG_EXPAND_SZ', r'%SystemRoot%\Minidump', view=64)
    m.folder(MINIDUMP_FOLDER)
    if minidumps:
        for name, size, when in MINIDUMPS:
            m.file(MINIDUMP_FOLDER + '\\' + name, b'PAGEDU64' + b'\0' * (size - 8), mtime=when)
    if full_dump:
        m.file(FULL_DUMP, b'PAGEDU64' + b'\0' * (FULL_DUMP_SIZE - 8), mtime=FULL_DUMP_TIME)


def seed_registry(m):
    for name, value in REGISTRY_VALUES.items():
        m.reg(PRODUCT_KEY, name, 'REG_SZ', value)


def seed(m):
    # The default machine's crash dumps come from seed_sysinfo; seed_dumps serves bare machines.
    seed_drivers(m)
    seed_logs(m)
    seed_registry(m)
