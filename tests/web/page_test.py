"""The pvtriage page in headless Chromium against the native pvtriage on the same archives: the
same findings sentence for sentence, the same unreadable-archive sentences, the saved JSON byte
for byte, the comparison, and no network request but the archive URL the page was given."""
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "triage"))
from cli_support import (TOOL_ARCHIVE, corrupt_member, deflate, derive, edit_device,  # noqa: E402
                         everything_variant, raw_zip, run, utf16)

PAGE = os.environ.get("PV_PAGE", os.path.join(HERE, "..", "..", "build", "web", "reader",
                                              "index.html"))
NODE = os.environ.get("PV_NODE", "node")
CHROMIUM = os.environ.get("PV_CHROMIUM", "/usr/bin/chromium")
DRIVER = os.path.join(HERE, "drive.mjs")
NON_NETWORK = ("blob:", "data:")


def drive(jobs, folder):
    """Runs the jobs in one browser (a new, empty profile) and returns one result per job."""
    plan = {"page": os.path.abspath(PAGE), "chromium": CHROMIUM, "jobs": jobs,
            "downloads": os.path.join(folder, "downloads"),
            "profile": tempfile.mkdtemp(prefix="pvtriage-chromium-")}
    plan_path = os.path.join(folder, "plan.json")
    with open(plan_path, "w") as f:
        json.dump(plan, f)
    done = subprocess.run([NODE, DRIVER, plan_path], capture_output=True, timeout=800)
    shutil.rmtree(plan["profile"], True)
    if done.returncode != 0:
        raise AssertionError("driver failed: " + done.stderr.decode(errors="replace")[-4000:])
    return json.loads(done.stdout)


def network(requests):
    return [url for url in requests if not url.startswith(NON_NETWORK)]


def hostile_archives(folder):
    """name -> path of the archives the native reader's tests call hostile."""
    def write(name, data):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    zeros = b"\0" * (64 << 20)
    packed = deflate(zeros)
    many = os.path.join(folder, "many.zip")
    with zipfile.ZipFile(many, "w", zipfile.ZIP_STORED) as z:
        for i in range(200_000):
            z.writestr(zipfile.ZipInfo(f"m/{i}"), b"")
    return {
        "names.zip": write("names.zip", raw_zip([
            (name, b"x", 0, 1, zlib.crc32(b"x"), 0) for name in
            ("../../escaped.txt", "/tmp/absolute.txt", "C:\\Windows\\x.txt", "..\\..\\back.txt")])),
        "bomb.zip": write("bomb.zip", raw_zip([
            ("SystemInfo.txt", packed, 8, len(zeros), zlib.crc32(zeros), 0),  # honest size
            ("DeviceList.txt", packed, 8, 1000, zlib.crc32(zeros), 0),         # lying size
        ])),
        "many.zip": many,
    }


def unreadable_archives(folder):
    with open(TOOL_ARCHIVE, "rb") as f:
        whole = f.read()
    cases = {
        "truncated.zip": whole[: len(whole) * 2 // 3],
        "text.zip": b"not an archive at all\n" * 10,
        "empty.zip": b"",
        "encrypted.zip": raw_zip([("SystemInfo.txt", b"x", 0, 1, zlib.crc32(b"x"), 1)]),
        "deflate64.zip": raw_zip([("DeviceList.txt", b"abcd", 9, 4, 0, 0)]),
    }
    paths = {}
    for name, data in cases.items():
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "wb") as f:
            f.write(data)
    return paths


