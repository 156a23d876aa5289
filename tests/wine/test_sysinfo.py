"""SystemInfo.txt on the real exe: layout, Windows names, seeded inventory lines, the newest
minidump in the archive and the restore points of the library double."""

import datetime as _dt
import os
import re
import time
import unittest

import harness
from machine import LOG_FOLDER, Machine
import seed_sysinfo

PRODUCT_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia'

FACT_LABELS = ['Operating System : ', 'Locale-Language  : ', 'Time Zone        : ',
               'Computer Name    : ', 'User Name        : ', 'Administrator    : ',
               'Processors       : ', 'Display Mode     : ', 'System Up Time   : ',
               'Program Up Time  : ', 'Physical Memory  : ', 'Allocated Memory : ',
               'BSOD Time        : ', 'Log Time         : ']
SECTIONS = ['Volumes', 'Processes', 'Programs', 'Autoruns', 'Services', 'Drivers', 'BHOs',
            'System Restore']


def run_and_read(machine, windows_version=None, before_run=None):
    """Runs the tool once; returns (SystemInfo.txt bytes from the archive, archive members,
    {dump member: bytes}, facts about the prefix and the run for the fact lines)."""
    with harness.Prefix(machine, name='sysinfo') as px:
        if windows_version:
            px.wine(['reg', 'add', r'HKCU\Software\Wine', '/v', 'Version', '/d', windows_version,
                     '/f'])
        if before_run:
            before_run(px)
        facts = prefix_facts(px)
        facts['uptime_before'] = system_uptime()
        facts['clock_before'] = _dt.datetime.now()
        started = time.monotonic()
        px.run_tool()
        facts['run_seconds'] = time.monotonic() - started
        facts['clock_after'] = _dt.datetime.now()
        facts['uptime_after'] = system_uptime()
        facts['log_folder'] = sorted(os.listdir(px.log_folder()))
        archive = px.archive_path()
        members = harness.archive_members(archive)
        data = harness.archive_read(archive, 'SystemInfo.txt')
        dumps = {name: harness.archive_read(archive, name) for name in members
                 if name.lower().endswith('.dmp')}
        return data, members, dumps, facts


def system_uptime():
    """Seconds since the machine started (Wine's performance counter counts from there)."""
    with open('/proc/uptime') as f:
        return float(f.read().split()[0])


def reg_query(px, key, value):
    out = px.wine(['reg', 'query', key, '/v', value], check=False).stdout.decode(errors='replace')
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0].lower() == value.lower() and parts[1].startswith('REG_'):
            return parts[2].strip()
    return ''


def prefix_facts(px):
    """What the prefix itself says of the facts the report states, asked without the tool."""
    cpu = r'HKLM\Hardware\Description\System\CentralProcessor'
    names = [reg_query(px, cpu + '\\%d' % n, 'ProcessorNameString') for n in range(17)]
    count = next((n for n in range(1, 16) if not names[n]), 16)
    env = px.wine(['cmd', '/c', 'echo %COMPUTERNAME%^|%USERNAME%']).stdout.decode().strip()
    computer, user = env.split('|')
    locale = reg_query(px, r'HKCU\Control Panel\International', 'LocaleName')
    return {'processor': ' '.join(names[0].split()), 'processors': count,
            'computer': computer, 'user': user, 'locale': locale}


def duration_seconds(text):
    """Seconds of a duration text ("2 days 5 hours ", "1 minute 3 seconds ")."""
    units = {'day': 86400, 'hour': 3600, 'minute': 60, 'second': 1}
    total = 0
    for count, unit in re.findall(r'(\d+) (day|hour|minute|second)s? ', text):
        total += int(count) * units[unit]
    return total


def parse_date_time(text):
    """A US-English date-time text (M/D/YYYY h:mm:ss AM) as a datetime."""
    return _dt.datetime.strptime(text, '%m/%d/%Y %I:%M:%S %p')


def sections(lines):
    """Section title -> its entry lines (between its three head lines and the next section's)."""
    found = {}
    heads = [i for i, line in enumerate(lines) if re.fullmatch(r'===== (.+) =====', line)]
    for n, i in enumerate(heads):
        end = heads[n + 1] - 1 if n + 1 < len(heads) else len(lines)
        found[lines[i][6:-6]] = lines[i + 2:end]
    return found


# A drive of the prefix that is not fixed: the Volumes section leaves it out.
CDROM_DRIVE = 'e'


def add_cdrom_drive(px):
    """Before the prefix starts: drive E: a CD drive of Wine's mount manager (its folder empty)."""
    folder = os.path.join(px.path, 'cdrom-e')
    os.makedirs(folder, exist_ok=True)
    link = os.path.join(px.path, 'dosdevices', CDROM_DRIVE + ':')
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(folder, link)
    with open(os.path.join(px.path, 'system.reg'), 'a') as f:
        f.write('\n[Software\\\\Wine\\\\Drives] 1700000000\n"%s:"="cdrom"\n' % CDROM_DRIVE)


