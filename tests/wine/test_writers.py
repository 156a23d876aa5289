"""The report writers on the real exe: file listings, memory-dump listing, ping and address-service
reports, registry dump, log collectors and driver-backup indexes.

The address service is a loopback server of this test that records the request bytes; the
endpoints are aimed at it (and the ping at a chosen host) through the machine-wide override values
under HKLM\\SOFTWARE\\Orvix\\Plenvia\\Helper, which only an administrator can set.
"""

import hashlib
import os
import re
import socket
import threading
import unittest

import harness
from harness import Machine
from machine import DOCUMENTS, DOWNLOADS, LOG_FOLDER, PROGRAM_FILES_X86, UNINSTALL
import seed_writers as sw

APP_FOLDER = PROGRAM_FILES_X86 + r'\Orvix\Plenvia'
MAIN_UNINSTALL = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Plenvia_is1'
OVERRIDE_KEY = r'HKLM\SOFTWARE\Orvix\Plenvia\Helper'
EMPTY_MD5 = 'D41D8CD98F00B204E9800998ECF8427E'
APP_FILES = {
    'Plenvia.exe': b'MZ' + bytes(range(200)) * 3,
    'Zeta.dll': b'MZ' + b'z' * 1000,
    r'Data\alpha.dat': b'alpha data',
    r'Data\empty.bin': b'',
    # Windows' word sort ignores hyphens and apostrophes: lookupa < lookup-pro < lookupz and
    # itsa < it'z, where an ordinal comparison puts each of them first.
    r'Data\lookup-pro.dat': b'pro',
    r'Data\lookupa.dat': b'a',
    r'Data\lookupz.dat': b'z',
    "Data\\it'z.dat": b'apostrophe',
    r'Data\itsa.dat': b'itsa',
}
# The Data folder's lines in the listing's order (the user's locale, word sort).
DATA_ORDER = ['alpha.dat', 'empty.bin', 'itsa.dat', "it'z.dat", 'lookupa.dat', 'lookup-pro.dat',
              'lookupz.dat']
# A library with a version resource (tools/versioned), listed with its file version.
VERSIONED = APP_FOLDER + r'\Engine.dll'
EXPECTED_REQUEST = (b'GET /all HTTP/1.0\r\n'
                    b'Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n'
                    b'User-Agent: Mozilla/4.0\r\n'
                    b'Host: 127.0.0.1:%d\r\n\r\n')


class AddressServer:
    """A loopback HTTP server: records every request's bytes; `routes` maps a path to the raw
    response bytes, or to None for a server that accepts and then stays silent."""

    def __init__(self):
        self.routes = {}
        self.requests = []
        self._sock = socket.socket()
        self._sock.bind(('127.0.0.1', 0))
        self._sock.listen(16)
        self.port = self._sock.getsockname()[1]
        self._stop = threading.Event()
        self._held = []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        self._sock.settimeout(0.2)
        while not self._stop.is_set():
            try:
                conn, _ = self._sock.accept()
            except OSError:
                continue
            threading.Thread(target=self._handle, args=(conn,), daemon=True).start()

    def _handle(self, conn):
        conn.settimeout(10)
        data = b''
        try:
            while b'\r\n\r\n' not in data:
                chunk = conn.recv(4096)
                if not chunk:
                    break
                data += chunk
            # Anything sent after the empty line would be a fault of the request too.
            conn.settimeout(0.3)
            try:
                data += conn.recv(4096)
            except socket.timeout:
                pass
        except OSError:
            pass
        self.requests.append(data)
        path = data.split(b' ')[1].decode() if data.count(b' ') >= 2 else ''
        response = self.routes.get(path, b'HTTP/1.0 404 Not Found\r\n\r\nno route')
        if response is None:
            self._held.append(conn)   # silent: keep it open, never answer
            return
        try:
            conn.sendall(response)
        finally:
            conn.close()

    def close(self):
        self._stop.set()
        for conn in self._held:
            conn.close()
        self._sock.close()


def ok(body, status='200 OK'):
    return b'HTTP/1.0 ' + status.encode() + b'\r\nContent-Type: text/plain\r\n\r\n' + body


