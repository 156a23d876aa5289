"""pvtriage on archives whose packed minidump is a synthesised kernel triage dump: the dumps[]
entry, the crash it joins, the faulting-driver finding with its service and device, the same in
text and HTML, and hostile dumps that give a note and exit 0."""
import datetime
import json
import os
import re
import shutil
import tempfile
import unittest

from cli_support import TOOL_ARCHIVE, bsod_time, derive, edit_device, edit_report, ole_date, run
import dumpfile

DUMP = "040224-5012-01.dmp"
AUDIO_INSTANCE = "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0257&SUBSYS_17AA224D&REV_1000\\4&2B2F5B8&0&0001"


def setupapi_naming(instance, file, start):
    return "\r\n".join([
        "[Device Install Log]",
        f">>>  [Device Install (Hardware initiated) - {instance}]",
        f">>>  Section start {start:%Y/%m/%d %H:%M:%S}.311",
        "     dvi: Driver INF     - oem42.inf (C:\\Windows\\System32\\DriverStore\\oem42.inf)",
        f"     flq: Copying 'C:\\Windows\\System32\\DriverStore\\FileRepository\\{file}' to "
        f"'C:\\Windows\\System32\\drivers\\{file}'.",
        "<<<  Section end",
        "<<<  [Exit status: SUCCESS]",
        "",
    ]).encode("ascii")


def add_driver_service(text):
    return text.replace("[NDIS] NDIS\r\n",
                        "[NDIS] NDIS\r\n[nvlddmkm] NVIDIA Windows Kernel Mode Driver\r\n", 1)