def prepare_seeded(px):
    seed_sysinfo.install_services(px)


class SeededMachineTest(unittest.TestCase):
    maxDiff = None
    @classmethod
    def setUpClass(cls):
        m = seed_sysinfo.seed(Machine(), user_wow64=True)
        m.before_start = [add_cdrom_drive]
        # Installed before the newest crash (32-bit view); the native view's later date is a
        # decoy that would hide the crash time.
        m.reg(PRODUCT_KEY, 'InstDate', 'REG_DWORD', 45292)             # 1 January 2024
        m.reg(PRODUCT_KEY, 'InstDate', 'REG_DWORD', 46000, view=64)    # 9 December 2025
        cls.data, cls.members, cls.dumps, cls.facts = run_and_read(m, before_run=prepare_seeded)
        cls.text = cls.data[2:].decode('utf-16-le')
        cls.lines = cls.text.split('\r\n')[:-1]
        cls.found = sections(cls.lines)
        cls.fact = {line[:16].rstrip(): line[19:] for line in cls.lines[2:16]}
        drive = os.statvfs(harness.REPO)  # drive_c and Z: lie on the file system of the build
        cls.disk_total, cls.disk_free = drive.f_blocks * drive.f_frsize, drive.f_bavail * drive.f_frsize

    def test_bytes_frame(self):
        self.assertTrue(self.data.startswith(b'\xff\xfe'))
        self.assertTrue(self.data.endswith('\r\n'.encode('utf-16-le')))
        self.assertNotIn('\n', self.text.replace('\r\n', ''))

    def test_fact_lines_in_order(self):
        self.assertEqual(self.lines[0:2], ['===== System =====', ''])
        facts = self.lines[2:16]
        self.assertEqual([f[:19] for f in facts], FACT_LABELS)
        self.assertRegex(facts[0], r'^Operating System : Windows 10 x64 Build \d+$')
        self.assertRegex(facts[2], r'\(UTC-?\d\d:\d\d\)$')
        self.assertIn(facts[5][19:], ('True', 'False'))
        self.assertRegex(facts[6], r'\(\d+x\)$')
        self.assertRegex(facts[7], r'^Display Mode     : \d+x\d+, \d+ bit$')
        self.assertRegex(facts[10], r'^Physical Memory  : \d+/\d+ MB \(free/total\)$')
        self.assertRegex(facts[11], r'^Allocated Memory : \d+[.,]\d\d [KMG]B$')

    def test_section_heads_in_order(self):
        heads = [i for i, line in enumerate(self.lines) if re.fullmatch(r'===== .+ =====', line)]
        self.assertEqual([self.lines[i][6:-6] for i in heads[1:]], SECTIONS)
        for i in heads[1:]:
            self.assertEqual(self.lines[i - 1], '')
            self.assertEqual(self.lines[i + 1], '')
        self.assertEqual(self.lines[16], '')  # first section follows the facts directly

    def test_seeded_lines_appear_exactly(self):
        # Guards: a source, view or order lost in the programs, autoruns, BHOs or restore points
        # (each of the 32 start-up sources holds its own entry; HKLM ones sit in one view only).
        for title in seed_sysinfo.WHOLE_SECTIONS:
            self.assertEqual(self.found[title], seed_sysinfo.EXPECTED[title], title)
        for line in seed_sysinfo.ABSENT:
            self.assertFalse(any(line in ln for ln in self.lines), line)

    def test_service_and_driver_each_in_its_own_section(self):
        # Guards: the driver walk enumerating services or the reverse, and the service line's
        # state (stopped = 1) and start type (demand = 3).
        service_line, driver_line = seed_sysinfo.SERVICE[3], seed_sysinfo.DRIVER[3]
        self.assertIn(service_line, self.found['Services'])
        self.assertIn(driver_line, self.found['Drivers'])
        services = '\n'.join(self.found['Services'])
        drivers = '\n'.join(self.found['Drivers'])
        self.assertNotIn('[%s]' % seed_sysinfo.DRIVER[0], services)
        self.assertNotIn('[%s]' % seed_sysinfo.SERVICE[0], drivers)

    def test_volumes_fixed_drives_with_total_free_bytes(self):
        # Guards: listing a drive that is not fixed, and the free and total bytes swapped or taken
        # from another drive.
        rows = {}
        for line in self.found['Volumes']:
            mo = re.fullmatch(r'\[([A-Z]):\] (.*), ([0-9A-F]{8}|), (.*), \((.*) / (.*)\)', line)
            self.assertTrue(mo, line)
            rows[mo.group(1)] = mo.groups()
        self.assertIn('C', rows)
        self.assertNotIn(CDROM_DRIVE.upper(), rows)

        def gb(text):
            self.assertRegex(text, r'^[\d,]+\.\d\d GB$')
            return float(text[:-3].replace(',', '')) * (1 << 30)
        _, _, _, fs, free, total = rows['C']
        self.assertEqual(fs, 'NTFS')
        self.assertAlmostEqual(gb(total), self.disk_total, delta=0.006 * (1 << 30))
        # Wine gives the caller's free bytes as the volume's too; others write to the same disk
        # meanwhile.
        self.assertAlmostEqual(gb(free), self.disk_free, delta=1 << 30)

    def test_fact_values(self):
        # Guards: each fact read from the wrong query (or left empty) under Wine; one subtest a
        # fact, so every wrong fact shows.
        f = self.facts
        for label, expected in (('Computer Name', f['computer']), ('User Name', f['user']),
                                ('Locale-Language', f['locale']),
                                ('Administrator', 'True'),  # Wine's user is an administrator
                                ('Processors', '%s (%dx)' % (f['processor'], f['processors']))):
            with self.subTest(fact=label):
                self.assertEqual(self.fact[label], expected)
        with self.subTest(fact='System Up Time'):
            # The machine's up time; two units shown, so at most one unit is cut off.
            system = self.fact['System Up Time']
            self.assertRegex(system, r'^(\d+ (day|hour|minute|second)s? ){1,2}$')
            seconds = duration_seconds(system)
            self.assertLessEqual(seconds, f['uptime_after'] + 1)
            unit = 86400 if 'day' in system else 3600 if 'hour' in system else 60
            self.assertGreater(seconds, f['uptime_before'] - unit)
        with self.subTest(fact='Program Up Time'):
            # Counted from this program's start, not the machine's.
            program = self.fact['Program Up Time']
            self.assertRegex(program, r'^(\d+ milliseconds|(\d+ (hour|minute|second)s? ){1,2})$')
            # Where the milliseconds form ends is ProgramUpTime's native test; here the value must
            # fit this run, measured around it.
            if program.endswith(' milliseconds'):
                shown = int(program.split()[0]) / 1000
            else:
                shown = duration_seconds(program)
            self.assertLessEqual(shown, f["run_seconds"] + 1)
        with self.subTest(fact='Log Time'):
            # The local time while the report was made (the tier runs in UTC).
            logged = parse_date_time(self.fact['Log Time'])
            self.assertGreaterEqual(logged, f['clock_before'].replace(microsecond=0)
                                    - _dt.timedelta(seconds=1))
            self.assertLessEqual(logged, f['clock_after'] + _dt.timedelta(seconds=1))

    def test_newest_minidump_is_packed_and_dated(self):
        self.assertEqual(list(self.dumps), [seed_sysinfo.NEWEST_MINIDUMP])
        self.assertLess(self.members.index(seed_sysinfo.NEWEST_MINIDUMP),
                        self.members.index('SystemInfo.txt'))
        # Wine gives a file's change time as its creation time; the template is US English.
        when = seed_sysinfo.MINIDUMPS[-1][1]
        expected = '%d/%d/%d %d:%02d:%02d %s' % (when.month, when.day, when.year,
                                                (when.hour - 1) % 12 + 1, when.minute,
                                                when.second, 'PM' if when.hour >= 12 else 'AM')
        self.assertIn('BSOD Time        : ' + expected, self.lines)