def writers_machine(server, ping_host='localhost'):
    m = Machine()
    sw.seed(m)
    sw.seed_dumps(m)
    m.reg(MAIN_UNINSTALL, 'DisplayIcon', 'REG_SZ', APP_FOLDER + r'\Plenvia.exe')
    for name, data in APP_FILES.items():
        m.file(APP_FOLDER + '\\' + name, data)
    m.build_output(VERSIONED, 'tools', 'Versioned.dll')
    m.reg(OVERRIDE_KEY, 'PingHost', 'REG_SZ', ping_host)
    m.reg(OVERRIDE_KEY, 'AddressService', 'REG_SZ', '127.0.0.1:%d' % server.port)
    # Decoys in the native view: the overrides and the dumped values are read in the 32-bit one.
    m.reg(OVERRIDE_KEY, 'PingHost', 'REG_SZ', 'native-view.invalid', view=64)
    m.reg(OVERRIDE_KEY, 'AddressService', 'REG_SZ', '127.0.0.1:1', view=64)
    for name in sw.REGISTRY_VALUES:
        m.reg(sw.PRODUCT_KEY, name, 'REG_SZ', 'native view', view=64)
    return m


def listing(px, name):
    """(path, size, version, digest) of each line of a FileList report."""
    text = harness.read_report(os.path.join(px.log_folder(), name))
    assert text.endswith('\r\n') or text == '', text
    rows = []
    for line in text.split('\r\n')[:-1]:
        path, size, version, digest = line.rsplit(', ', 3)
        rows.append((path, int(size), version, digest))
    return rows


