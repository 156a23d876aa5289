"""SystemInfo.txt on the real exe: layout, Windows names, seeded inventory lines, the newest
minidump in the archive and the restore points of the library double."""

import os
import re
import unittest

import harness
from machine import Machine
import seed_sysinfo

FACT_LABELS = ['Operating System : ', 'Locale-Language  : ', 'Time Zone        : ',
               'Computer Name    : ', 'User Name        : ', 'Administrator    : ',
               'Processors       : ', 'Display Mode     : ', 'System Up Time   : ',
               'Program Up Time  : ', 'Physical Memory  : ', 'Allocated Memory : ',
               'BSOD Time        : ', 'Log Time         : ']
SECTIONS = ['Volumes', 'Processes', 'Programs', 'Autoruns', 'Services', 'Drivers', 'BHOs',
            'System Restore']


def run_and_read(machine, windows_version=None):
    """Runs the tool once; returns (SystemInfo.txt bytes from the archive, archive members,
    archive path inside a kept dict)."""
    with harness.Prefix(machine, name='sysinfo') as px:
        if windows_version:
            px.wine(['reg', 'add', r'HKCU\Software\Wine', '/v', 'Version', '/d', windows_version,
                     '/f'])
        px.run_tool()
        archive = px.archive_path()
        members = harness.archive_members(archive)
        data = harness.archive_read(archive, 'SystemInfo.txt')
        dumps = {name: harness.archive_read(archive, name) for name in members
                 if name.lower().endswith('.dmp')}
        return data, members, dumps


def sections(lines):
    """Section title -> its entry lines (after the three head lines)."""
    found = {}
    current = None
    for i, line in enumerate(lines):
        mo = re.fullmatch(r'===== (.+) =====', line)
        if mo:
            current = mo.group(1)
            found[current] = []
        elif current and not (line == '' and i > 0 and lines[i - 1].startswith('=====')):
            found[current].append(line)
    return found


class SeededMachineTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        m = seed_sysinfo.seed(Machine())
        cls.data, cls.members, cls.dumps = run_and_read(m)
        cls.text = cls.data[2:].decode('utf-16-le')
        cls.lines = cls.text.split('\r\n')[:-1]

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
        found = sections(self.lines)
        for title, expected in seed_sysinfo.EXPECTED.items():
            for line in expected:
                self.assertIn(line, found[title], title)
        for line in seed_sysinfo.ABSENT:
            self.assertFalse(any(line in ln for ln in self.lines), line)
        # The cancelled-operation point is listed on Windows 10.
        self.assertEqual(found['System Restore'], seed_sysinfo.EXPECTED['System Restore'])

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
        cls.data, cls.members, cls.dumps = run_and_read(Machine(), windows_version='win7')
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


if __name__ == '__main__':
    unittest.main()