class BareWindows7Test(unittest.TestCase):
    """No library, no dumps, Windows 7 reported."""

    @classmethod
    def setUpClass(cls):
        m = Machine()
        # A listing left by an earlier run on a machine that has no dumps now.
        m.file(LOG_FOLDER + r'\MEMORYDMP.txt', b'\xff\xfes\x00t\x00a\x00l\x00e\x00')
        cls.data, cls.members, cls.dumps, cls.facts = run_and_read(m, windows_version='win7')
        cls.lines = cls.data[2:].decode('utf-16-le').split('\r\n')[:-1]

    def test_windows_7_is_named(self):
        # Wine 8 in a 64-bit prefix reports "win7" as 6.1 build 7601 with product type 3 (server),
        # which the name table calls Windows Server 2008; a workstation type gives Windows 7.
        self.assertRegex(self.lines[2], r'^Operating System : Windows (7|Server 2008) x64 '
                                        r'Service Pack 1 Build 7601$')

    def test_restore_section_is_its_head(self):
        self.assertEqual(self.lines[-3:], ['', '===== System Restore =====', ''])

    def test_no_crash_time(self):
        self.assertIn('BSOD Time        : N/A', self.lines)
        self.assertEqual(self.dumps, {})

    def test_stale_dump_listing_is_removed(self):
        # Guards: a machine without dumps keeping (and packing) an old run's MEMORYDMP.txt.
        self.assertNotIn('MEMORYDMP.txt', self.facts['log_folder'])
        self.assertNotIn('MEMORYDMP.txt', self.members)


if __name__ == '__main__':
    unittest.main()