class WritersOnSampleMachine(unittest.TestCase):
    def setUp(self):
        self.server = AddressServer()
        self.addCleanup(self.server.close)

    def test_reports_of_the_sample_machine(self):
        body = b'ip=203.0.113.9\ncountry=ZZ\n'
        self.server.routes['/all'] = ok(body)
        m = writers_machine(self.server)
        m.file(LOG_FOLDER + r'\FileList_beta.txt', b'\xff\xfestale')   # no beta edition now
        m.file(LOG_FOLDER + r'\NetInfo.txt', b'stale answer')
        with harness.Prefix(m, 'writers-sample') as px:
            # An interpreter and a ping planted in the tool's folder and the current folder: a test
            # double that notes each start in sorrel-calls.txt beside itself.
            sorrel = harness.build_file('tools', 'Sorrel.exe')
            for folder in (DOWNLOADS, DOCUMENTS):
                px.install(sorrel, folder, 'cmd.exe')
                px.install(sorrel, folder, 'ping.exe')
            px.run_tool(cwd=DOCUMENTS)
            for folder in (DOWNLOADS, DOCUMENTS):
                self.assertTrue(os.path.isfile(px.unix_path(folder + r'\ping.exe')))
                self.assertFalse(os.path.exists(px.unix_path(folder + r'\sorrel-calls.txt')))
            members = harness.archive_members(px.archive_path())
            logs = px.log_folder()

            # The address service: the exact request, the answer as received, packed.
            self.assertEqual(self.server.requests, [EXPECTED_REQUEST % self.server.port])
            with open(os.path.join(logs, 'NetInfo.txt'), 'rb') as f:
                self.assertEqual(f.read(), body)
            self.assertEqual(harness.archive_read(px.archive_path(), 'NetInfo.txt'), body)

            # Main listing: installation files with their real digests, shared folders without.
            rows = listing(px, 'FileList.txt')
            by_path = {r[0]: r for r in rows}
            for name, data in APP_FILES.items():
                row = by_path[APP_FOLDER + '\\' + name]
                self.assertEqual(row[1], len(data))
                self.assertEqual(row[3], hashlib.md5(data).hexdigest().upper(), name)
            self.assertEqual(by_path[APP_FOLDER + r'\Data\empty.bin'][3], EMPTY_MD5)
            shared = [sw.DOWNLOAD_FOLDER + '\\' + n for n in sw.DOWNLOAD_FILES] + \
                     [sw.BACKUP_FOLDER + '\\' + n for n in sw.BACKUP_FILES]
            for path in shared:
                self.assertEqual(by_path[path][3], '', path)
            self.assertEqual(len(rows), len(APP_FILES) + len(shared) + 1)
            # Guards: an ordinal or string-sort comparison in place of the locale's word sort.
            data = APP_FOLDER + '\\Data\\'
            self.assertEqual([r[0][len(data):] for r in rows if r[0].startswith(data)], DATA_ORDER)
            paths = [r[0] for r in rows]
            self.assertEqual(paths, sorted(paths, key=lambda p: re.sub("[-']", '', p).lower()))
            # Guards: a version reader that gives nothing, or the string table's text.
            with open(px.build_file('tools', 'Versioned.dll'), 'rb') as f:
                engine = f.read()
            self.assertEqual(by_path[VERSIONED], (VERSIONED, len(engine), '10.2.0.110',
                                                  hashlib.md5(engine).hexdigest().upper()))
            self.assertEqual([r[0] for r in rows if r[2]], [VERSIONED])
            self.assertIn('FileList.txt', members)

            # No beta edition: the old beta listing is gone and not packed.
            self.assertFalse(os.path.exists(os.path.join(logs, 'FileList_beta.txt')))
            self.assertNotIn('FileList_beta.txt', members)

            # Minidumps newest first, then two empty lines and the full dump.
            dump_lines = harness.read_report(os.path.join(logs, 'MEMORYDMP.txt')).split('\r\n')
            newest, older = sw.MINIDUMPS[1], sw.MINIDUMPS[0]
            self.assertEqual(dump_lines[0], sw.MINIDUMP_FOLDER + '\\' + newest[0])
            self.assertEqual(dump_lines[1], '2.5 MB')
            # Wine keeps no creation time of its own (it reads back the change time, whatever
            # SetFileTime set), so only the line's shape is seen here.
            self.assertTrue(dump_lines[2].startswith('CreateTime: '))
            self.assertEqual(dump_lines[3], 'ModifyTime: 1/15/2024')
            self.assertEqual(dump_lines[6], sw.MINIDUMP_FOLDER + '\\' + older[0])
            self.assertEqual(dump_lines[7], '128 KB')
            self.assertEqual(dump_lines[12:16], ['', '', sw.FULL_DUMP, '1.5 KB'])
            self.assertEqual(dump_lines[17], 'ModifyTime: 12/20/2023')
            self.assertIn('MEMORYDMP.txt', members)

            # Ping of localhost: the first line, with the address in brackets.
            ping = harness.read_report(os.path.join(logs, 'PingHosts.txt'))
            self.assertIn('Pinging localhost [127.0.0.1]', ping)
            self.assertTrue(ping.endswith('\r\n'))
            self.assertIn('PingHosts.txt', members)

            # Registry dump, 32-bit view values.
            with open(os.path.join(logs, 'pvreg.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'\xff\xfe' + (
                    'ftype=full\r\nshareid=PV-5521-ACX\r\nshare_id=88172\r\n').encode('utf-16-le'))
            self.assertIn('pvreg.txt', members)

            # Log collectors and driver-backup indexes.
            self.assertIn('AppData/Logs/Backup/backup_20240105.log', members)
            self.assertNotIn('AppData/Logs/Backup/archive.log', members)
            self.assertIn('AppData/Logs/Surge/surge_session.log', members)
            self.assertIn('AppData/Surge/Logs/surge_service.log', members)
            self.assertLess(members.index('AppData/Logs/Surge/surge_session.log'),
                            members.index('AppData/Logs/Backup/backup_20240105.log'))
            # Members are stored with '/' for the '\\' of their names.
            for name in ('Vault.ini', 'Vault.json'):
                self.assertEqual(harness.archive_read(px.archive_path(), 'AppData/' + name),
                                 sw.BACKUP_FILES[name])

    def test_failures_keep_the_archive(self):
        # Only the full dump, an unresolvable ping host, a 404 answer and a DWORD "shareid".
        self.server.routes['/all'] = ok(b'not here', '404 Not Found')
        m = writers_machine(self.server, ping_host='nohost.invalid')
        m.remove(sw.MINIDUMP_FOLDER)
        for name, _, _ in sw.MINIDUMPS:
            m.remove(sw.MINIDUMP_FOLDER + '\\' + name)
        m.reg(sw.PRODUCT_KEY, 'shareid', 'REG_DWORD', 12345)
        with harness.Prefix(m, 'writers-failures') as px:
            px.run_tool()
            logs = px.log_folder()
            self.assertTrue(os.path.isfile(px.archive_path()))
            members = harness.archive_members(px.archive_path())

            dump_lines = harness.read_report(os.path.join(logs, 'MEMORYDMP.txt')).split('\r\n')
            self.assertEqual(dump_lines[:4], ['', '', sw.FULL_DUMP, '1.5 KB'])

            ping = harness.read_report(os.path.join(logs, 'PingHosts.txt'))
            self.assertIn('nohost.invalid', ping)
            self.assertNotIn('[', ping)

            # The failed fetch leaves its answer on disk but out of the archive.
            with open(os.path.join(logs, 'NetInfo.txt'), 'rb') as f:
                self.assertEqual(f.read(), b'not here')
            self.assertNotIn('NetInfo.txt', members)

            # A non-string "shareid" no longer costs the archive.
            self.assertEqual(harness.read_report(os.path.join(logs, 'pvreg.txt')),
                             'ftype=full\r\nshareid=12345\r\nshare_id=88172\r\n')
            self.assertIn('pvreg.txt', members)

    def test_redirects_authentication_and_silence(self):
        s = self.server
        s.routes['/all'] = b'HTTP/1.0 302 Found\r\nLocation: /step1\r\n\r\n'
        s.routes['/step1'] = b'HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:%d/step2\r\n' \
                             b'Content-Length: 0\r\n\r\n' % s.port
        s.routes['/step2'] = ok(b'address after redirects')
        m = writers_machine(s)
        with harness.Prefix(m, 'writers-http') as px:
            logs = px.log_folder()
            px.run_tool()
            self.assertEqual([r.split(b' ')[1] for r in s.requests],
                             [b'/all', b'/step1', b'/step2'])
            self.assertEqual(s.requests[2], (EXPECTED_REQUEST % s.port).replace(b'/all', b'/step2'))
            self.assertEqual(harness.archive_read(px.archive_path(), 'NetInfo.txt'),
                             b'address after redirects')

            # 401 counts as an answer.
            s.requests.clear()
            s.routes['/all'] = ok(b'who are you', '401 Unauthorized')
            px.run_tool()
            self.assertEqual(harness.archive_read(px.archive_path(), 'NetInfo.txt'), b'who are you')

            # Six redirections are one too many.
            s.requests.clear()
            for i in range(6):
                s.routes['/all' if i == 0 else '/loop%d' % i] = \
                    b'HTTP/1.0 302 Found\r\nLocation: /loop%d\r\n\r\n' % (i + 1)
            s.routes['/loop6'] = ok(b'too far')
            px.run_tool()
            self.assertEqual(len(s.requests), 6)
            self.assertNotIn('NetInfo.txt', harness.archive_members(px.archive_path()))

            # A server that never answers ends the fetch after the inactivity limit.
            s.requests.clear()
            s.routes['/all'] = None
            # run_tool's timeout is the watchdog for a fetch that never gave up; the lower bound
            # is the tool's own inactivity timer, which no machine's speed can shorten.
            res = px.run_tool(timeout=180)
            self.assertEqual(len(s.requests), 1)
            self.assertGreaterEqual(res['press_to_message_ms'], 30000)
            self.assertNotIn('NetInfo.txt', harness.archive_members(px.archive_path()))
            self.assertTrue(os.path.isfile(os.path.join(logs, 'NetInfo.txt')))


