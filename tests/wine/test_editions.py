"""Installation folders on the real exe, seen through the archive: the main and beta editions from
the 32-bit registry view, the games-store editions from the 64-bit view, a decoy in the other view
ignored, and a beta folder that is recorded but missing left out."""

import datetime as dt
import os
import unittest

import harness
from default_machine import BETA_DIR, BETA_KEY, EDITION_DIRS, MAIN_DIR, MAIN_KEY, default_machine
from machine import UNINSTALL

DECOY_MAIN = r'C:\Decoy\Main'
DECOY_BETA = r'C:\Decoy\Beta'
WOW_EDITION = r'C:\Games\Plenvia 4'   # only in the 32-bit view: reached through Wow6432Node


def members_by_name(archive):
    """{member name with backslashes: bytes} (first occurrence) and the ordered names."""
    names = harness.archive_members(archive)
    return {n.replace('/', '\\'): harness.archive_read(archive, n) for n in reversed(names)}, \
        [n.replace('/', '\\') for n in names]


class EditionsTest(unittest.TestCase):
    def run_and_read(self, px, **options):
        day = dt.date.today()
        px.run_tool(**options)
        archive = px.archive_path(day)
        self.assertTrue(os.path.exists(archive), 'the job wrote no archive %s' % archive)
        return members_by_name(archive)

    def test_main_and_beta_from_32_bit_view_editions_from_64_bit_view(self):
        m = default_machine()
        for key, folder, tag in ((MAIN_KEY, DECOY_MAIN, 'MAIN'), (BETA_KEY, DECOY_BETA, 'BETA')):
            m.reg(key, 'DisplayIcon', 'REG_SZ', folder + r'\Plenvia.exe', view=64)
            m.file(folder + r'\InnoSetup.log', 'DECOY %s\r\n' % tag)
            m.file(folder + r'\Refresh\Refresh.ini', 'DECOY %s\r\n' % tag)
        m.reg(UNINSTALL + r'\Lumen App 684470', 'InstallLocation', 'REG_SZ', WOW_EDITION, view=32)
        m.file(WOW_EDITION + r'\Refresh\Refresh.ini', 'WOW EDITION\r\n')
        with harness.Prefix(m, name='editions') as px:
            members, names = self.run_and_read(px)
            with open(px.unix_path(MAIN_DIR + r'\InnoSetup.log'), 'rb') as f:
                self.assertEqual(members.get('AppPath\\InnoSetup.log'), f.read())
            with open(px.unix_path(BETA_DIR + r'\InnoSetup.log'), 'rb') as f:
                self.assertEqual(members.get('AppPath_Beta\\InnoSetup.log'), f.read())
            for name, data in members.items():
                self.assertNotIn(b'DECOY', data, name)
            # Both store editions exist only in the 64-bit view.
            for tag, key in (('Lumen3', 'Lumen App 612830'), ('Lumen5', 'Lumen App 739520')):
                with open(px.unix_path(EDITION_DIRS[key] + r'\Refresh\Refresh.ini'), 'rb') as f:
                    self.assertEqual(members.get('AppPath_%s\\Refresh\\Refresh.ini' % tag),
                                     f.read(), names)
            # The 32-bit entries are read too, through the explicit Wow6432Node keys.
            self.assertEqual(members.get('AppPath_Lumen4\\Refresh\\Refresh.ini'),
                             b'WOW EDITION\r\n', names)
            listing = harness.read_report(os.path.join(px.log_folder(), 'FileList.txt'))
            self.assertIn(MAIN_DIR + '\\InnoSetup.log, ', listing)
            self.assertNotIn(DECOY_MAIN, listing)

    def test_beta_recorded_but_missing_is_left_out(self):
        m = default_machine()
        m.remove(BETA_DIR)
        # An empty beta folder makes the beta steps relative to the tool's current folder:
        # anything collected under the beta names can only come from there.
        workdir = r'C:\WorkDir'
        m.file(workdir + r'\InnoSetup.log', 'CURRENT FOLDER\r\n')
        m.file(workdir + r'\Refresh\Refresh.ini', 'CURRENT FOLDER\r\n')
        with harness.Prefix(m, name='nobeta') as px:
            members, names = self.run_and_read(px, cwd=workdir)
            self.assertNotIn('FileList_beta.txt', members)
            self.assertFalse(os.path.exists(os.path.join(px.log_folder(), 'FileList_beta.txt')))
            for name, data in members.items():
                if name.lower().startswith('apppath_beta\\') or name == 'bugreport_beta.txt':
                    self.assertEqual(data, b'CURRENT FOLDER\r\n', name)
            # The main edition is unaffected.
            self.assertIn('AppPath\\InnoSetup.log', members)


if __name__ == '__main__':
    unittest.main()
