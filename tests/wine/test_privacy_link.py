"""The privacy link on the real exe: the maker's Sorrel.exe, found in the exe's folder or a parent
folder, is started with the exact command line."""

import os
import re
import subprocess
import time
import unittest

import harness
from default_machine import MAIN_DIR, default_machine

HELPER_DIR = MAIN_DIR + r'\Support\Helper'   # the exe sits two levels below Sorrel.exe


def expected_command(sorrel):
    # Quoted full path, " /openurl ", then " /url=" with the quoted page address.
    return re.compile(r'^"%s" /openurl  /url="https?://[^"\s]+/en/privacy\.php"$'
                      % re.escape(sorrel))


def underline_middle(png, origin, rect):
    """Client point just above the middle of the longest dark horizontal run inside `rect`
    (the link's underline) of a screenshot; None when there is none."""
    x0, y0, w, h = rect
    ppm = subprocess.run(['/usr/bin/convert', png, '-crop', '%dx%d+%d+%d'
                          % (w, h, origin[0] + x0, origin[1] + y0), '+repage', '-compress',
                          'none', 'ppm:-'], capture_output=True, check=True).stdout
    ppm = b'\n'.join(l for l in ppm.splitlines() if not l.startswith(b'#')).split()
    width, height, values = int(ppm[1]), int(ppm[2]), [int(v) for v in ppm[4:]]
    best = (0, 0, -1)
    for y in range(height):
        run = 0
        for x in range(width):
            i = (y * width + x) * 3
            run = run + 1 if max(values[i:i + 3]) < 110 else 0
            if run > best[2] - best[1] + 1:
                best = (y, x - run + 1, x)
    if best[2] - best[1] < 20:
        return None
    return x0 + (best[1] + best[2]) // 2, y0 + best[0] - 4


class PrivacyLinkTest(unittest.TestCase):
    def click_link(self, px, exe):
        """Runs the tool, clicks the privacy link and closes the window."""
        shot = {}
        probe = px.run_tool(exe=exe, press=False,
                            on_window=lambda p: shot.update(png=p.screenshot('privacy-link')))
        rd1 = harness.control(probe, 'TRdHtmLabel')
        self.assertIsNotNone(rd1, probe['window']['controls'])
        self.assertIn('accept our Privacy Policy.', rd1['text'])
        # Click the underlined link with the real pointer. Without a window manager the client
        # area sits centred in the window's outer rectangle.
        left, top, width, height = probe['window']['rect']
        cw, ch = probe['window']['client']
        origin = (left + (width - cw) // 2, top + (height - ch) - (width - cw) // 2)
        point = underline_middle(shot['png'], origin, rd1['rect'])
        self.assertIsNotNone(point, 'no underlined link in %s' % shot['png'])
        actions = ['mouse-click', str(point[0]), str(point[1])]
        px.run_tool(exe=exe, press=False, actions=actions)

    def calls(self, px, sorrel, wait=True):
        path = px.unix_path(os.path.dirname(sorrel.replace('\\', '/')).replace('/', '\\') +
                            r'\sorrel-calls.txt')
        deadline = time.monotonic() + (15 if wait else 0)
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.2)
        if not os.path.exists(path):
            return []
        time.sleep(0.3)
        with open(path, encoding='utf-8') as f:
            return f.read().splitlines()

    def test_sorrel_in_a_parent_folder_gets_the_exact_command_line(self):
        with harness.Prefix(default_machine(), name='sorrel') as px:
            exe = px.install_tool(HELPER_DIR)
            sorrel = px.install_sorrel(MAIN_DIR)
            self.click_link(px, exe)
            calls = self.calls(px, sorrel)
            self.assertEqual(len(calls), 1, calls)
            self.assertRegex(calls[0], expected_command(sorrel))

    def test_sorrel_beside_the_exe_wins_over_a_parent_folder(self):
        with harness.Prefix(default_machine(), name='sorrel-near') as px:
            exe = px.install_tool(HELPER_DIR)
            near = px.install_sorrel(HELPER_DIR)
            far = px.install_sorrel(MAIN_DIR)
            self.click_link(px, exe)
            calls = self.calls(px, near)
            self.assertEqual(len(calls), 1, calls)
            self.assertRegex(calls[0], expected_command(near))
            self.assertEqual(self.calls(px, far, wait=False), [])

    def test_sorrel_under_the_native_program_files_folder_is_started(self):
        """Fault: the protected roots read in the 32-bit view only, where the native Program Files
        folder is never named, so the link opener of a 64-bit installation is refused."""
        native = r'C:\Program Files\Orvix\Plenvia'
        with harness.Prefix(default_machine(), name='sorrel-native') as px:
            exe = px.install_tool(native + r'\Support\Helper')
            sorrel = px.install_sorrel(native)
            self.click_link(px, exe)
            calls = self.calls(px, sorrel)
            self.assertEqual(len(calls), 1, calls)
            self.assertRegex(calls[0], expected_command(sorrel))


if __name__ == '__main__':
    unittest.main()
