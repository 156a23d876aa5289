"""The sample-machine builder itself: registry values land in the view and with the type asked
for (device-property types included), files get their contents, times and attributes."""

import datetime as dt
import os
import stat
import unittest

import harness
from machine import Machine

KEY = r'HKLM\SOFTWARE\PvSample'
PROP = r'HKLM\SYSTEM\CurrentControlSet\Enum\ROOT\PVSAMPLE\0000\Properties\{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\0004'


class SampleMachineTest(unittest.TestCase):
    def exported(self, px, key, view):
        out = r'C:\windows\temp\export-%d.reg' % view
        px.wine(['reg', 'export', key, out, '/reg:%d' % view, '/y'])
        with open(px.unix_path(out), 'rb') as f:
            return f.read().decode('utf-16')

    def test_registry_views_and_types(self):
        m = Machine()
        m.reg(KEY, 'Where', 'REG_SZ', 'view 32 "quoted" \\ back')
        m.reg(KEY, 'Where', 'REG_SZ', 'view 64', view=64)
        m.reg(KEY, 'Multi', 'REG_MULTI_SZ', ['a', 'b c'], view=64)
        m.reg(KEY, 'Expand', 'REG_EXPAND_SZ', '%SystemRoot%\\x', view=64)
        m.reg(KEY, 'Q', 'REG_QWORD', 0x1122334455667788, view=64)
        m.reg(KEY, 'D', 'REG_DWORD', 45000, view=64)
        m.reg(KEY, 'Odd', 'REG_SZ', b'a\0b', view=64)  # odd length, no terminating NUL
        m.reg(KEY + r'\Gone', 'X', 'REG_SZ', 'x', view=64)
        m.reg_delete(KEY + r'\Gone', view=64)
        m.reg(PROP, None, 0xffff0012, 'Acme', view=64)
        with harness.Prefix(m, name='sample') as px:
            v32 = self.exported(px, KEY, 32)
            v64 = self.exported(px, KEY, 64)
            self.assertIn('"Where"="view 32 \\"quoted\\" \\\\ back"', v32)
            self.assertNotIn('Multi', v32)
            self.assertIn('"Where"="view 64"', v64)
            self.assertIn('"Multi"=hex(7):61,00,00,00,62,00,20,00,63,00,00,00,00,00', v64)
            self.assertIn('"Expand"=hex(2):25,00', v64)
            self.assertIn('"Q"=hex(b):88,77,66,55,44,33,22,11', v64)
            self.assertIn('"D"=dword:0000afc8', v64)
            self.assertIn('"Odd"="a"', v64)  # export stops at the NUL; the import took it
            self.assertNotIn('Gone', v64)
            prop = self.exported(px, PROP, 64)
            self.assertIn('@=hex(ffff0012):41,00,63,00,6d,00,65,00,00,00', prop)

    def test_files_times_attributes_links_and_removals(self):
        when = dt.datetime(2024, 1, 31, 10, 20, 30)
        m = Machine()
        m.file(r'C:\Sample\a.txt', 'alpha', mtime=when)
        m.file(r'%APPDATA%\Sample\b.bin', b'\0\1', readonly=True)
        m.ini(r'C:\Sample\s.ini', 'Main', 'K', 'v')
        m.ini(r'C:\Sample\s.ini', 'Other', 'L', 'w')
        m.ini(r'C:\Sample\s.ini', 'Main', 'M', 'x')
        m.folder(r'C:\Sample\Empty', mtime=when)
        m.symlink(r'C:\Sample\link.txt', r'C:\Sample\a.txt')
        m.file(r'C:\windows\win.ini', 'replaced')   # shared with the template by hard link
        m.remove(r'C:\windows\system.ini')
        with harness.Prefix(m, name='files') as px:
            a = px.unix_path(r'c:\SAMPLE\A.TXT')    # matched ignoring case, as Windows does
            with open(a, 'rb') as f:
                self.assertEqual(f.read(), b'alpha')
            self.assertEqual(os.stat(a).st_mtime, when.timestamp())
            b = px.unix_path(harness._machine.APPDATA + r'\Sample\b.bin')
            self.assertFalse(os.stat(b).st_mode & stat.S_IWUSR)
            with open(px.unix_path(r'C:\Sample\s.ini'), 'rb') as f:
                self.assertEqual(f.read(), b'[Main]\r\nK=v\r\nM=x\r\n\r\n[Other]\r\nL=w\r\n\r\n')
            self.assertEqual(os.stat(px.unix_path(r'C:\Sample\Empty')).st_mtime,
                             when.timestamp())
            link = px.unix_path(r'C:\Sample\link.txt')
            self.assertEqual(os.readlink(link), a)
            self.assertFalse(os.path.exists(px.unix_path(r'C:\windows\system.ini')))
            dir_out = px.wine(['cmd', '/c', 'type', r'C:\Sample\link.txt']).stdout
            self.assertIn(b'alpha', dir_out)
            # The template keeps its own win.ini.
            with open(os.path.join(harness.TEMPLATE, 'drive_c', 'windows', 'win.ini'), 'rb') as f:
                self.assertNotEqual(f.read(), b'replaced')


if __name__ == '__main__':
    unittest.main()
