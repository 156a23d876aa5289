"""Elevated safety and fault tolerance on the real exe: planted links and binaries never steer the
tool, odd values and files never cost the archive, an interrupted job leaves nothing behind.

The tool runs elevated while the log folder, the temporary folder, the desktop and the current
folder belong to the user. Unix symlinks inside the prefix stand for the links such a user can
plant; each test first checks that its link is in place.

What Wine 8 cannot show, so these tests do not try:
- NTFS junctions and Windows symbolic links: CreateSymbolicLinkW is a stub and
  FSCTL_SET_REPARSE_POINT fails. Unix symlinks are the worst case instead: CREATE_ALWAYS and
  CopyFileW follow them, a file symlink carries no reparse-point attribute (only the final-path
  check unmasks it), and DeleteFileW through one deletes its target.
- DACLs are stored but not enforced: that the job's private folder is closed to the user, and that
  the archive stays readable for them, cannot be observed.
- Library search: Wine prefers its builtin copy of a system library (psapi, setupapi, version,
  bcrypt, ...) to one planted in the program's or the current folder, even for a static import,
  and Windows maps its known DLLs from the system. So the planted libraries can only show that
  none is loaded; the rule that static imports are known system libraries is checked on the exe's
  import table instead.
- Mitigation policies and SetDllDirectoryW("") have no effect under Wine.
"""

import datetime as _dt
import os
import random
import socket
import subprocess
import sys
import unittest
import zipfile

import harness
import peinfo  # scripts/, on the path through harness
from machine import (DESKTOP, DOCUMENTS, DOWNLOADS, LOG_FOLDER, PRODUCT_COMMON, PRODUCT_USER,
                     PROFILE, Machine)
import test_label as label  # screenshot helpers that find the privacy link

sys.path.insert(0, os.path.join(harness.REPO, 'tools', 'sample'))
import default_machine as dm  # noqa: E402

OVERRIDE_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia\Helper'
PRODUCT_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia'
SAVED = 'Report file has been saved to desktop'
PLANTED_LIBRARIES = ('psapi.dll', 'SetupAPI.dll', 'cfgmgr32.dll', 'version.dll', 'bcrypt.dll',
                     'zlib1.dll')


def closed_port():
    """A loopback port nobody listens on: the address service fails at once."""
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def fast_network(m):
    """Ping localhost, address service on a closed loopback port: no wait for name servers."""
    m.reg(OVERRIDE_KEY, 'PingHost', 'REG_SZ', 'localhost')
    m.reg(OVERRIDE_KEY, 'AddressService', 'REG_SZ', '127.0.0.1:%d' % closed_port())
    return m


def small_machine():
    m = fast_network(Machine())
    m.file(PRODUCT_USER + r'\Prefs.ini', '[Main]\r\nLanguage=en\r\n')
    m.file(PRODUCT_USER + r'\Skiplist.ini', '[Skip]\r\n')
    m.file(PRODUCT_COMMON + r'\Prefs.ini', '[Main]\r\nChannel=stable\r\n')
    m.file(LOG_FOLDER + r'\DrvSetup.log', 'driver setup\r\n')
    return m


def snapshot(folder):
    """{relative path: (bytes, mtime, is link)} of everything under a Unix folder."""
    out = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, folder)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, 'rb') as f:
                    out[rel] = (f.read(), os.stat(path).st_mtime_ns, False)
            else:
                out[rel] = (None, None, os.path.islink(path))
    return out


def archive_name(date=None):
    return 'pv_info_%s_i.zip' % (date or _dt.date.today()).strftime('%Y%m%d')


def check_archive(test, path):
    """The archive is a real file that unzip, 7-Zip and Python's zipfile all accept."""
    test.assertTrue(os.path.isfile(path) and not os.path.islink(path), path)
    for cmd in (['unzip', '-tqq', path], ['7z', 't', '-bd', path]):
        res = subprocess.run(cmd, capture_output=True, text=True, errors='replace')
        test.assertEqual(res.returncode, 0, '%s: %s %s' % (cmd[0], res.stdout[-2000:],
                                                           res.stderr[-2000:]))
    with zipfile.ZipFile(path) as z:
        test.assertIsNone(z.testzip())


