"""pvtriage on archives the real exe wrote on the sample machine, and on variants derived from one:
a device with problem code 28, another installed a day before the BSOD time with a rollback, a
driver-install log with a failed section, a hosts line for the maker's host, one member's data
corrupted, the file truncated; and the diff of two reports of one machine.

pvtriage is the native program of the host build (PV_TRIAGE, default build/host/pvtriage): the
test command builds the host preset before the Wine tier.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import warnings
import zipfile

import harness
from default_machine import default_machine

PVTRIAGE = os.environ.get('PV_TRIAGE') or os.path.join(harness.REPO, 'build', 'host', 'pvtriage')
MAKER_HOST = 'www.orvix.com'
# OLE date of the sample machine's BSOD time 4/2/2024 6:45:10 PM, less one day.
DAY_BEFORE_BSOD = '45383.7813657407'
FAILED_SECTION = (
    '>>>  [Device Install (Hardware initiated) - USB\\VID_8087&PID_0A2B\\5&2C2A5B3A&0&7]\r\n'
    '>>>  Section start 2024/04/01 10:00:00.000\r\n'
    '     dvi: Install Device: Starting device install.\r\n'
    '!!!  dvi: Device not started: Device has problem: 0x1f (CM_PROB_FAILED_ADD).\r\n'
    '!!!  dvi: Installing drivers failed.\r\n'
    '<<<  Section end 2024/04/01 10:00:05.000\r\n'
    '<<<  [Exit status: FAILURE(0xe0000219)]\r\n')


def report_text(data):
    return data[2:].decode('utf-16-le')


def report_bytes(text):
    return b'\xff\xfe' + text.encode('utf-16-le')


def device_block(text, index):
    """(start, end) of the device block "#index" in DeviceList.txt's text."""
    start = text.index('#%d\r\n' % index)
    end = text.find('\r\n#%d\r\n' % (index + 1), start)
    return start, len(text) if end < 0 else end


def set_device_field(text, index, field, value):
    start, end = device_block(text, index)
    block = re.sub(r'(?m)^( %s *= ).*$' % re.escape(field), lambda m: m.group(1) + value,
                   text[start:end].replace('\r\n', '\n')).replace('\n', '\r\n')
    return text[:start] + block + text[end:]


def device_field(text, index, field):
    start, end = device_block(text, index)
    return re.search(r'(?m)^ %s *= (.*?)\r?$' % re.escape(field), text[start:end]).group(1)


