"""The real exe packs the newest minidump of the sample machine, here a synthesised kernel triage
dump, and pvtriage decodes the packed member: the dump's bug check, faulting driver and time, and
its crash joined to the system report's BSOD Time.

pvtriage is the native program of the host build (PV_TRIAGE, default build/host/pvtriage).
"""

import datetime as _dt
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import harness
import seed_sysinfo
from default_machine import default_machine

sys.path.insert(0, os.path.join(harness.REPO, 'tests', 'triage'))
import dumpfile  # noqa: E402  (the triage tests' dump writer)

PVTRIAGE = os.environ.get('PV_TRIAGE') or os.path.join(harness.REPO, 'build', 'host', 'pvtriage')
NEWEST = seed_sysinfo.NEWEST_MINIDUMP
NEWEST_TIME = dict(seed_sysinfo.MINIDUMPS)[NEWEST]


class PackedDumpDecodes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.access(PVTRIAGE, os.X_OK):
            raise AssertionError('%s is missing: build the host preset first' % PVTRIAGE)
        cls.tmp = tempfile.mkdtemp(prefix='pv-dump-')
        # The prefix's zone is UTC, so the dump's system time is the file's local time.
        crash = NEWEST_TIME.replace(tzinfo=_dt.timezone.utc)
        cls.dump = dumpfile.display_driver_crash(crash)
        m = default_machine()
        m.file(seed_sysinfo.MINIDUMP_DIR + '\\' + NEWEST, cls.dump, mtime=NEWEST_TIME)
        with harness.Prefix(m, name='dump-packed') as px:
            px.run_tool()
            cls.archive = os.path.join(cls.tmp, 'archive.zip')
            shutil.copy2(px.archive_path(m.today), cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_the_member_is_the_dump_and_decodes(self):
        self.assertEqual(harness.archive_read(self.archive, NEWEST), self.dump)
        res = subprocess.run([PVTRIAGE, '--json', self.archive], capture_output=True, text=True,
                             timeout=120)
        self.assertEqual(res.returncode, 0, res.stderr)
        doc = json.loads(res.stdout)
        entry = next(d for d in doc['dumps'] if d['member'] == NEWEST)
        self.assertEqual(entry['kind'], 'kernel-triage')
        self.assertEqual(entry['architecture'], 'x64')
        self.assertEqual(entry['time'], NEWEST_TIME.strftime('%Y-%m-%dT%H:%M:%SZ'))
        self.assertEqual(entry['bugcheck']['name'], 'SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M')
        self.assertEqual((entry['faulting_module']['name'], entry['faulting_module']['offset']),
                         ('nvlddmkm.sys', '0x334C'))
        self.assertEqual(entry['notes'], [])
        crash = next(c for c in doc['crashes'] if c['dump'] == NEWEST)
        self.assertEqual(crash['source'], 'BSOD Time')
        faulting = [f for f in doc['findings'] if f['id'] == 'crash.faulting_driver']
        self.assertEqual(len(faulting), 1)
        self.assertIn('happened in nvlddmkm.sys at +0x334C', faulting[0]['text'])


if __name__ == '__main__':
    unittest.main()