class PlantedLinks(unittest.TestCase):
    def test_log_folder_linked_to_a_victim_folder(self):
        m = small_machine()
        m.remove(LOG_FOLDER)
        # Canaries named like the reports the tool writes and deletes, and like collected logs.
        victim = r'C:\victim'
        for name in ('PingHosts.txt', 'MEMORYDMP.txt', 'pvreg.txt', 'NetInfo.txt',
                     'SystemInfo.txt', 'DeviceList.txt', 'FileList.txt', 'FileList_beta.txt',
                     'DrvSetup.log', r'Install\PvzInst.log'):
            m.file(victim + '\\' + name, 'canary %s\r\n' % name,
                   mtime=_dt.datetime(2020, 1, 2, 3, 4, 5))
        m.symlink(LOG_FOLDER, victim)
        with harness.Prefix(m, 'safety-logfolder') as px:
            logs = px.unix_path(LOG_FOLDER)
            self.assertTrue(os.path.islink(logs))
            before = snapshot(px.unix_path(victim))

            res = px.run_tool()

            self.assertIn(SAVED, res['message']['text'])
            self.assertTrue(os.path.islink(logs))
            self.assertEqual(snapshot(px.unix_path(victim)), before)
            path = px.archive_path()
            check_archive(self, path)
            members = harness.archive_members(path)
            # The product's own files still arrive; nothing from the victim folder does.
            for member in ('AppData/Prefs.ini', 'AppData/Skiplist.ini', 'ProgramData/Prefs.ini'):
                self.assertIn(member, members)
            for member in members:
                self.assertNotIn(b'canary', harness.archive_read(path, member), member)

    def test_archive_and_temporary_names_linked_to_canaries(self):
        m = small_machine()
        canaries = {name: 'canary %s\r\n' % name
                    for name in ('archive', 'staged', 'prefs', 'drvsetup')}
        for name, text in canaries.items():
            m.file(r'C:\canary\%s.txt' % name, text)
        m.symlink(DESKTOP + '\\' + archive_name(), r'C:\canary\archive.txt')
        with harness.Prefix(m, 'safety-names') as px:
            temp = px.temp_folder()
            os.makedirs(temp, exist_ok=True)
            # Named like a copy the job makes and like the archive it writes before moving it.
            links = {'Prefs.ini': 'prefs', 'DrvSetup.log': 'drvsetup', archive_name(): 'staged'}
            for link, canary in links.items():
                os.symlink(px.unix_path(r'C:\canary\%s.txt' % canary), os.path.join(temp, link))
            self.assertTrue(os.path.islink(px.archive_path()))
            for link in links:
                self.assertTrue(os.path.islink(os.path.join(temp, link)))

            res = px.run_tool()

            self.assertIn(SAVED, res['message']['text'])
            for name, text in canaries.items():
                with open(px.unix_path(r'C:\canary\%s.txt' % name), 'rb') as f:
                    self.assertEqual(f.read(), text.encode(), name)
            # The link at the archive's name was replaced by the archive itself.
            check_archive(self, px.archive_path())
            self.assertEqual(harness.archive_read(px.archive_path(), 'AppData/Prefs.ini'),
                             b'[Main]\r\nLanguage=en\r\n')
            # The links in the temporary folder are untouched (deleting one would delete its
            # target under Wine), and the job's own folder is gone.
            for link in links:
                self.assertTrue(os.path.islink(os.path.join(temp, link)), link)
            self.assertEqual(harness.job_folders(temp), [])