class Folder(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pvtriage-dump-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        # The sample machine's zone is UTC, so the dump's own time is BSOD Time itself.
        self.crash = bsod_time(TOOL_ARCHIVE)
        self.utc = self.crash.replace(tzinfo=datetime.timezone.utc)

    def archive(self, name, dump, joined=True):
        installed = self.crash - datetime.timedelta(days=1)
        edits = {DUMP: lambda data: dump}
        if joined:
            edits.update({
                "SystemInfo.txt": edit_report(add_driver_service),
                "DeviceList.txt": edit_device("Realtek Audio", {
                    "Roll": "True", "InDa.D": ole_date(installed),
                    "InDa": installed.strftime("%-m/%-d/%Y %H:%M:%S")}),
                "AppData/Logs/Install/setupapi.dev.log":
                    lambda data: setupapi_naming(AUDIO_INSTANCE, "nvlddmkm.sys", installed),
            })
        return derive(TOOL_ARCHIVE, os.path.join(self.folder, name), edits)

    def json_of(self, archive):
        code, out, err = run("--json", archive)
        self.assertEqual(code, 0, err)
        return json.loads(out)


class DecodedDump(Folder):
    def test_json_has_the_dump_entry_and_the_faulting_driver_finding(self):
        report = self.json_of(self.archive("a.zip", dumpfile.display_driver_crash(self.utc)))
        entry = next(d for d in report["dumps"] if d["member"] == DUMP)
        self.assertEqual(entry["kind"], "kernel-triage")
        self.assertEqual(entry["architecture"], "x64")
        self.assertEqual(entry["os_build"], 19045)
        self.assertEqual(entry["processors"], 8)
        self.assertEqual(entry["time"], self.crash.strftime("%Y-%m-%dT%H:%M:%SZ"))
        self.assertEqual(entry["bugcheck"], {
            "code": "0x1000007E", "name": "SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M",
            "parameters": ["0xFFFFFFFFC0000005", "0xFFFFF80512A4334C", "0xFFFFCC83FB572208",
                           "0xFFFFCC83FB571A50"]})
        self.assertEqual(entry["exception"], {"code": "0xC0000005", "name": "access violation",
                                              "address": "0xFFFFF80512A4334C"})
        self.assertEqual(entry["instruction_pointer"], "0xFFFFF80512A4334C")
        self.assertEqual(entry["faulting_module"]["name"], "nvlddmkm.sys")
        self.assertEqual(entry["faulting_module"]["offset"], "0x334C")
        self.assertEqual(entry["faulting_module"]["path"],
                         "\\SystemRoot\\System32\\drivers\\nvlddmkm.sys")
        self.assertEqual(entry["stack_modules"], ["dxgkrnl.sys", "nvlddmkm.sys"])
        self.assertEqual(entry["modules"], 4)
        self.assertEqual(entry["unloaded_modules"], ["dump_storpor"])
        self.assertEqual(entry["notes"], [])
        # The dump and BSOD Time agree within a minute: one crash, not two.
        crashes = [c for c in report["crashes"] if c["dump"] == DUMP]
        self.assertEqual(len(crashes), 1)
        self.assertEqual(crashes[0]["source"], "BSOD Time")

        finding = next(f for f in report["findings"] if f["id"] == "crash.faulting_driver")
        self.assertEqual(finding["severity"], "error")
        text = finding["text"]
        self.assertIn("(bug check 0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M, exception "
                      "0xC0000005 access violation) happened in nvlddmkm.sys at +0x334C", text)
        self.assertIn('"NVIDIA Windows Kernel Mode Driver"', text)
        self.assertIn('device "Realtek Audio"', text)
        self.assertIn("names nvlddmkm.sys in the install of", text)
        self.assertIn("can be rolled back", text)
        # The device's recent install is flagged the stronger way: the crash was in its driver.
        recent = next(f for f in report["findings"] if f["id"].startswith("crash.recent_driver")
                      and "Realtek Audio" in f["text"])
        self.assertEqual(recent["severity"], "error")
        self.assertIn("the crash happened in its driver nvlddmkm.sys", recent["text"])

    def test_no_match_is_claimed_without_a_fact(self):
        # Same dump, but no driver service line and no install naming the file.
        report = self.json_of(self.archive("b.zip", dumpfile.display_driver_crash(self.utc),
                                           joined=False))
        finding = next(f for f in report["findings"] if f["id"] == "crash.faulting_driver")
        self.assertNotIn("device", finding["text"].split("at +0x334C")[1].replace(
            "its device is not known", ""))
        self.assertIn("no install in the archive names this file", finding["text"])
        self.assertNotIn("driver service", finding["text"])

    def test_text_and_html_show_the_bug_check_and_faulting_driver(self):
        archive = self.archive("c.zip", dumpfile.display_driver_crash(self.utc))
        code, out, err = run(archive)
        self.assertEqual(code, 0, err)
        self.assertIn("bug check 0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M", out)
        self.assertIn("faulting driver nvlddmkm.sys +0x334C", out)
        page = os.path.join(self.folder, "page.html")
        code, _, err = run("--html", page, archive)
        self.assertEqual(code, 0, err)
        with open(page, encoding="utf-8") as f:
            html = f.read()
        self.assertIn("<td>0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M</td>", html)
        self.assertIn("nvlddmkm.sys +0x334C (Realtek Audio)", html)
        self.assertRegex(html, r'class="crashname">SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M in '
                               r'nvlddmkm\.sys</text>')

    def test_32_bit_dump_decodes(self):
        modules = [("\\SystemRoot\\system32\\ntkrnlpa.exe", 0x82A00000, 0x410000, 0),
                   ("\\SystemRoot\\system32\\DRIVERS\\athrx.sys", 0x8F600000, 0x200000, 0)]
        dump = dumpfile.triage_dump(self.utc, 0xD1, (0x4C, 2, 0, 0x8F61A2B4), modules,
                                    ip=0x8F61A2B4, wide=False, machine=dumpfile.MACHINE_X86,
                                    build=7601, processors=2)
        entry = next(d for d in self.json_of(self.archive("d.zip", dump, joined=False))["dumps"]
                     if d["member"] == DUMP)
        self.assertEqual((entry["kind"], entry["architecture"], entry["os_build"]),
                         ("kernel-triage", "x86", 7601))
        self.assertEqual(entry["bugcheck"]["name"], "DRIVER_IRQL_NOT_LESS_OR_EQUAL")
        self.assertEqual(entry["faulting_module"]["offset"], "0x1A2B4")


class HostileDumps(Folder):
    def test_each_hostile_dump_gives_its_note_and_exit_0(self):
        good = dumpfile.display_driver_crash(self.utc)
        huge_count = bytearray(good)
        huge_count[0x2000 + 0x34:0x2000 + 0x38] = (3_000_000).to_bytes(4, "little")
        cases = {
            "module count": (bytes(huge_count), "module count 3000000 is beyond 4096"),
            "truncated": (good[:0x2000 + 0x300], "cut short"),
            "64-bit header in a 32-bit-sized file": (good[:0x1800], "64-bit dump header"),
        }
        for why, (dump, note) in cases.items():
            with self.subTest(why):
                report = self.json_of(self.archive(f"{len(dump)}.zip", dump, joined=False))
                entry = next(d for d in report["dumps"] if d["member"] == DUMP)
                self.assertTrue(any(note in n for n in entry["notes"]), entry["notes"])
                damaged = [f for f in report["findings"] if f["id"] == "dump.damaged"]
                self.assertTrue(damaged and DUMP in damaged[0]["text"])
                # The rest of the archive is still read.
                self.assertGreater(report["devices"]["count"], 0)

    def test_user_minidump_and_other_files_are_named_not_decoded(self):
        for data, kind in ((b"MDMP\x93\xa7" + bytes(64), "user-minidump"),
                           (b"not a dump at all", "unknown")):
            report = self.json_of(self.archive(f"{kind}.zip", data, joined=False))
            entry = next(d for d in report["dumps"] if d["member"] == DUMP)
            self.assertEqual(entry["kind"], kind)
            self.assertIsNone(entry["bugcheck"])
            self.assertEqual(entry["notes"], [])


if __name__ == "__main__":
    unittest.main()
