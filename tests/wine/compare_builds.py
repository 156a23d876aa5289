"""The x86_64 build is a faithful stand-in for the shipped i686 exe: both, run on the same sample
machine, write archives with the same member names in the same order and the same bytes in every
member, but for the lines that are machine state (process ids, up times, free memory and space,
ping round trips, the log time) and the line of the per-architecture restore-point double.

Registered only where this machine runs 32-bit code natively (scripts/test-all.sh passes the other
build as PV_OTHER_BUILD_DIR); PV_BUILD_DIR is the i686 build.
"""

import datetime as _dt
import difflib
import os
import re
import sys
import unittest
import zipfile

import harness

sys.path.insert(0, os.path.join(harness.REPO, 'tools', 'sample'))
import default_machine  # noqa: E402

# (member, pattern of a line that may differ, replacement). Machine state changes between two
# runs whatever the build: up times, memory, free space, process ids, ping round trips, the log
# time, and the driver date Wine gives its own display adapter (the moment it was enumerated).
MACHINE_STATE = [
    ('SystemInfo.txt', r'^(System Up Time|Program Up Time|Physical Memory|Allocated Memory|'
                       r'Log Time)( *):.*$', r'\1\2: <state>'),
    ('SystemInfo.txt', r'^(\S.*) \[\d+\] ', r'\1 [<pid>] '),
    ('SystemInfo.txt', r'^(\[[A-Z]:\] .*), \([^()]* / ([^()]*)\)(?=\r?$)', r'\1, (<free> / \2)'),
    ('PingHosts.txt', r'time[<=]\d+ms', 'time<state>'),
    ('PingHosts.txt', r'(Minimum|Maximum|Average) = \d+ms', r'\1 = <state>'),
    ('DeviceList.txt', r'^ (Date\.D = %(today)s\b|Date = %(today_text)s )[^\r\n]*', ' <now>'),
    # The one difference that stays: the restore-point library double in the main edition's
    # folder is built for each exe's architecture (no process loads a library of another), so
    # its size and digest differ.
    ('FileList.txt', r'^.*Pellomar\.dll.*$', '<restore-point library double>'),
]
# Processes are listed in the order of their ids, which differ from run to run.
SORTED_SECTIONS = {'SystemInfo.txt': ('===== Processes =====',)}


def normalised(member, data, today):
    """The member's text with machine-state lines masked (text reports), or its bytes."""
    words = {'today': str((today - _dt.date(1899, 12, 30)).days),
             'today_text': re.escape('%d/%d/%d' % (today.month, today.day, today.year))}
    rules = [(re.compile(p % words if '%(' in p else p, re.M), r)
             for m, p, r in MACHINE_STATE if m == member]
    if not rules and member not in SORTED_SECTIONS and not member.endswith('.txt'):
        return data
    text = data.decode('utf-16-le') if data.startswith(b'\xff\xfe') else data.decode('latin-1')
    for pattern, replacement in rules:
        text = pattern.sub(replacement, text)
    for head in SORTED_SECTIONS.get(member, ()):
        start = text.find(head)
        if start < 0:
            continue
        body_start = text.index('\r\n\r\n', start) + 4
        end = text.find('\r\n\r\n', body_start)
        end = len(text) if end < 0 else end
        lines = sorted(text[body_start:end].split('\r\n'))
        text = text[:body_start] + '\r\n'.join(lines) + text[end:]
    return text


def run_archive(build_dir, name, today):
    """Runs the build's exe (and its doubles) on the default sample machine through the shipped
    build's UI driver, so that the process list shows the same driver to both; returns
    [(member, bytes)]."""
    m = default_machine.default_machine(today)
    with harness.Prefix(m, name=name, build_dir=build_dir) as px:
        px.run_tool(driver=harness.build_file('tools', 'uidriver.exe'))
        path = px.archive_path(m.today)
        names = harness.archive_members(path)
        with zipfile.ZipFile(path) as z:
            return [(n, z.read(info)) for n, info in zip(names, z.infolist())]


class BuildsWriteTheSameArchive(unittest.TestCase):
    def test_i686_and_x86_64_archives_match_but_for_machine_state(self):
        other = os.environ.get('PV_OTHER_BUILD_DIR')
        self.assertTrue(other, 'PV_OTHER_BUILD_DIR names the x86_64 build')
        today = _dt.date.today()
        shipped = run_archive(harness.BUILD_DIR, 'compare-i686', today)
        stand_in = run_archive(other, 'compare-x86_64', today)
        self.assertEqual([n for n, _ in stand_in], [n for n, _ in shipped])
        for (name, a), (_, b) in zip(shipped, stand_in):
            with self.subTest(member=name):
                want, got = normalised(name, a, today), normalised(name, b, today)
                if want != got and isinstance(want, str):
                    diff = difflib.unified_diff(want.splitlines(), got.splitlines(), 'i686',
                                                'x86_64', lineterm='', n=1)
                    self.fail('\n'.join(list(diff)[:40]))
                self.assertEqual(got, want)


if __name__ == '__main__':
    unittest.main()
