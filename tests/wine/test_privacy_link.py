"""The privacy link on the real exe: the maker's Sorrel.exe, found in the exe's folder or a parent
folder, is started with the exact command line."""

import os
import re
import time
import unittest

import harness
from default_machine import MAIN_DIR, default_machine

HELPER_DIR = MAIN_DIR + r'\Support\Helper'   # the exe sits two levels below Sorrel.exe


def expected_command(sorrel):
    # Quoted full path, " /openurl ", then " /url=" with the quoted page address.
    return re.compile(r'^"%s" /openurl  /url="https?://[^"\s]+/en/privacy\.php"$'
                      % re.escape(sorrel))


class PrivacyLinkTest(unittest.TestCase):
    def click_link(self, px, exe):
        """Runs the tool, clicks the privacy link and closes the window."""
        probe = px.run_tool(exe=exe, press=False)
        rd1 = next((c for c in probe['window']['controls'] if c['id'] == 101 or
                    'Privacy Policy' in c['text']), None)
        if 'click-link' in px.driver_actions():
            actions = ['click-link']
        elif rd1 is not None and rd1['class'].lower() == 'static':
            # The stand-in static text takes a click anywhere as the link's click.
            left, top, width, height = rd1['rect']
            actions = ['click', str(left + width // 2), str(top + height // 2)]
        else:
            self.skipTest('the mark-up label draws the link itself: needs a click-link action '
                          'in tools/uidriver to find it')
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


if __name__ == '__main__':
    unittest.main()