class PlantedBinaries(unittest.TestCase):
    def test_static_imports_are_known_system_libraries(self):
        imports = set(peinfo.PeFile(harness.build_file(harness.TOOL_EXE)).imports())
        self.assertIn('kernel32.dll', imports)
        self.assertEqual(imports - peinfo.KNOWN_IMPORTS, set())

    def test_planted_interpreter_ping_and_libraries_are_never_started(self):
        m = small_machine()
        # The tool's folder (Downloads) and its current folder (Documents) are the user's.
        folders = (DOWNLOADS, DOCUMENTS)
        with harness.Prefix(m, 'safety-binaries') as px:
            exe = harness.build_file('tools', 'plantedexe.exe')
            dll = harness.build_file('tools', 'planteddll.dll')
            planted = []
            for folder in folders:
                for name in ('cmd.exe', 'ping.exe', 'PING.COM'):
                    planted.append(px.install(exe, folder, name))
                for name in PLANTED_LIBRARIES:
                    if not os.path.exists(px.unix_path(folder + '\\' + name)):
                        planted.append(px.install(dll, folder, name))
            for path in planted:
                self.assertTrue(os.path.isfile(px.unix_path(path)), path)

            res = px.run_tool(cwd=DOCUMENTS)

            self.assertIn(SAVED, res['message']['text'])
            markers = [n for folder in folders for n in os.listdir(px.unix_path(folder))
                       if n.endswith('.ran')]
            self.assertEqual(markers, [])
            # The real interpreter and ping ran, from the system folder.
            ping = harness.read_report(os.path.join(px.log_folder(), 'PingHosts.txt'))
            self.assertIn('Pinging localhost [127.0.0.1]', ping)
            # The system report still found its libraries (process and device queries).
            self.assertIn('SystemInfo.txt', harness.archive_members(px.archive_path()))
            self.assertIn('DeviceList.txt', harness.archive_members(px.archive_path()))


