"""Reports that are true or absent, on the real exe: no report of an earlier run is packed as if it
were this run's, no half-written report or fresh-name leftover stays in the log folder, and the
file listing follows an installation folder's links only into trusted folders.

A short write cannot be produced under Wine (no quota, no full disk in a prefix); the save's
protocol (fresh name, rename over, remove the report after any failure) is tested natively at its
seam, tests/platform/ReportSave_test.cpp.
"""

import os
import unittest

import harness
from machine import LOG_FOLDER, Machine
from test_writers import APP_FOLDER, AddressServer, listing, ok, writers_machine

BOM = b'\xff\xfe'
STALE = 'stale report of an earlier run\r\n'
FRESH_NAME_SUFFIX = '.tmp'


def leftovers(logs):
    """Fresh-name files a save left in the log folder."""
    return [n for n in os.listdir(logs) if n.lower().endswith(FRESH_NAME_SUFFIX)]


class ReportsTrueOrAbsent(unittest.TestCase):
    def setUp(self):
        self.server = AddressServer()
        self.addCleanup(self.server.close)
        self.server.routes['/all'] = ok(b'ip=198.51.100.7\n')

    def test_device_list_of_an_earlier_run_is_never_packed(self):
        """Fault: the first run's DeviceList.txt packed again when the device set cannot be read."""
        with harness.Prefix(writers_machine(self.server), 'reports-devicelist') as px:
            px.run_tool()
            first = harness.archive_read(px.archive_path(), 'DeviceList.txt')
            self.assertTrue(first.startswith(BOM))
            self.assertIn('#0\r\n[Device]'.encode('utf-16-le'), first)

            # SetupAPI unloadable: the device set cannot be opened on the second run.
            px.env['WINEDLLOVERRIDES'] = px.env.get('WINEDLLOVERRIDES', '') + ';setupapi=d'
            px.run_tool()

            second = harness.archive_read(px.archive_path(), 'DeviceList.txt')
            self.assertEqual(second, BOM)
            with open(os.path.join(px.log_folder(), 'DeviceList.txt'), 'rb') as f:
                self.assertEqual(f.read(), BOM)
            self.assertEqual(leftovers(px.log_folder()), [])

    def test_read_only_earlier_reports_are_replaced(self):
        """Fault: a read-only report of an earlier run refused the new one and was packed."""
        m = writers_machine(self.server)
        names = ('DeviceList.txt', 'SystemInfo.txt', 'FileList.txt', 'PingHosts.txt')
        for name in names:
            m.file(LOG_FOLDER + '\\' + name, STALE, readonly=True)
        with harness.Prefix(m, 'reports-readonly') as px:
            px.run_tool()
            members = harness.archive_members(px.archive_path())
            for name in names:
                self.assertIn(name, members)
                data = harness.archive_read(px.archive_path(), name)
                self.assertNotIn(STALE.encode(), data, name)
                self.assertNotIn(STALE.encode('utf-16-le'), data, name)
            self.assertEqual(leftovers(px.log_folder()), [])


class ListingThroughLinks(unittest.TestCase):
    def test_links_in_the_installation_folder_are_entered_only_into_trusted_roots(self):
        """Fault: a junction inside the installation folder hid its files from the listing, or a
        link out of the trusted folders (or back into the tree) was followed."""
        server = AddressServer()
        self.addCleanup(server.close)
        server.routes['/all'] = ok(b'ip=198.51.100.7\n')
        m = writers_machine(server)
        shared = r'C:\ProgramData\Orvix\SharedDrivers'
        m.file(shared + r'\drv.inf', b'[Version]\r\n')
        m.file(r'C:\victim\secret.txt', b'not for the listing')
        m.symlink(APP_FOLDER + r'\Drivers', shared)
        m.symlink(APP_FOLDER + r'\Outside', r'C:\victim')
        m.symlink(APP_FOLDER + r'\Data\Loop', APP_FOLDER)
        with harness.Prefix(m, 'reports-links') as px:
            self.assertTrue(os.path.islink(px.unix_path(APP_FOLDER + r'\Drivers')))
            px.run_tool()
            paths = [r[0] for r in listing(px, 'FileList.txt')]
            self.assertIn(APP_FOLDER + r'\Drivers\drv.inf', paths)
            self.assertFalse([p for p in paths if '\\Outside\\' in p], paths)
            self.assertFalse([p for p in paths if '\\Loop\\' in p], paths)
            self.assertEqual(len(paths), len(set(paths)))
            self.assertIn(APP_FOLDER + r'\Plenvia.exe', paths)


if __name__ == '__main__':
    unittest.main()
