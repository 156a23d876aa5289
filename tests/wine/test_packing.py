"""Archive packing on the real exe: member order for the sample machine, live logs, the
temporary folder, replacing the archive and links planted at the names the job uses."""

import datetime as _dt
import os
import sys
import unittest
from unittest import mock
import zipfile

import harness
from machine import DESKTOP, LOG_FOLDER, Machine, PRODUCT_USER

sys.path.insert(0, os.path.join(harness.REPO, 'tools', 'sample'))
import default_machine  # noqa: E402
import seed_product  # noqa: E402

# Members the writers add (their own reports and the files they collect); the plan's own files
# are checked exactly, these only for their place among them.
WRITER_MEMBERS = ('PingHosts.txt', 'MEMORYDMP.txt', 'pvreg.txt', 'NetInfo.txt', 'SystemInfo.txt',
                  'DeviceList.txt', 'FileList.txt', 'FileList_beta.txt', 'FileList_lumen3.txt',
                  'FileList_lumen4.txt', 'FileList_lumen5.txt', 'FileList_lumen.txt',
                  'AppData/Vault.ini', 'AppData/Vault.json')
WRITER_PREFIXES = ('AppData/Logs/Surge/', 'AppData/Surge/Logs/', 'AppData/Logs/Backup/')


def is_writer_member(name):
    return (name in WRITER_MEMBERS or name.startswith(WRITER_PREFIXES)
            or name.lower().endswith('.dmp') and '/' not in name and name != 'MiniDrvSetup.dmp')


