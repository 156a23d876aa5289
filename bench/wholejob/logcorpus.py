"""Deterministic log-like text for the whole-job benchmark.

Lines look like the product's own logs: a timestamp that moves forward, a level, a component, a
thread id, one of a few dozen phrases with device ids, hex codes, paths and counters. A fixed seed
gives the same bytes in every run; Deflate packs the text about 5:1, as it does real logs.
"""

import datetime as _dt
import random
import string

LEVELS = ['INFO ', 'INFO ', 'INFO ', 'INFO ', 'DEBUG', 'DEBUG', 'WARN ', 'ERROR']
UNITS = ['Scanner', 'Updater', 'Backup', 'Downloader', 'Service', 'UI', 'Scheduler', 'Fetcher',
         'Installer', 'Surge', 'Vault', 'Probe']
VENDORS = ['8086', '10DE', '1002', '10EC', '14E4', '168C', '1B21', '046D', '0BDA', '1022',
           '8087', '045E', '04F2', '138A', '1217', '17AA']
CLASSES = ['Display', 'Net', 'MEDIA', 'USB', 'HIDClass', 'System', 'Bluetooth', 'DiskDrive',
           'SCSIAdapter', 'Camera', 'Monitor', 'Biometric']
STATES = ['ok', 'ok', 'ok', 'outdated', 'missing', 'disabled', 'unknown']
HOSTS = ['update.example.invalid', 'cdn1.example.invalid', 'cdn2.example.invalid',
         'probe.example.invalid']
PHRASES = [
    'Device found: {dev} class={cls} state={state}',
    'Driver is up to date: {dev} version {ver} date {date}',
    'Newer driver available for {dev}: {ver} -> {ver2}',
    'Download started: https://{host}/drivers/{vid}/{hex}.cab ({size} bytes)',
    'Download finished: {hex}.cab in {ms} ms, {size} bytes',
    'Checking signature of C:\\ProgramData\\Orvix\\Plenvia\\Down\\{hex}.cab',
    'Signature ok, catalog {hex}.cat thumbprint {hex}{hex}',
    'Restore point created: sequence {num}',
    'Retrying request to https://{host}/api/v2/check (attempt {small}/5)',
    'Installation finished with code 0x{hex} for {dev}',
    'Queue length {small}, active {small}, waiting {num}',
    'Skipping device without hardware id: ROOT\\{cls}\\{num4}',
    'Backup written to C:\\ProgramData\\Orvix\\Plenvia\\Backup\\drv_{hex}.zip ({size} bytes)',
    'Timeout while waiting for {unit} after {ms} ms',
    'Service state changed to {svcstate}',
    'Scan progress {pct}% ({num} of {num} devices)',
    'Registry value HKLM\\SYSTEM\\CurrentControlSet\\Enum\\{dev}\\Driver = {{{guid}}}\\{num4}',
    'INF oem{small}.inf provider "{vendorname}" class {cls} matches {dev}',
    'Heartbeat ok, uptime {num} s, memory {size} bytes',
    'Config reloaded from C:\\Users\\Public\\Orvix\\Prefs.ini',
]
VENDOR_NAMES = ['Intel', 'NVIDIA', 'AMD', 'Realtek', 'Broadcom', 'Qualcomm Atheros', 'ASMedia',
                'Logitech', 'Microsoft', 'Chicony', 'Synaptics', 'Lenovo']
SERVICE_STATES = ['running', 'stopped', 'start pending', 'stop pending', 'paused']


class LogText:
    """Writes log-like lines; the same seed writes the same bytes."""

    def __init__(self, seed, start=_dt.datetime(2024, 3, 1, 7, 58, 0)):
        self.rng = random.Random(seed)
        r = self.rng
        # Ids recur as on a real machine: a few hundred devices, a few thousand file names.
        self.devices = ['PCI\\VEN_%s&DEV_%04X&SUBSYS_%08X&REV_%02X'
                        % (r.choice(VENDORS), r.getrandbits(16), r.getrandbits(32),
                           r.getrandbits(8)) for _ in range(160)]
        self.devices += ['USB\\VID_%s&PID_%04X&REV_%04X' % (r.choice(VENDORS), r.getrandbits(16),
                                                            r.getrandbits(16))
                         for _ in range(120)]
        self.hexes = ['%08X' % r.getrandbits(32) for _ in range(3000)]
        self.guids = ['%08X-%04X-%04X-%04X-%012X' % (r.getrandbits(32), r.getrandbits(16),
                                                     r.getrandbits(16), r.getrandbits(16),
                                                     r.getrandbits(48)) for _ in range(24)]
        self.start = start
        self.threads = [r.randrange(1000, 20000) for _ in range(9)]
        # Each phrase as a format with positional fields and the makers of those fields, in
        # order: a line draws only the values it shows.
        makers = self._field_makers()
        self.phrases = []
        for phrase in PHRASES:
            fmt, names = '', []
            for literal, name, _, _ in string.Formatter().parse(phrase):
                fmt += literal.replace('{', '{{').replace('}', '}}')
                if name is not None:
                    fmt += '{}'
                    names.append(name)
            self.phrases.append((fmt, [makers[n] for n in names]))

    def _field_makers(self):
        r = self.rng

        def version():
            return '%d.%d.%d.%d' % (r.randrange(1, 32), r.randrange(0, 20), r.randrange(0, 100),
                                    r.randrange(0, 9999))
        return {
            'dev': lambda: r.choice(self.devices), 'cls': lambda: r.choice(CLASSES),
            'state': lambda: r.choice(STATES), 'ver': version, 'ver2': version,
            'date': lambda: '%02d/%02d/%04d' % (r.randrange(1, 13), r.randrange(1, 29),
                                                r.randrange(2015, 2025)),
            'host': lambda: r.choice(HOSTS), 'vid': lambda: r.choice(VENDORS),
            'hex': lambda: r.choice(self.hexes), 'size': lambda: r.randrange(1000, 90000000),
            'ms': lambda: r.randrange(1, 30000), 'num': lambda: r.randrange(0, 5000),
            'num4': lambda: '%04d' % r.randrange(0, 40), 'small': lambda: r.randrange(0, 10),
            'pct': lambda: r.randrange(0, 101), 'unit': lambda: r.choice(UNITS),
            'svcstate': lambda: r.choice(SERVICE_STATES), 'guid': lambda: r.choice(self.guids),
            'vendorname': lambda: r.choice(VENDOR_NAMES),
        }

    def write(self, f, size, start=None):
        """Writes whole lines to the binary file `f` until at least `size` bytes are written."""
        r = self.rng
        when = start or self.start
        stamp = when.strftime('%Y-%m-%d %H:%M:%S')
        ms = 0
        written = 0
        batch = []
        batch_bytes = 0
        while written + batch_bytes < size:
            ms += r.randrange(0, 900)
            if ms >= 1000:
                when += _dt.timedelta(seconds=ms // 1000)
                ms %= 1000
                stamp = when.strftime('%Y-%m-%d %H:%M:%S')
            fmt, fields = r.choice(self.phrases)
            line = '%s.%03d [%s] [%-10s] (%5d) %s\r\n' % (
                stamp, ms, r.choice(LEVELS), r.choice(UNITS), r.choice(self.threads),
                fmt.format(*[make() for make in fields]))
            batch.append(line)
            batch_bytes += len(line)
            if batch_bytes >= 1 << 20:
                f.write(''.join(batch).encode('ascii'))
                written += batch_bytes
                batch, batch_bytes = [], 0
        f.write(''.join(batch).encode('ascii'))
        return written + batch_bytes
