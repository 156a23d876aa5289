"""pvtriage's HTML page as a browser shows it: headless Chromium takes a screenshot of the page
for an archive with a crash and a driver installed the day before it, and both timelines (the
whole archive and the close-up of the days before the crash) must show both, the install to the
left of the crash, inside the shaded window before it."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

from cli_support import TOOL_ARCHIVE, everything_variant, run

CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
CRASH = (0xD4, 0x00, 0x00)
INSTALL = (0x2F, 0x6F, 0xDF)
FAILED = (0xE0, 0x8A, 0x00)
LANE = (0xF6, 0xF6, 0xF6)


def read_png(path):
    """Width, height and rows of (r, g, b) tuples of an 8-bit, non-interlaced RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                      else corner)) & 0xFF
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def pixels(rows, colour, box=None):
    found = []
    for y, row in enumerate(rows):
        for x, pixel in enumerate(row):
            if pixel == colour and (box is None or (box[0] <= x <= box[2] and box[1] <= y <= box[3])):
                found.append((x, y))
    return found


def clusters(xs, gap=25):
    """Sorted x positions split where they are more than `gap` apart."""
    groups = []
    for x in xs:
        if groups and x - groups[-1][-1] <= gap:
            groups[-1].append(x)
        else:
            groups.append([x])
    return groups


@unittest.skipUnless(CHROMIUM, "chromium is not installed")
class HtmlScreenshot(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pvtriage-html-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def screenshot(self, page, png):
        profile = os.path.join(self.folder, "profile")
        subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync",
                        f"--user-data-dir={profile}", f"--screenshot={png}",
                        "--window-size=1200,900", "file://" + page],
                       capture_output=True, timeout=120, check=True)

    def test_timeline_shows_the_crash_and_the_install_before_it(self):
        archive = everything_variant(TOOL_ARCHIVE, os.path.join(self.folder, "variant.zip"))
        page = os.path.join(self.folder, "page.html")
        code, _, err = run("--html", page, archive)
        self.assertEqual(code, 0, err)
        png = os.environ.get("PV_TRIAGE_SCREENSHOT") or os.path.join(self.folder, "page.png")
        self.screenshot(page, png)
        width, height, rows = read_png(png)
        self.assertEqual((width, height), (1200, 900))
        self.assertGreater(len({p for row in rows[::10] for p in row[::10]}), 20)

        # Two timelines: the whole archive, then the close-up of the days before the crash. Each
        # is where the lanes' background is.
        # Lanes are long runs of their colour; antialiased text has a few such pixels too.
        lanes = [(x, y) for x, y in pixels(rows, LANE) if rows[y].count(LANE) > 100]
        self.assertTrue(lanes, "no timeline lanes in the screenshot")
        boxes = []
        for band in clusters(sorted({y for _, y in lanes})):
            xs = [x for x, y in lanes if band[0] <= y <= band[-1]]
            boxes.append((min(xs), band[0], max(xs), band[-1]))
        self.assertEqual(len(boxes), 2, boxes)
        for box in boxes:
            with self.subTest(box=box):
                self.check_timeline(rows, box)

    def check_timeline(self, rows, box):
        crash = pixels(rows, CRASH, box)
        install = pixels(rows, INSTALL, box)
        failed = pixels(rows, FAILED, box)
        self.assertGreater(len(crash), 100, "no crash marker")
        self.assertGreater(len(install), 20, "no install marker")
        self.assertGreater(len(failed), 20, "no failed-install marker")

        # The crash of 2 April 18:45 and the install of 1 April 18:45: the install lies left of
        # a crash marker near it, above it (its lane comes first) and on the shaded window.
        centres = [sum(c) / len(c) for c in clusters(sorted(x for x, _ in crash))]
        install_left = min(x for x, _ in install)
        install_right = max(x for x, _ in install)
        after = [c for c in centres if c > install_right]
        self.assertTrue(after, "no crash after the install")
        self.assertLess(min(after) - install_right, (box[2] - box[0]) / 4)
        self.assertLess(max(y for _, y in install), min(y for _, y in crash))
        r, g, b = rows[install[0][1]][install_left - 3]
        self.assertGreater(r - g, 10, "the install is not on the window before the crash")

if __name__ == "__main__":
    unittest.main()