class EditionListingsOnDefaultMachine(unittest.TestCase):
    def test_beta_and_games_store_listings(self):
        import default_machine as dm
        server = AddressServer()
        self.addCleanup(server.close)
        server.routes['/all'] = ok(b'ip=198.51.100.4\n')
        m = dm.default_machine()
        m.reg(OVERRIDE_KEY, 'PingHost', 'REG_SZ', 'localhost')
        m.reg(OVERRIDE_KEY, 'AddressService', 'REG_SZ', '127.0.0.1:%d' % server.port)
        with harness.Prefix(m, 'writers-editions') as px:
            px.run_tool()
            members = harness.archive_members(px.archive_path())
            shared = [sw.DOWNLOAD_FOLDER + '\\' + n for n in sw.DOWNLOAD_FILES] + \
                     [sw.BACKUP_FOLDER + '\\' + n for n in sw.BACKUP_FILES]
            targets = {'FileList_beta.txt': dm.BETA_DIR,
                       'FileList_lumen3.txt': dm.EDITION_DIRS['Lumen App 612830'],
                       'FileList_lumen5.txt': dm.EDITION_DIRS['Lumen App 739520']}
            for name, folder in targets.items():
                rows = listing(px, name)
                self.assertIn(name, members)
                for path, size, _, digest in rows:
                    self.assertTrue(path.startswith(folder + '\\') or path in shared, path)
                    with open(px.unix_path(path), 'rb') as f:
                        data = f.read()
                    # Every line of these listings has its digest, shared folders' files too.
                    self.assertEqual((size, digest), (len(data), hashlib.md5(data).hexdigest().upper()),
                                     path)
                self.assertEqual(len([r for r in rows if r[0] in shared]), len(shared))
            for name in ('FileList_lumen4.txt', 'FileList_lumen.txt'):
                self.assertNotIn(name, members)

            # The beta edition goes away: its listing is deleted, not left for the next archive.
            beta = px.unix_path(dm.BETA_DIR)
            for root, dirs, files in os.walk(beta, topdown=False):
                for f in files:
                    os.unlink(os.path.join(root, f))
                for d in dirs:
                    os.rmdir(os.path.join(root, d))
            os.rmdir(beta)
            # And a later games-store edition maps to the same listing as the first one.
            later = r'C:\Games2\Plenvia'
            os.makedirs(px.unix_path(later))
            with open(os.path.join(px.unix_path(later), 'later.txt'), 'wb') as f:
                f.write(b'later edition')
            px.wine(['reg', 'add', UNINSTALL + r'\Lumen App 796110', '/v', 'InstallLocation',
                     '/d', later, '/f', '/reg:64'])
            px.run_tool()
            self.assertFalse(os.path.exists(os.path.join(px.log_folder(), 'FileList_beta.txt')))
            self.assertNotIn('FileList_beta.txt', harness.archive_members(px.archive_path()))
            lumen3 = [r[0] for r in listing(px, 'FileList_lumen3.txt')]
            self.assertIn(later + r'\later.txt', lumen3)
            first = dm.EDITION_DIRS['Lumen App 612830'] + '\\'
            self.assertFalse([p for p in lumen3 if p.startswith(first)])


class LargeFileDigest(unittest.TestCase):
    def test_file_beyond_32_bit_mapping_gets_its_real_digest(self):
        # Mapping a whole file of this size into a 32-bit process fails; it used to be listed
        # with the digest of empty input.
        server = AddressServer()
        self.addCleanup(server.close)
        m = writers_machine(server)
        size = (1 << 31) + 12345
        with harness.Prefix(m, 'writers-bigfile') as px:
            big = px.unix_path(APP_FOLDER + r'\Data\huge.bin')
            with open(big, 'wb') as f:
                f.write(b'head')
                f.truncate(size)
            md5 = hashlib.md5()
            with open(big, 'rb') as f:
                for block in iter(lambda: f.read(1 << 22), b''):
                    md5.update(block)
            px.run_tool(timeout=300)
            rows = {r[0]: r for r in listing(px, 'FileList.txt')}
            row = rows[APP_FOLDER + r'\Data\huge.bin']
            self.assertEqual(row[1], size)
            self.assertEqual(row[3], md5.hexdigest().upper())


if __name__ == '__main__':
    unittest.main()
