"""The report window's link label on the real exe: the wrapped sentence with the underlined link,
the hand cursor over the link, and a click that opens the privacy page through Sorrel.exe or,
without it, through the browser registered for https."""

import os
import subprocess
import time
import unittest

import harness
from machine import DOWNLOADS, Machine

LABEL = (24, 16, 289, 49)  # rd1 in client coordinates
PRIVACY = 'https://www.orvix.com/en/privacy.php'
BROWSER_DIR = r'C:\testbrowser'
PRODUCT_DIR = r'C:\Program Files (x86)\Orvix\Plenvia'
PLAIN_SENTENCE = ('This tool will collect information to help us diagnose and fix the problem '
                  'you are experiencing with our product. By sending us the report, you accept '
                  'our Privacy Policy.')
WINDOW_TEXT = (0, 0, 0)  # COLOR_WINDOWTEXT of the template's default colour scheme


def pixels(png, x, y, w, h):
    """Rows of (r, g, b) of a screenshot rectangle, read through ImageMagick's plain PPM."""
    out = subprocess.run(['/usr/bin/convert', png, '-crop', '%dx%d+%d+%d' % (w, h, x, y),
                          '+repage', '-compress', 'none', 'ppm:-'],
                         capture_output=True, check=True).stdout
    out = b'\n'.join(l for l in out.splitlines() if not l.startswith(b'#')).split()
    width, height = int(out[1]), int(out[2])
    values = [int(v) for v in out[4:]]
    rows = []
    for row in range(height):
        base = row * width * 3
        rows.append([tuple(values[base + i * 3:base + i * 3 + 3]) for i in range(width)])
    return rows


def dark(p):
    return max(p) < 110


def find_link(rows):
    """The underline: the longest run of dark pixels in one row of the label. Returns
    (row, first, last) in label coordinates."""
    best = (0, -1, -2)
    for y, row in enumerate(rows):
        x = 0
        while x < len(row):
            if dark(row[x]):
                start = x
                while x < len(row) and dark(row[x]):
                    x += 1
                if x - 1 - start > best[2] - best[1]:
                    best = (y, start, x - 1)
            x += 1
    return best


def text_bands(rows):
    """Groups of consecutive rows that hold dark pixels, one per drawn text line: a list of
    (first row, last row, first column, last column) of their dark pixels."""
    bands = []
    for y, row in enumerate(rows):
        xs = [x for x, p in enumerate(row) if dark(p)]
        if not xs:
            continue
        if bands and bands[-1][1] == y - 1:
            top, _, left, right = bands[-1]
            bands[-1] = (top, y, min(left, xs[0]), max(right, xs[-1]))
        else:
            bands.append((y, y, xs[0], xs[-1]))
    return bands