def expected_plan_members(today):
    """The plan's members for the sample machine, in archive order."""
    def stamps(days):
        return [(today - _dt.timedelta(days=d)).strftime('%Y%m%d') for d in sorted(days)]
    main = sorted(set(seed_product.LOG_DAYS) | {0, 1, 40})
    main_days = [d for d in main if d <= 30]
    auto_days = {d for d in seed_product.LOG_DAYS if d <= 30} | {0}
    scan_days = [0, 1]
    beta_days = [d for d in seed_product.LOG_DAYS if d <= 30]
    out = ['Hosts']
    for d in main_days:
        s = stamps([d])[0]
        out.append('AppData/Logs/Main/%s.log' % s)
        if d in auto_days:
            out.append('AppData/Logs/Main/%s_auto.log' % s)
    out += ['AppData/Surge/Scratch.ini', 'AppData/Surge/Surge.ini', 'AppData/QrtScan.ini',
            'AppData/TendScan.ini', 'AppData/Logs/DrvSetup.log', 'AppData/Logs/DPINST.LOG',
            'AppData/Logs/Install/PvzInst.log', 'AppData/Logs/Install/DPINST.LOG',
            'MiniDrvSetup.dmp', 'AppData/Prefs.ini']
    out += ['AppData/Logs/Scan/%s.log' % s for s in stamps(scan_days)]
    out += ['AppData/Logs/Scheduler/T#00E2che.log', 'AppData/Logs/Scheduler/b.log',
            'AppData/Logs/Scheduler/a.log', 'AppData/Logs/Down/fetch.log',
            'AppData/Logs/Fix/repair.LOG', 'AppData/Logs/SelfRefresh.log',
            'AppData/Logs/Scan/parts.log', 'AppData/Logs/Applied/Applied.ini']
    out += ['AppData/Logs/Main/%s_beta.log' % s for s in stamps(beta_days)]
    out += ['AppData/Logs/Install/PvzInst_beta.log']
    out += ['AppData/Logs/Scan/%s_beta.log' % s for s in stamps(beta_days)]
    out += ['AppData/Logs/Scan/parts_beta.log', 'AppData/Prefs_beta.ini', 'Debug/trace.log',
            'AppData/Skiplist.ini', 'ProgramData/Prefs.ini', 'ProgramData/Logs/Fetcher.log',
            'ProgramData/pv4Fetcher.log', 'ProgramData/Fetcher/queue.log',
            'ProgramData/Prefs_beta.ini',
            'AppPath/Surge/Surge.ini', 'AppPath/PvLogInfo.log', 'AppPath/InnoSetup.log',
            'AppPath/Refresh/Refresh.ini', 'AppPath/Refresh/gratis.ini', 'AppPath/NoticeHub2.log',
            'AppPath/LocalStore/store.ini', 'bugreport.txt', 'x_plenvia_memorymanager_1.txt',
            'AppPath/SelfRefresh.log', 'AppPath/ProbeData/lookup.dat', 'AppPath/ProbeData/hw.dat',
            'AppPath/ProbeData/tuning.ini', 'AppPath/Database/Titles/UserTitle.ini',
            'AppPath/ProbeData/probe.cfg',
            'bugreport_beta.txt', 'AppPath_Beta/Surge/Surge.ini', 'bugreport_lumen3.txt',
            'AppPath_Beta/InnoSetup.log', 'AppPath_Lumen3/InnoSetup.log',
            'AppPath_Lumen3/Refresh/Refresh.ini', 'AppPath_Lumen3/Refresh/gratis.ini',
            'AppPath_Lumen5/Refresh/Refresh.ini', 'AppPath_Lumen5/Refresh/gratis.ini',
            'AppPath_Beta/Refresh/Refresh.ini', 'AppPath_Beta/Refresh/gratis.ini',
            'AppPath_Beta/LocalStore/store.ini', 'AppPath_Lumen3/LocalStore/store.ini',
            'AppPath_Lumen3/NoticeHub2.log', 'AppPath_Lumen3/SelfRefresh.log',
            'AppPath_Lumen5/LocalStore/store.ini', 'AppPath_Lumen5/NoticeHub2.log',
            'AppPath_Lumen5/SelfRefresh.log', 'AppPath_beta/NoticeHub2.log',
            'AppPath_beta/SelfRefresh.log', 'AppPath_beta/ProbeData/hw.dat',
            'AppPath_beta/ProbeData/parts.log', 'AppPath_beta/ProbeData/tuning.ini',
            'AppPath_Lumen3/ProbeData/hw.dat', 'AppPath_Lumen3/ProbeData/tuning.ini',
            'AppPath_Lumen5/ProbeData/hw.dat', 'AppPath_Lumen5/ProbeData/tuning.ini',
            'AppPath_Lumen5/ProbeData/GfxPatch.ini', 'AppData/Logs/Install/DPINST.LOG',
            'AppData/Logs/Install/setupapi.dev.log']
    return out


def small_machine():
    m = Machine()
    m.file(PRODUCT_USER + r'\Prefs.ini', '[Main]\r\nLanguage=en\r\n')
    m.file(LOG_FOLDER + r'\DrvSetup.log', 'driver setup\r\n')
    return m


def assert_valid_archive(test, path):
    test.assertFalse(os.path.islink(path))
    with zipfile.ZipFile(path) as z:
        test.assertIsNone(z.testzip())


class SampleMachineArchive(unittest.TestCase):
    def test_members_in_plan_order(self):
        m = default_machine.default_machine()
        with harness.Prefix(m, name='packing-order') as px:
            res = px.run_tool()
            self.assertIn('Report file has been saved to desktop', res['message']['text'])
            path = px.archive_path()
            assert_valid_archive(self, path)
            members = harness.archive_members(path)
            plan = [n for n in members if not is_writer_member(n)]
            self.assertEqual(plan, expected_plan_members(m.today))
            # The writers' reports sit at their steps: after the hosts file, before the logs.
            first_log = members.index(plan[1])
            for report in ('PingHosts.txt', 'pvreg.txt', 'SystemInfo.txt', 'FileList.txt'):
                self.assertLess(members.index(report), first_log, report)
            # The per-user DPINST.LOG and the Windows folder's one share a member name.
            dpinst = [i for i, n in enumerate(members) if n == 'AppData/Logs/Install/DPINST.LOG']
            self.assertEqual(len(dpinst), 2)
            with zipfile.ZipFile(path) as z:
                infos = z.infolist()
                self.assertEqual(z.read(infos[dpinst[0]]), b'INFO: install dpinst\r\n')
                self.assertEqual(z.read(infos[dpinst[1]]), b'INFO: windows dpinst\r\n')