class PlantedLinkOpener(unittest.TestCase):
    def test_link_opener_in_folders_the_user_writes_is_never_started(self):
        m = Machine()
        browser_dir = r'C:\testbrowser'
        for scheme in ('http', 'https'):
            m.reg(r'HKCR\%s\shell\open\command' % scheme, '', 'REG_SZ',
                  '"%s\\browser.exe" "%%1"' % browser_dir)
        with harness.Prefix(m, 'safety-opener') as px:
            px.install(harness.build_file('tools', 'Sorrel.exe'), browser_dir, 'browser.exe')
            exe = px.install_tool()                   # Downloads
            planted = [px.install_sorrel(DOWNLOADS), px.install_sorrel(PROFILE)]
            for path in planted:
                self.assertTrue(os.path.isfile(px.unix_path(path)))
            shots = {}
            probe = px.run_tool(press=False, exe=exe, on_window=lambda p: shots.update(
                png=p.screenshot('safety_opener')))
            left, top, width, height = probe['window']['rect']
            cw, ch = probe['window']['client']
            origin = (left + (width - cw) // 2, top + (height - ch) - (width - cw) // 2)
            x, y, w, h = label.LABEL
            row, first, last = label.find_link(label.pixels(shots['png'], origin[0] + x,
                                                            origin[1] + y, w, h))
            self.assertGreater(last - first, 20, 'no underlined link found')
            point = (x + (first + last) // 2, y + row - 4)

            px.run_tool(press=False, exe=exe, actions=['mouse-click'] + [str(v) for v in point])

            calls = label.wait_for_file(px.unix_path(browser_dir + r'\sorrel-calls.txt'))
            self.assertEqual(len(calls), 1, calls)
            self.assertIn('privacy.php', calls[0])
            for folder in (DOWNLOADS, PROFILE):
                self.assertFalse(os.path.exists(px.unix_path(folder + r'\sorrel-calls.txt')))


class OddInputs(unittest.TestCase):
    def test_odd_values_and_files_still_give_a_sound_archive(self):
        rnd = random.Random(8)
        prefs = bytes(rnd.getrandbits(8) for _ in range(3000))
        long_name = '\u00e9' * 56 + '.log'            # 300 units once escaped, with its folder
        astral_name = '\U0001F600.log'                 # one character, two UTF-16 units
        m = fast_network(dm.default_machine())
        m.reg(PRODUCT_KEY, 'shareid', 'REG_DWORD', 0x12345678)
        m.reg(dm.MAIN_KEY, 'DisplayIcon', 'REG_BINARY', bytes(range(1, 12)))
        m.file(PRODUCT_USER + r'\Prefs.ini', prefs)
        m.file(LOG_FOLDER + r'\Scheduler' + '\\' + long_name, 'long name\r\n')
        m.file(LOG_FOLDER + r'\Scheduler' + '\\' + astral_name, 'astral\r\n')
        m.file(LOG_FOLDER + r'\DrvPkgX.log', b'')
        m.file(LOG_FOLDER + r'\Install\PvzInst.log', 'first line\r\n')
        # Two links back to their own folder: a listing that followed them would never end.
        m.symlink(dm.BETA_DIR + r'\loop1', dm.BETA_DIR)
        m.symlink(dm.BETA_DIR + r'\loop2', dm.BETA_DIR)
        with harness.Prefix(m, 'safety-odd') as px:
            self.assertTrue(os.path.islink(px.unix_path(dm.BETA_DIR + r'\loop1')))
            big = px.unix_path(LOG_FOLDER + r'\DrvSetupEx.log')
            with open(big, 'wb') as f:
                f.truncate(5 * 1024 ** 3)              # sparse: no disk space taken
            temp = px.temp_folder()
            # The product writes its live log and lets others read, not write.
            holder = harness.FileHolder(px, LOG_FOLDER + r'\Install\PvzInst.log', 'read', 'live line\r\n')
            try:
                res = px.run_tool(timeout=240)
            finally:
                holder.close()

            self.assertIn(SAVED, res['message']['text'])
            path = px.archive_path()
            check_archive(self, path)
            members = harness.archive_members(path)
            self.assertNotIn('AppData/Logs/DrvSetupEx.log', members)
            long_member = 'AppData/Logs/Scheduler/' + '#00E9' * 56 + '.log'
            self.assertEqual(len(long_member.replace('/', '\\')), 307)
            self.assertEqual(harness.archive_read(path, long_member), b'long name\r\n')
            self.assertEqual(harness.archive_read(path, 'AppData/Logs/Scheduler/#D83D#DE00.log'),
                             b'astral\r\n')
            self.assertEqual(harness.archive_read(path, 'AppData/Logs/DrvPkgX.log'), b'')
            self.assertEqual(harness.archive_read(path, 'AppData/Prefs.ini'), prefs)
            self.assertEqual(harness.archive_read(path, 'AppData/Logs/Install/PvzInst.log'),
                             b'first line\r\nlive line\r\n')
            for report in ('pvreg.txt', 'SystemInfo.txt', 'FileList.txt', 'FileList_beta.txt',
                           'DeviceList.txt', 'PingHosts.txt'):
                self.assertIn(report, members)
            beta = harness.read_report(os.path.join(px.log_folder(), 'FileList_beta.txt'))
            self.assertNotIn('loop1', beta)
            self.assertIn('InnoSetup.log', beta)
            # Nothing of the job stays behind, least of all a 5 GB copy.
            self.assertEqual(harness.job_folders(temp), [])


class UnsavedArchive(unittest.TestCase):
    def test_archive_that_cannot_be_placed_is_never_reported_as_saved(self):
        m = small_machine()
        # A folder of the user's holds the archive's name: the finished archive cannot replace it.
        blocker = DESKTOP + '\\' + archive_name()
        m.file(blocker + r'\keep.txt', 'mine\r\n')
        with harness.Prefix(m, 'safety-unsaved') as px:
            temp = px.temp_folder()
            res = px.run_tool()
            self.assertEqual(res['message']['caption'], 'Completed')
            self.assertEqual(res['message']['text'], 'The report could not be saved.')
            with open(px.unix_path(blocker + r'\keep.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'mine\r\n')
            self.assertEqual(harness.job_folders(temp), [])


class Interrupted(unittest.TestCase):
    def test_window_closed_mid_job_leaves_no_archive_and_next_run_cleans_up(self):
        m = small_machine()
        rnd = random.Random(3)
        # Enough members that packing takes seconds: the close lands while the job packs.
        for i in range(3000):
            m.file(LOG_FOLDER + r'\Scheduler\s%04d.log' % i, rnd.randbytes(16 * 1024))
        with harness.Prefix(m, 'safety-interrupted') as px:
            temp = px.temp_folder()
            archive = px.archive_path()
            res = px.run_tool(close_mid_job=8000, check=False)
            self.assertFalse(res.get('message_box_seen'), res)
            self.assertTrue(res.get('process_ended'), res)
            # No box and no archive: the close came before the archive was placed. The job stops
            # packing once the window closed and may remove its folder before the process ends.
            self.assertFalse(os.path.lexists(archive))
            self.assertLessEqual(len(harness.job_folders(temp)), 1)
            self.assertEqual([n for n in os.listdir(px.unix_path(DESKTOP))
                              if n.lower().startswith(('pv_info_', '~pv_info_'))], [])

            res = px.run_tool(timeout=240)

            self.assertIn(SAVED, res['message']['text'])
            check_archive(self, archive)
            self.assertEqual(harness.job_folders(temp), [])


if __name__ == '__main__':
    unittest.main()
