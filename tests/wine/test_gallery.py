"""The real exe on machines shaped like users' machines (tools/sample/gallery.py): on each one the
archive sits on that machine's Desktop with every member of the plan and every report, and TEMP
keeps no job folder. Prints a table of members, reports and press-to-message time per machine."""

import datetime as _dt
import os
import sys
import unittest

import harness
import gallery
from test_packing import assert_valid_archive, expected_plan_members, is_writer_member
from test_writers import OVERRIDE_KEY, AddressServer, ok

SAVED = 'Report file has been saved to desktop'
LOG_TIME = 'Log Time         : '


def sysinfo_text(px, m):
    return harness.read_report(os.path.join(gallery.unix_path(px, m.log_folder), 'SystemInfo.txt'))


def sysinfo_line(px, m, prefix):
    lines = [ln for ln in sysinfo_text(px, m).split('\r\n') if ln.startswith(prefix)]
    if not lines:
        raise AssertionError('SystemInfo.txt has no line starting %r' % prefix)
    return lines[0][len(prefix):]


class Gallery(unittest.TestCase):
    rows = []

    @classmethod
    def tearDownClass(cls):
        if not cls.rows:
            return
        out = ['', 'gallery (build %s)' % harness.BUILD_DIR,
               '%-16s %8s %8s %10s  %s' % ('machine', 'members', 'reports', 'press->msg', 'result')]
        for row in cls.rows:
            out.append('%-16s %8s %8s %9.2fs  %s' % tuple(row))
        sys.stderr.write('\n'.join(out) + '\n')

    def run_machine(self, name, check=None):
        """Builds gallery machine `name`, presses the button and checks the complete archive;
        check(px, m, archive_unix_path, members) adds the machine's own assertions."""
        m = gallery.machine(name)
        server = AddressServer()
        self.addCleanup(server.close)
        server.routes['/all'] = ok(b'ip=198.51.100.4\n')
        m.reg(OVERRIDE_KEY, 'PingHost', 'REG_SZ', 'localhost')
        m.reg(OVERRIDE_KEY, 'AddressService', 'REG_SZ', '127.0.0.1:%d' % server.port)
        row = [name, '-', '-', 0.0, 'failed']
        self.rows.append(row)
        with harness.Prefix(m, name='gallery-' + name) as px:
            res = px.run_tool(exe_dir=m.downloads, check=False)
            row[3] = (res.get('press_to_message_ms') or 0) / 1000.0
            self.assertIn(SAVED, (res.get('message') or {}).get('text', ''), res)
            archive = os.path.join(gallery.unix_path(px, m.desktop), m.archive_name())
            self.assertTrue(os.path.isfile(archive), '%s is not on %s' % (m.archive_name(),
                                                                         m.desktop))
            assert_valid_archive(self, archive)
            members = harness.archive_members(archive)
            plan = [n for n in members if not is_writer_member(n)]
            self.assertEqual(plan, expected_plan_members(m.today))
            self.assertEqual([r for r in m.reports if r not in members], [])
            row[1], row[2] = len(plan), len([r for r in m.reports if r in members])
            temp = gallery.unix_path(px, m.temp)
            self.assertEqual(harness.job_folders(temp), [])
            if check:
                check(px, m, archive, members)
            row[4] = 'ok'

    # Wine's shell gives no item list for a UNC Desktop (SHGetSpecialFolderLocation fails with
    # E_INVALIDARG), so this machine also guards the desktop lookup's fallback to the folder path.
    def test_unc_redirected_appdata_and_desktop(self):
        """Fault: a UNC root (\\\\server\\share) refused, or a Desktop the shell gives no item
        list for left unfound, so no report is written or placed."""
        def check(px, m, archive, members):
            self.assertTrue(m.desktop.startswith('\\\\'))
            for report in m.reports:
                self.assertTrue(os.path.isfile(os.path.join(gallery.unix_path(px, m.log_folder),
                                                            report)), report)
            self.assertFalse(os.path.exists(px.unix_path(harness._machine.DESKTOP + '\\' +
                                                         m.archive_name())))
        self.run_machine('unc', check)

    def test_relocated_profile(self):
        """Fault: files reached through the profile's link to D: refused as planted links."""
        def check(px, m, archive, members):
            home = os.path.join(px.path, 'drive_c', 'users', harness._machine.USER)
            self.assertTrue(os.path.islink(home))
            self.assertTrue(os.path.realpath(archive).startswith(
                os.path.realpath(os.path.join(px.path, 'drive_d')) + os.sep))
        self.run_machine('relocated', check)

    def test_short_temp_names(self):
        """Fault: a job folder under an 8.3 TEMP refused against its long final path, or left."""
        def check(px, m, archive, members):
            self.assertIn('~', m.temp_env)
            self.assertEqual(px.wine(['cmd', '/c', 'echo %TEMP%']).stdout.decode().strip(),
                             m.temp_env)
        self.run_machine('short-temp', check)

    def test_non_ascii_profile(self):
        """Fault: a profile path with non-ASCII letters and a space lost in a conversion."""
        def check(px, m, archive, members):
            self.assertIn(gallery.NON_ASCII_USER, os.path.realpath(archive))
            self.assertEqual(sysinfo_line(px, m, 'User Name        : '), gallery.NON_ASCII_USER)
            # The tool's own path, started from that profile, is reported intact.
            self.assertIn(' ' + m.downloads + '\\' + harness.TOOL_EXE, sysinfo_text(px, m))
        self.run_machine('non-ascii', check)

    def test_far_time_zone(self):
        """Fault: the archive and the reports dated by the UTC date instead of the local one."""
        def check(px, m, archive, members):
            utc = _dt.datetime.now(_dt.timezone.utc).date()
            self.assertNotEqual(m.today, utc, m.zone)
            log_time = sysinfo_line(px, m, LOG_TIME)
            self.assertTrue(log_time.startswith('%d/%d/%d ' % (m.today.month, m.today.day,
                                                                m.today.year)), log_time)
        self.run_machine('far-zone', check)

    def test_german_locale(self):
        """Fault: the user's separators ignored, or a decimal comma breaking a report."""
        def check(px, m, archive, members):
            self.assertRegex(sysinfo_line(px, m, LOG_TIME),
                             r'^%02d\.%02d\.%d \d\d:\d\d:\d\d$'
                             % (m.today.day, m.today.month, m.today.year))
            self.assertRegex(sysinfo_line(px, m, 'Allocated Memory : '), r'^\d+,\d\d [KMG]B$')
        self.run_machine('german', check)

    def test_synced_desktop(self):
        """Fault: the archive placed in the profile's Desktop, not the shell's synced one."""
        def check(px, m, archive, members):
            self.assertIn(r'\OneDrive\Desktop', m.desktop)
            self.assertFalse(os.path.exists(px.unix_path(harness._machine.DESKTOP + '\\' +
                                                         m.archive_name())))
        self.run_machine('synced-desktop', check)


if __name__ == '__main__':
    unittest.main()