class LiveLogs(unittest.TestCase):
    def test_log_held_open_for_writing_is_packed_with_current_contents(self):
        m = small_machine()
        m.file(LOG_FOLDER + r'\DrvSetupEx.log', 'first line\r\n')
        m.file(LOG_FOLDER + r'\PvzInst.log', 'unreadable\r\n')
        with harness.Prefix(m, name='packing-live') as px:
            # The product's way: writing, other readers allowed. CopyFileW and the ZIP writer's
            # read-only sharing both fail on such a file; the job's full-sharing copy does not.
            writer = harness.FileHolder(px, LOG_FOLDER + r'\DrvSetupEx.log', 'read',
                                        'live line\r\n')
            # No read sharing at all: Windows (and Wine) let nobody read it, so it is left out
            # while the rest is still packed.
            locker = harness.FileHolder(px, LOG_FOLDER + r'\PvzInst.log', 'write',
                                        'live line\r\n')
            try:
                px.run_tool()
            finally:
                writer.close()
                locker.close()
            path = px.archive_path()
            assert_valid_archive(self, path)
            members = harness.archive_members(path)
            self.assertEqual(harness.archive_read(path, 'AppData/Logs/DrvSetupEx.log'),
                             b'first line\r\nlive line\r\n')
            self.assertNotIn('AppData/Logs/PvzInst.log', members)
            self.assertIn('AppData/Logs/DrvSetup.log', members)


