"""pvtriage as a program: exit codes, the outputs on the tool's own archive and on variants
derived from it, two-archive comparison, and hostile input."""
import json
import os
import shutil
import tempfile
import unittest
import zipfile
import zlib

from cli_support import (MAKER_HOST, SETUPAPI_LOG, TOOL_ARCHIVE, corrupt_member, deflate, derive,
                         edit_device, everything_variant, raw_zip, run, utf16)


class Folder(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pvtriage-cli-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def json_of(self, *args):
        code, out, err = run("--json", *args)
        self.assertEqual(code, 0, err)
        return json.loads(out)


class ExitCodes(Folder):
    def test_usage_errors_exit_64_with_a_usage_line(self):
        cases = [
            [],
            ["--bogus", TOOL_ARCHIVE],
            ["--window", "many", TOOL_ARCHIVE],
            ["--window", "-1", TOOL_ARCHIVE],
            ["--fail-on", "info", TOOL_ARCHIVE],
            ["--html"],
            ["--json=yes", TOOL_ARCHIVE],
            [TOOL_ARCHIVE, TOOL_ARCHIVE, TOOL_ARCHIVE],
            ["--html", self.path("x.html"), TOOL_ARCHIVE, TOOL_ARCHIVE],
            ["--fail-on", "error", TOOL_ARCHIVE, TOOL_ARCHIVE],
        ]
        for args in cases:
            with self.subTest(args=args):
                code, out, err = run(*args)
                self.assertEqual(code, 64)
                self.assertEqual(out, "")
                self.assertIn("usage: pvtriage", err)
        self.assertFalse(os.path.exists(self.path("x.html")))

    def test_unreadable_archives_exit_2_with_one_sentence_and_no_output(self):
        with open(TOOL_ARCHIVE, "rb") as f:
            whole = f.read()
        encrypted = bytearray(raw_zip([("SystemInfo.txt", b"x", 0, 1, zlib.crc32(b"x"), 1)]))
        cases = {
            "truncated.zip": (whole[: len(whole) * 2 // 3], "is truncated"),
            "text.zip": (b"not an archive at all\n" * 10, "is not a ZIP archive"),
            "empty.zip": (b"", "is empty"),
            "encrypted.zip": (bytes(encrypted), "is encrypted"),
            "deflate64.zip": (raw_zip([("DeviceList.txt", b"abcd", 9, 4, 0, 0)]),
                              "compression method 9"),
        }
        for name, (data, sentence) in cases.items():
            with self.subTest(name=name):
                with open(self.path(name), "wb") as f:
                    f.write(data)
                html = self.path(name + ".html")
                for args in (["--json", "--html", html], ["--verify"], []):
                    code, out, err = run(*args, self.path(name))
                    self.assertEqual(code, 2)
                    self.assertEqual(out, "")
                    self.assertEqual(err.count("\n"), 1, err)
                    self.assertTrue(err.startswith("pvtriage: ") and err.endswith(".\n"), err)
                    self.assertIn(sentence, err)
                self.assertFalse(os.path.exists(html))
        # Either side of a comparison.
        code, out, err = run(TOOL_ARCHIVE, self.path("truncated.zip"))
        self.assertEqual((code, out), (2, ""))
        self.assertIn("truncated.zip", err)

    def test_missing_file_exits_2(self):
        code, out, err = run(self.path("absent.zip"))
        self.assertEqual((code, out), (2, ""))
        self.assertIn("cannot open", err)

    def test_fail_on_exits_1_only_when_such_a_finding_exists(self):
        only_warnings = self.path("hosts-only.zip")
        with zipfile.ZipFile(only_warnings, "w") as z:
            z.writestr("Hosts", b"127.0.0.1 localhost\r\n")  # every report missing: warnings
        for args, expected in [(["--fail-on", "error", TOOL_ARCHIVE], 1),
                               (["--fail-on", "warning", TOOL_ARCHIVE], 1),
                               (["--fail-on", "error", only_warnings], 0),
                               (["--fail-on", "warning", only_warnings], 1),
                               ([only_warnings], 0)]:
            with self.subTest(args=args):
                code, out, err = run(*args)
                self.assertEqual(code, expected, err)
                self.assertIn("Findings:", out)


class ToolArchive(Folder):
    def test_json_reads_the_tools_own_archive(self):
        report = self.json_of("--verify", TOOL_ARCHIVE)
        self.assertEqual(report["schema"], 2)
        self.assertEqual(report["archive"]["members"], 108)
        self.assertEqual(report["archive"]["damaged"], [])
        self.assertEqual(report["archive"]["missing_reports"], [])
        self.assertGreater(report["devices"]["count"], 0)
        for finding in report["findings"]:
            self.assertIn(finding["severity"], ("error", "warning", "info"))
            self.assertTrue(finding["id"] and finding["text"])

    def test_variants_of_the_issue_each_show_in_json_and_text(self):
        archive = everything_variant(TOOL_ARCHIVE, self.path("variant.zip"))
        report = self.json_of(archive)

        camera = [d for d in report["devices"]["with_problems"] if d["name"] == "Integrated Camera"]
        self.assertEqual(len(camera), 1)
        self.assertEqual((camera[0]["problem"], camera[0]["code"]), (28, 28))

        bsod = [c for c in report["crashes"] if c["source"] == "BSOD Time"]
        self.assertEqual(len(bsod), 1)
        self.assertEqual(bsod[0]["time"], "2024-04-02T18:45:10")
        before = {d["name"]: d for d in bsod[0]["installs_before"]}
        self.assertIn("Realtek Audio", before)
        self.assertTrue(before["Realtek Audio"]["rollback"])
        self.assertEqual(before["Realtek Audio"]["installed"], "2024-04-01T18:45:10Z")

        self.assertEqual(report["driver_installs"]["sections"], 2)
        failed = report["driver_installs"]["failed"]
        self.assertEqual(len(failed), 1)
        self.assertEqual(failed[0]["status"], "FAILURE(0xe0000219)")
        self.assertEqual(failed[0]["device"], "USB\\VID_0BDA&PID_8153\\000001")
        self.assertEqual(failed[0]["start"], "2024-04-01T10:15:22")

        self.assertIn({"host": MAKER_HOST, "address": "10.20.30.40"},
                      [{"host": h["host"], "address": h["address"]}
                       for h in report["network"]["hosts_redirects"]])

        ids = {f["id"] for f in report["findings"]}
        for expected in ("device.problem", "crash.recent_driver_rollback", "install.failed",
                         "hosts.maker_redirect"):
            self.assertIn(expected, ids)
        severities = [f["severity"] for f in report["findings"]]
        self.assertEqual(severities, sorted(severities, key=["error", "warning", "info"].index))

        code, text, err = run(archive)
        self.assertEqual(code, 0, err)
        for finding in report["findings"]:
            if finding["severity"] != "info":
                self.assertIn(finding["text"], text)
        self.assertLess(text.index("Findings:"), text.index("Devices with problems"))

    def test_corrupted_members_are_damaged(self):
        archive = derive(TOOL_ARCHIVE, self.path("corrupt.zip"))
        corrupt_member(archive, "DeviceList.txt")
        corrupt_member(archive, "AppData/Logs/Main/20261210.log")
        quick = self.json_of(archive)
        self.assertEqual(quick["archive"]["damaged"], ["DeviceList.txt"])
        self.assertFalse(quick["archive"]["verified"])
        verified = self.json_of("--verify", archive)
        self.assertEqual(verified["archive"]["damaged"],
                         ["DeviceList.txt", "AppData/Logs/Main/20261210.log"])
        self.assertIn("archive.damaged", {f["id"] for f in verified["findings"]})
        code, text, _ = run("--verify", archive)
        self.assertEqual(code, 0)
        self.assertIn("AppData/Logs/Main/20261210.log", text)

    def test_comparison_lists_a_changed_driver_and_a_cleared_problem(self):
        older = everything_variant(TOOL_ARCHIVE, self.path("older.zip"))
        newer = derive(older, self.path("newer.zip"), {
            "DeviceList.txt": lambda data: edit_device("Realtek Audio", {"Vern": "6.0.9100.1"})(
                edit_device("Integrated Camera", {"Prob": "0", "Code": "0"})(data))})
        report = self.json_of(older, newer)
        self.assertEqual(report["schema"], 2)
        kinds = {(c["kind"], c["name"]) for c in report["changes"]}
        self.assertIn(("driver_changed", "Realtek Audio"), kinds)
        self.assertIn(("problem_cleared", "Integrated Camera"), kinds)
        changed = [c for c in report["changes"] if c["kind"] == "driver_changed"][0]
        self.assertIn("6.0.9088.1", changed["before"])
        self.assertIn("6.0.9100.1", changed["after"])
        code, text, err = run(older, newer)
        self.assertEqual(code, 0, err)
        for change in report["changes"]:
            self.assertIn(change["text"], text)

    def test_html_page_is_written_whole_and_stands_alone(self):
        page = self.path("page.html")
        code, out, err = run("--html", page, everything_variant(TOOL_ARCHIVE, self.path("v.zip")))
        self.assertEqual(code, 0, err)
        self.assertIn("Findings:", out)
        with open(page, encoding="utf-8") as f:
            html = f.read()
        self.assertTrue(html.endswith("</html>\n"))
        self.assertIn("<svg", html)
        self.assertNotIn("<script", html)
        self.assertEqual(os.listdir(self.folder).count("page.html"), 1)
        self.assertEqual([n for n in os.listdir(self.folder) if n.startswith("page.html.")], [])

    def test_unwritable_html_file_exits_73_with_nothing_on_stdout(self):
        code, out, err = run("--html", self.path("no/such/folder/page.html"), TOOL_ARCHIVE)
        self.assertEqual((code, out), (73, ""))
        self.assertIn("cannot write", err)


class Hostile(Folder):
    def test_path_like_names_are_only_names(self):
        archive = self.path("names.zip")
        with open(archive, "wb") as f:
            f.write(raw_zip([(name, b"x", 0, 1, zlib.crc32(b"x"), 0) for name in
                             ("../../escaped.txt", "/tmp/absolute.txt", "C:\\Windows\\x.txt",
                              "..\\..\\back.txt")]))
        work = os.path.join(self.folder, "a", "b")
        os.makedirs(work)
        before = sorted(os.walk(self.folder))
        code, _, err = run("--verify", "--json", archive, cwd=work)
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(os.walk(self.folder)), before)
        self.assertFalse(os.path.exists("/tmp/absolute.txt"))

    def test_over_cap_reports_are_findings_not_reads(self):
        zeros = b"\0" * (64 << 20)
        packed = deflate(zeros)
        archive = self.path("bomb.zip")
        with open(archive, "wb") as f:
            f.write(raw_zip([
                ("SystemInfo.txt", packed, 8, len(zeros), zlib.crc32(zeros), 0),  # honest size
                ("DeviceList.txt", packed, 8, 1000, zlib.crc32(zeros), 0),         # lying size
            ]))
        # The bytes the reader may inflate are bounded in Archive_test; here it must return at all.
        report = self.json_of("--verify", archive)
        self.assertEqual(report["archive"]["over_cap"], ["SystemInfo.txt"])
        self.assertEqual(report["archive"]["damaged"], ["DeviceList.txt"])
        ids = {f["id"] for f in report["findings"]}
        self.assertIn("archive.overcap", ids)
        self.assertIn("archive.damaged", ids)

    def test_odd_encodings_and_megabyte_lines_are_read_without_failing(self):
        def odd_length(data):
            return data[:-1]

        def no_bom(data):
            return data[2:]

        def long_line(data):
            return data + utf16("X" * (3 << 20) + "\r\n")[2:]

        archive = derive(TOOL_ARCHIVE, self.path("odd.zip"), {
            "SystemInfo.txt": odd_length, "PingHosts.txt": no_bom, "DeviceList.txt": long_line})
        report = self.json_of(archive)
        self.assertGreater(report["devices"]["count"], 0)
        self.assertTrue(report["system"]["present"])
        self.assertTrue(any(n["id"] == "read.long_line" for n in report["notes"]) or
                        any(f["id"] == "read.long_line" for f in report["findings"]))
        code, _, err = run(archive)
        self.assertEqual(code, 0, err)

    def test_many_tiny_members(self):
        archive = self.path("many.zip")
        count = 200_000
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
            for i in range(count):
                z.writestr(zipfile.ZipInfo(f"m/{i}"), b"")
        # Returning at all is the check (run's timeout is the watchdog); speed is bench/triage's.
        report = self.json_of("--verify", archive)
        self.assertEqual(report["archive"]["members"], count)
        self.assertEqual(report["archive"]["damaged"], [])


if __name__ == "__main__":
    unittest.main()