def rewrite(src, dst, changes):
    """Copies the archive with some members' bytes replaced (same names, same order)."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, 'w', zipfile.ZIP_DEFLATED) as zout, \
            warnings.catch_warnings():
        # The archive holds two members named AppData/Logs/Install/DPINST.LOG, by design.
        warnings.simplefilter('ignore', UserWarning)
        for info in zin.infolist():
            data = zin.read(info)
            if info.filename in changes:
                data = changes[info.filename](data)
            zout.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED)


class TriageOfRealArchives(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.access(PVTRIAGE, os.X_OK):
            raise AssertionError('%s is missing: build the host preset first' % PVTRIAGE)
        cls.tmp = tempfile.mkdtemp(prefix='pv-triage-')
        m = default_machine()
        with harness.Prefix(m, name='triage') as px:
            px.run_tool()
            cls.archive = os.path.join(cls.tmp, 'base.zip')
            shutil.copy2(px.archive_path(m.today), cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def triage(self, *args, expect=0):
        res = subprocess.run([PVTRIAGE] + list(args), capture_output=True, text=True, timeout=120)
        self.assertEqual(res.returncode, expect, res.stderr)
        return res

    def json_of(self, *args):
        return json.loads(self.triage('--json', *args).stdout)

    def variant(self, name, changes):
        path = os.path.join(self.tmp, name + '.zip')
        rewrite(self.archive, path, changes)
        return path

    def findings(self, doc, finding_id):
        return [f for f in doc['findings'] if f['id'] == finding_id]

    def test_the_archive_as_written_reads_whole(self):
        doc = self.json_of('--verify', self.archive)
        self.assertEqual(doc['schema'], 2)
        self.assertEqual(doc['archive']['members'], len(harness.archive_members(self.archive)))
        self.assertEqual(doc['archive']['damaged'], [])
        self.assertEqual(doc['archive']['missing_reports'], [])
        self.assertGreater(doc['devices']['count'], 0)
        # The sample machine has one device without a driver (problem code 28).
        self.assertEqual([(d['name'], d['code']) for d in doc['devices']['with_problems']],
                         [('Base System Device', 28)])
        self.assertEqual(doc['driver_installs']['failed'], [])
        self.assertEqual(doc['network']['hosts_redirects'], [])
        # The sample machine cannot resolve the maker's host (no network in the prefix).
        self.assertIs(doc['network']['maker_host_resolves'], False)
        self.assertTrue(self.findings(doc, 'network.maker_unresolved'))

    def test_variants_each_show_their_finding(self):
        def devices(data):
            text = report_text(data)
            text = set_device_field(text, 0, 'Prob', '28')
            text = set_device_field(text, 0, 'Code', '28')
            text = set_device_field(text, 1, 'InDa.D', DAY_BEFORE_BSOD)
            text = set_device_field(text, 1, 'Roll', 'True')
            return report_bytes(text)

        def setupapi(data):
            return data + FAILED_SECTION.encode('ascii')

        def hosts(data):
            return data + ('10.66.0.7 %s\r\n' % MAKER_HOST).encode('ascii')

        path = self.variant('problems', {
            'DeviceList.txt': devices,
            'AppData/Logs/Install/setupapi.dev.log': setupapi,
            'Hosts': hosts,
        })
        doc = self.json_of(path)
        base = report_text(harness.archive_read(self.archive, 'DeviceList.txt'))

        problems = doc['devices']['with_problems']
        self.assertIn((device_field(base, 0, 'Name'), 28), [(d['name'], d['code'])
                                                           for d in problems])
        crash = [c for c in doc['crashes'] if c['installs_before']]
        self.assertTrue(crash, doc['crashes'])
        before = crash[0]['installs_before']
        self.assertEqual([(d['name'], d['rollback']) for d in before],
                         [(device_field(base, 1, 'Name'), True)])
        self.assertTrue(self.findings(doc, 'crash.recent_driver_rollback'))
        failed = doc['driver_installs']['failed']
        self.assertEqual(len(failed), 1)
        self.assertEqual(failed[0]['status'], 'FAILURE(0xe0000219)')
        self.assertIn('USB\\VID_8087&PID_0A2B', failed[0]['device'])
        self.assertEqual([(h['host'], h['address']) for h in doc['network']['hosts_redirects']],
                         [(MAKER_HOST, '10.66.0.7')])
        for fid in ('device.problem', 'install.failed', 'hosts.maker_redirect'):
            self.assertTrue(self.findings(doc, fid), fid)

        # The text output shows every finding of the JSON, errors first.
        text = self.triage(path).stdout
        for f in doc['findings']:
            self.assertIn(f['text'], text)
        self.triage('--fail-on', 'error', path, expect=1)

    def test_corrupted_member_is_named_with_verify(self):
        path = os.path.join(self.tmp, 'corrupt.zip')
        with zipfile.ZipFile(self.archive) as z:
            info = next(i for i in z.infolist() if i.filename == 'MEMORYDMP.txt')
        with open(self.archive, 'rb') as f:
            data = bytearray(f.read())
        # The member's data starts after its local header (30 bytes, name and extra field).
        name_len = int.from_bytes(data[info.header_offset + 26:info.header_offset + 28], 'little')
        extra_len = int.from_bytes(data[info.header_offset + 28:info.header_offset + 30],
                                   'little')
        start = info.header_offset + 30 + name_len + extra_len
        data[start + info.compress_size // 2] ^= 0x55
        with open(path, 'wb') as f:
            f.write(data)
        doc = self.json_of('--verify', path)
        self.assertEqual(doc['archive']['damaged'], ['MEMORYDMP.txt'])
        self.assertTrue(self.findings(doc, 'archive.damaged'))

    def test_truncated_archive_exits_2_with_one_sentence(self):
        path = os.path.join(self.tmp, 'truncated.zip')
        with open(self.archive, 'rb') as f:
            data = f.read()
        with open(path, 'wb') as f:
            f.write(data[:len(data) // 2])
        for args in ((path,), ('--json', path)):
            res = self.triage(*args, expect=2)
            self.assertEqual(res.stdout, '')
            lines = res.stderr.strip().splitlines()
            self.assertEqual(len(lines), 1, res.stderr)

    def test_diff_lists_a_changed_driver_and_a_cleared_problem(self):
        base = report_text(harness.archive_read(self.archive, 'DeviceList.txt'))

        def older(data):
            text = set_device_field(report_text(data), 0, 'Prob', '28')
            text = set_device_field(text, 0, 'Code', '28')
            return report_bytes(set_device_field(text, 3, 'Vern', '26.20.100.7000'))

        old = self.variant('old', {'DeviceList.txt': older})
        doc = self.json_of(old, self.archive)
        flat = json.dumps(doc)
        self.assertIn('26.20.100.7000', flat)
        self.assertIn(device_field(base, 3, 'Vern'), flat)
        text = self.triage(old, self.archive).stdout
        self.assertIn(device_field(base, 0, 'Name'), text)
        self.assertIn(device_field(base, 3, 'Name'), text)


if __name__ == '__main__':
    unittest.main()