class TemporaryFolder(unittest.TestCase):
    def test_nothing_left_and_unrelated_files_survive(self):
        m = small_machine()
        m.file(r'C:\canary\secret.txt', 'canary\r\n')
        with harness.Prefix(m, name='packing-temp') as px:
            temp = px.temp_folder()
            os.makedirs(temp, exist_ok=True)
            # Named like collected files: an unrelated file and a planted link to a canary.
            with open(os.path.join(temp, 'Prefs.ini'), 'wb') as f:
                f.write(b'unrelated\r\n')
            os.symlink(px.unix_path(r'C:\canary\secret.txt'), os.path.join(temp, 'DrvSetup.log'))
            self.assertTrue(os.path.islink(os.path.join(temp, 'DrvSetup.log')))
            # A leftover of an interrupted run, and a folder that only looks like one.
            leftover = os.path.join(temp, 'PvReportJob.0123456789ABCDEF')
            os.makedirs(leftover)
            with open(os.path.join(leftover, 'Prefs.ini'), 'wb') as f:
                f.write(b'old copy')
            lookalike = os.path.join(temp, 'PvReportJob.keep')
            os.makedirs(lookalike)
            with open(os.path.join(lookalike, 'mine.txt'), 'wb') as f:
                f.write(b'mine')
            before = set(os.listdir(temp))

            px.run_tool()

            assert_valid_archive(self, px.archive_path())
            self.assertEqual(harness.archive_read(px.archive_path(), 'AppData/Prefs.ini'),
                             b'[Main]\r\nLanguage=en\r\n')
            with open(os.path.join(temp, 'Prefs.ini'), 'rb') as f:
                self.assertEqual(f.read(), b'unrelated\r\n')
            self.assertTrue(os.path.islink(os.path.join(temp, 'DrvSetup.log')))
            with open(px.unix_path(r'C:\canary\secret.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'canary\r\n')
            self.assertEqual(harness.job_folders(temp), ['PvReportJob.keep'])
            with open(os.path.join(lookalike, 'mine.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'mine')
            self.assertEqual(set(os.listdir(temp)) - before, set())


class ArchiveName(unittest.TestCase):
    def test_second_run_same_day_replaces_archive(self):
        with harness.Prefix(small_machine(), name='packing-twice') as px:
            px.run_tool()
            first = harness.archive_members(px.archive_path())
            self.assertIn('AppData/Logs/DrvSetup.log', first)
            self.assertNotIn('AppData/Skiplist.ini', first)
            with open(px.unix_path(PRODUCT_USER + r'\Skiplist.ini'), 'wb') as f:
                f.write(b'[Skip]\r\n')
            px.run_tool()
            path = px.archive_path()
            assert_valid_archive(self, path)
            self.assertIn('AppData/Skiplist.ini', harness.archive_members(path))
            desktop = px.unix_path(DESKTOP)
            self.assertEqual([n for n in os.listdir(desktop) if n.startswith('pv_info_')],
                             [os.path.basename(path)])

    def test_planted_link_at_archive_name_is_replaced_not_written_through(self):
        m = small_machine()
        m.file(r'C:\canary\archive.txt', 'canary\r\n')
        name = 'pv_info_%s_i.zip' % _dt.date.today().strftime('%Y%m%d')
        m.symlink(DESKTOP + '\\' + name, r'C:\canary\archive.txt')
        with harness.Prefix(m, name='packing-link') as px:
            self.assertTrue(os.path.islink(px.archive_path()))
            res = px.run_tool()
            self.assertIn('Report file has been saved to desktop', res['message']['text'])
            with open(px.unix_path(r'C:\canary\archive.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'canary\r\n')
            assert_valid_archive(self, px.archive_path())
            self.assertIn('AppData/Prefs.ini', harness.archive_members(px.archive_path()))


class LinkedSources(unittest.TestCase):
    def test_source_linked_outside_its_folder_is_not_packed(self):
        m = small_machine()
        m.file(r'C:\secret\key.txt', 'secret\r\n')
        m.symlink(LOG_FOLDER + r'\DrvSetupEx.log', r'C:\secret\key.txt')
        m.symlink(LOG_FOLDER + r'\DrvPkgX.log', LOG_FOLDER + r'\DrvSetup.log')
        with harness.Prefix(m, name='packing-srclink') as px:
            self.assertTrue(os.path.islink(px.unix_path(LOG_FOLDER + r'\DrvSetupEx.log')))
            px.run_tool()
            members = harness.archive_members(px.archive_path())
            self.assertNotIn('AppData/Logs/DrvSetupEx.log', members)
            # A link that stays inside the folder it was collected from is harmless.
            self.assertEqual(harness.archive_read(px.archive_path(), 'AppData/Logs/DrvPkgX.log'),
                             b'driver setup\r\n')



class LocalDateTest(unittest.TestCase):
    def test_archive_is_named_for_the_local_date(self):
        # Guards: the archive named for the UTC date in place of the local one. The zone is
        # chosen so that today's local date is not the UTC date, an hour or more from midnight.
        now = _dt.datetime.now(_dt.timezone.utc)
        zone, hours = ('Etc/GMT+12', -12) if now.hour < 11 else ('Etc/GMT-14', 14)
        local = (now + _dt.timedelta(hours=hours)).date()
        self.assertNotEqual(local, now.date())
        # The prefix's processes take the zone from their environment.
        with mock.patch.dict(os.environ, {'TZ': zone}), \
                harness.Prefix(Machine(), 'packing-tz') as px:
            res = px.run_tool()
            name = 'pv_info_%s_i.zip' % local.strftime('%Y%m%d')
            self.assertTrue(res['message']['text'].endswith('Filename : ' + name),
                            res['message']['text'])
            self.assertTrue(os.path.isfile(px.archive_path(local)))
            self.assertFalse(os.path.exists(px.archive_path(now.date())))


if __name__ == '__main__':
    unittest.main()