class LabelTest(unittest.TestCase):
    link = None  # (client x, client y) of the link's middle, found from the screenshot

    @classmethod
    def setUpClass(cls):
        with harness.Prefix(Machine(), name='label-shot') as px:
            shots = {}

            def measure(p):
                shots['png'] = p.screenshot('label_window')

            res = px.run_tool(press=False, on_window=measure)
        cls.res = res
        cls.window = res['window']
        cls.png = shots['png']
        # The window is centred on the screen without a frame under Xvfb: find its client origin
        # from the driver's outer rectangle and client size.
        left, top, width, height = cls.window['rect']
        cw, ch = cls.window['client']
        cls.origin = (left + (width - cw) // 2, top + (height - ch) - (width - cw) // 2)

    def label_rows(self):
        x, y, w, h = LABEL
        return pixels(self.png, self.origin[0] + x, self.origin[1] + y, w, h)

    def link_point(self):
        row, first, last = find_link(self.label_rows())
        return LABEL[0] + (first + last) // 2, LABEL[1] + row - 4

    def test_screenshot_shows_wrapped_sentence_and_underlined_link(self):
        rd1 = harness.control({'window': self.window}, text=None, cls='TRdHtmLabel')
        self.assertIsNotNone(rd1, self.window['controls'])
        self.assertEqual(rd1['rect'], list(LABEL))
        rows = self.label_rows()
        self.assertGreaterEqual(len(text_bands(rows)), 3, 'the sentence should wrap: %s' % self.png)
        row, first, last = find_link(rows)
        # "Privacy Policy" underlined in the window font: a straight line of some 60 pixels.
        self.assertGreater(last - first, 40, self.png)
        self.assertLess(last - first, 120, self.png)
        # Letters sit right above the underline.
        above = rows[row - 3][first:last + 1]
        self.assertTrue(any(dark(p) for p in above))

    def test_window_text_is_the_plain_sentence(self):
        # GetWindowTextW, and the name a screen reader reads from it, is the sentence without its
        # "<a>" tags; the label still draws the link from the mark-up (the screenshot tests).
        rd1 = harness.control({'window': self.window}, text=None, cls='TRdHtmLabel')
        self.assertIsNotNone(rd1, self.window['controls'])
        self.assertEqual(rd1['text'], PLAIN_SENTENCE)

    def test_sentence_takes_three_lines_with_the_whole_link_on_the_last(self):
        # In Wine's Tahoma -11 the sentence breaks after "fix" and after "By"; the last line is
        # "sending us the report, you accept our Privacy Policy." and must fit the 289 pixels.
        left, top, width, height = self.window['rect']
        cx, cy = self.res['pointer_at_start']
        self.assertFalse(left <= cx < left + width and top <= cy < top + height,
                         'the pointer started on the window: %s' % self.res['pointer_at_start'])
        rows = self.label_rows()
        bands = text_bands(rows)
        self.assertEqual(len(bands), 3, '%s in %s' % (bands, self.png))
        # The last line ends above the label's bottom edge: no line was cut off below.
        self.assertLess(bands[-1][1], LABEL[3] - 1, bands)
        row, first, last = find_link(rows)
        third = bands[2]
        self.assertTrue(third[0] <= row <= third[1], 'underline at row %d, bands %s' % (row, bands))
        self.assertGreater(last - first, 40, self.png)
        # Only the full stop follows the link, and it ends before the right edge: nothing cut.
        self.assertLessEqual(third[3] - last, 4, (third, last))
        self.assertLess(third[3], LABEL[2] - 1, (third, self.png))
        # Drawn in the window-text colour (black in Wine's scheme), not the hover colour.
        self.assertEqual({p for p in rows[row][first:last + 1]}, {WINDOW_TEXT}, self.png)

    def test_hover_over_link_shows_hand_cursor(self):
        x, y = self.link_point()
        with harness.Prefix(Machine(), name='label-hover') as px:
            res = px.run_tool(press=False, actions=['hover', '5', '120', 'hover', '30', '20',
                                                    'hover', str(x), str(y), 'hover', '5', '120'])
        form, text, link, back = res['hovers']
        self.assertEqual(text['under_class'], 'TRdHtmLabel')
        self.assertEqual(link['under_class'], 'TRdHtmLabel')
        if link['cursor_image'] or link['cursor_is_hand']:
            # Windows: system cursors are shared, so the handle or its image identifies the hand.
            self.assertTrue(link['cursor_is_hand'] or link['cursor_image'] == link['hand_image'],
                            res['hovers'])
        else:
            # Wine loads system cursors per process and keeps their images to that process: the
            # driver can only see that the pointer over the link shows another cursor than the
            # arrow the tool shows over its window and over the label's plain text.
            self.assertNotEqual(link['cursor_handle'], form['cursor_handle'], res['hovers'])
        self.assertEqual(text['cursor_handle'], form['cursor_handle'], res['hovers'])
        self.assertEqual(back['cursor_handle'], form['cursor_handle'], res['hovers'])

    def test_click_starts_sorrel_with_the_exact_command_line(self):
        # The tool looks for Sorrel.exe upward from its own folder, in administrators' folders only.
        x, y = self.link_point()
        with harness.Prefix(Machine(), name='label-sorrel') as px:
            exe = px.install_tool(PRODUCT_DIR + r'\Helper')
            sorrel = px.install_sorrel(PRODUCT_DIR)
            px.run_tool(press=False, exe=exe, actions=['mouse-click', str(x), str(y)])
            calls = wait_for_file(px.unix_path(PRODUCT_DIR + r'\sorrel-calls.txt'))
            self.assertFalse(os.path.exists(px.unix_path(BROWSER_DIR + r'\sorrel-calls.txt')))
        self.assertEqual(calls, ['"%s" /openurl  /url="%s"' % (sorrel, PRIVACY)])

    def test_click_without_sorrel_opens_the_browser_for_https(self):
        x, y = self.link_point()
        m = Machine()
        browser = BROWSER_DIR + r'\browser.exe'
        m.reg(r'HKCR\https\shell\open\command', '', 'REG_SZ', '"%s" "%%1"' % browser)
        m.reg(r'HKCR\http\shell\open\command', '', 'REG_SZ', '"%s" "%%1"' % browser)
        with harness.Prefix(m, name='label-browser') as px:
            px.install(harness.build_file('tools', 'Sorrel.exe'), BROWSER_DIR, 'browser.exe')
            px.run_tool(press=False, actions=['mouse-click', str(x), str(y)])
            calls = wait_for_file(px.unix_path(BROWSER_DIR + r'\sorrel-calls.txt'))
            self.assertFalse(os.path.exists(px.unix_path(DOWNLOADS + r'\sorrel-calls.txt')))
        self.assertEqual(len(calls), 1, calls)
        self.assertIn(PRIVACY, calls[0])

    def test_click_beside_the_link_opens_nothing(self):
        with harness.Prefix(Machine(), name='label-miss') as px:
            exe = px.install_tool(PRODUCT_DIR)
            px.install_sorrel(PRODUCT_DIR)
            px.run_tool(press=False, exe=exe, actions=['mouse-click', '30', '20'])
            time.sleep(1)
            self.assertFalse(os.path.exists(px.unix_path(PRODUCT_DIR + r'\sorrel-calls.txt')))


def wait_for_file(path, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if os.path.exists(path):
            time.sleep(0.3)
            with open(path, encoding='utf-8') as f:
                return [line for line in f.read().splitlines() if line]
        time.sleep(0.2)
    raise AssertionError('nothing written to %s' % path)


if __name__ == '__main__':
    unittest.main()