def native_json(folder, name):
    code, out, err = run("--json", name, cwd=folder)
    assert code == 0, err
    return out


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="pvtriage-page-")
        f = cls.folder
        tool = shutil.copy(TOOL_ARCHIVE, os.path.join(f, "tool.zip"))
        corrupt = derive(tool, os.path.join(f, "corrupt.zip"))
        corrupt_member(corrupt, "DeviceList.txt")
        cls.readable = {
            "tool.zip": tool,
            # Two archives of one machine, named as the tool names them: by date.
            "pv_info_20240402_i.zip": everything_variant(
                tool, os.path.join(f, "pv_info_20240402_i.zip")),
            "corrupt.zip": corrupt,
            "odd.zip": derive(tool, os.path.join(f, "odd.zip"), {
                "SystemInfo.txt": lambda d: d[:-1], "PingHosts.txt": lambda d: d[2:],
                "DeviceList.txt": lambda d: d + utf16("X" * (3 << 20) + "\r\n")[2:]}),
            "pv_info_20240409_i.zip": derive(
                os.path.join(f, "pv_info_20240402_i.zip"), os.path.join(f, "pv_info_20240409_i.zip"), {
                "DeviceList.txt": lambda d: edit_device("Realtek Audio", {"Vern": "6.0.9100.1"})(
                    edit_device("Integrated Camera", {"Prob": "0", "Code": "0"})(d))}),
        }
        cls.readable.update(hostile_archives(f))
        cls.unreadable = unreadable_archives(f)
        cls.native = {name: native_json(f, name) for name in cls.readable}
        cls.sentences = {}
        for name in cls.unreadable:
            code, out, err = run(name, cwd=f)
            assert code == 2 and err.startswith("pvtriage: "), (name, code, err)
            cls.sentences[name] = err[len("pvtriage: "):].rstrip("\n")
        code, _, err = run("--html", "tool.html", "tool.zip", cwd=f)
        assert code == 0, err
        with open(os.path.join(f, "tool.html"), encoding="utf-8") as page:
            cls.native_page = page.read()
        code, cls.diff_text, err = run("pv_info_20240402_i.zip", "pv_info_20240409_i.zip", cwd=f)
        assert code == 0, err

        # The #archive=<url> form needs a server: this folder with the page beside the archives.
        shutil.copy(PAGE, os.path.join(f, "index.html"))
        handler = functools.partial(Quiet, directory=f)
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        base = f"http://127.0.0.1:{cls.server.server_address[1]}/index.html"

        jobs = [{"name": n, "files": [p], "save": True, "savePage": n == "tool.zip"}
                for n, p in cls.readable.items()]
        jobs += [{"name": n, "files": [p]} for n, p in cls.unreadable.items()]
        jobs.append({"name": "dropped", "files": [cls.readable["pv_info_20240402_i.zip"]], "drop": True,
                     "screenshot": os.path.join(f, "dropped.png")})
        # Dropped together, newest first: the page orders them by name.
        jobs.append({"name": "comparison", "files": [cls.readable["pv_info_20240409_i.zip"],
                                                     cls.readable["pv_info_20240402_i.zip"]]})
        jobs.append({"name": "one after the other",
                     "files": [cls.readable["pv_info_20240402_i.zip"]],
                     "then": [cls.readable["pv_info_20240409_i.zip"]]})
        jobs.append({"name": "url", "base": base, "url": "tool.zip", "save": True})
        results = drive(jobs, f)
        cls.results = {job["name"]: result for job, result in zip(jobs, results)}
        cls.url_base = base

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        screenshot = os.path.join(cls.folder, "dropped.png")
        out = os.environ.get("PV_PAGE_SCREENSHOT")
        if out and os.path.exists(screenshot):
            shutil.copy(screenshot, out)
        shutil.rmtree(cls.folder, True)

    def native_findings(self, name):
        return [{"severity": f["severity"], "text": f["text"]}
                for f in json.loads(self.native[name])["findings"]]

    def test_findings_are_the_native_readers_sentence_for_sentence(self):
        # Guards against any rule or wording that differs between the two front ends, and
        # against the page's reader handing the core other bytes than libzip does.
        for name in self.readable:
            with self.subTest(archive=name):
                result = self.results[name]
                self.assertEqual(result["state"], "shown", result)
                self.assertEqual(result["findings"], self.native_findings(name))

    def test_hostile_archives_give_the_native_notes(self):
        # A deflate bomb must stop at its cap (over_cap, damaged), never hang the tab.
        bomb = json.loads(self.results["bomb.zip"]["savedJson"])
        self.assertEqual(bomb["archive"]["over_cap"], ["SystemInfo.txt"])
        self.assertEqual(bomb["archive"]["damaged"], ["DeviceList.txt"])
        self.assertEqual(json.loads(self.results["many.zip"]["savedJson"])["archive"]["members"],
                         200_000)
        names = json.loads(self.results["names.zip"]["savedJson"])
        self.assertEqual(names["archive"]["members"], 4)

    def test_unreadable_archives_give_the_native_sentence(self):
        for name, sentence in self.sentences.items():
            with self.subTest(archive=name):
                result = self.results[name]
                self.assertEqual(result["state"], "error", result)
                self.assertEqual(result["error"], sentence)
                self.assertFalse(result["saveEnabled"])

    def test_saved_json_is_the_native_json(self):
        for name in self.readable:
            with self.subTest(archive=name):
                self.assertEqual(self.results[name]["savedJson"], self.native[name])
        self.assertEqual(self.results["url"]["savedJson"], self.native["tool.zip"])

    def test_saved_page_is_the_native_html(self):
        # "Save page" must hand over the page the command line writes, not the live view.
        self.assertEqual(self.results["tool.zip"]["savedPage"], self.native_page)

    def test_two_archives_give_the_native_comparison(self):
        result = self.results["comparison"]
        self.assertEqual(result["state"], "shown", result)
        self.assertEqual(result["comparison"], self.diff_text)

    def test_an_archive_after_another_gives_the_comparison(self):
        result = self.results["one after the other"]
        self.assertEqual(result["state"], "shown", result)
        self.assertEqual(result["comparison"], self.diff_text)
        self.assertEqual(result["findings"], self.native_findings("pv_info_20240409_i.zip"))

    def test_a_drop_reads_the_archive(self):
        result = self.results["dropped"]
        self.assertEqual(result["state"], "shown", result)
        self.assertEqual(result["findings"], self.native_findings("pv_info_20240402_i.zip"))

    def test_no_request_but_the_archive_url(self):
        # The archive must never leave the machine: opening one from disk makes no request at
        # all, and #archive=<url> fetches that URL and nothing else.
        for name, result in self.results.items():
            with self.subTest(job=name):
                expected = [self.url_base.rsplit("/", 1)[0] + "/tool.zip"] if name == "url" else []
                self.assertEqual(network(result["requests"]), expected)
                self.assertEqual(len(result["pageRequests"]), 1, result["pageRequests"])
                self.assertEqual([m for m in result["console"] if "Content Security" in m], [])

    def test_page_allows_only_its_own_scripts(self):
        with open(PAGE, encoding="utf-8") as f:
            html = f.read()
        policy = html.split('http-equiv="Content-Security-Policy" content="', 1)[1].split('"')[0]
        self.assertTrue(policy.startswith("default-src 'none'"), policy)
        self.assertNotIn("http", policy)
        self.assertNotIn("'unsafe-eval'", policy)
        self.assertNotIn("<script src", html)
        # No other host anywhere: no code or link of the page names one.
        self.assertNotIn("http://", html)
        self.assertNotIn("https://", html)


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


if __name__ == "__main__":
    unittest.main()
