"""The report window on the real exe: layout, the press with its completion message, the waiting
animation, closing while the job runs, and the settings file made writable at start-up."""

import datetime as dt
import os
import stat
import unittest

import harness
from default_machine import default_machine
from machine import Machine, PRODUCT_USER

WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000

CYCLE = ['>>========', '=>>=======', '==>>======', '===>>=====', '====>>====', '=====>>===',
         '======>>==', '=======>>=', '========>>', '>========>']
HOLD_MS = 1500  # the job's threads stay suspended this long: about 15 animation ticks
ANIMATION_HOLD_MS = 4000  # four rounds of the animation, so a busy machine still shows a wrap


def completion_text(day):
    return ('Report file has been saved to desktop\rFilename : pv_info_%s_i.zip'
            % day.strftime('%Y%m%d'))


class WindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.px = harness.Prefix(default_machine(), name='window').__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.px.__exit__(None, None, None)

    def test_window_layout_before_the_press(self):
        res = self.px.run_tool(press=False, screenshot='window-idle')
        w = res['window']
        self.assertEqual(w['caption'], harness.MAIN_CAPTION)
        self.assertEqual(w['client'], [337, 142])
        self.assertTrue(w['style'] & WS_SYSMENU and w['style'] & WS_MINIMIZEBOX)
        self.assertFalse(w['style'] & (WS_MAXIMIZEBOX | WS_THICKFRAME))
        # Centred on the 1024 x 768 screen of the test display.
        left, top, width, height = w['rect']
        self.assertLessEqual(abs(left + width / 2 - 512), 1)
        self.assertLessEqual(abs(top + height / 2 - 384), 1)
        button = harness.control(res, 'Button', 'Click here to save report')
        self.assertIsNotNone(button, w['controls'])
        self.assertEqual(button['rect'], [80, 71, 177, 33])
        self.assertTrue(button['visible'] and button['enabled'])
        waiting = harness.control(res, text='==========')
        self.assertIsNotNone(waiting, w['controls'])
        self.assertEqual(waiting['rect'], [80, 103, 177, 13])
        self.assertFalse(waiting['visible'])
        # The mark-up label is a window of its own whose text is its caption's plain sentence.
        link = harness.control(res, 'TRdHtmLabel')
        self.assertIsNotNone(link, w['controls'])
        self.assertIn('accept our Privacy Policy.', link['text'])
        self.assertEqual(link['rect'], [24, 16, 289, 49])
        self.assertTrue(link['visible'])
        self.assertEqual(res['exit_code'], 0)

    def test_press_shows_completion_with_todays_archive_and_disables_the_button(self):
        day = dt.date.today()
        res = self.px.run_tool(hold_job_ms=HOLD_MS)
        if dt.date.today() != day:
            self.skipTest('the date changed during the run')
        self.assertEqual(res['message']['caption'], 'Completed')
        self.assertEqual(res['message']['text'], completion_text(day))
        self.assertTrue(res['message']['owned_by_window'])
        self.assertGreaterEqual(res['threads_held'], 1, 'the job thread was never seen')
        self.assertTrue(res['button_disabled_during_job'])
        self.assertTrue(res['label_shown_during_job'])
        # Before the message the window is back to idle: button enabled, label hidden.
        self.assertTrue(res['button_enabled_at_message'])
        self.assertFalse(res['label_visible_at_message'])
        self.assertTrue(res['process_ended'])
        self.assertEqual(res['exit_code'], 0)

    def test_two_quick_clicks_start_one_job(self):
        # Guards: the second click of a quick double click starting a second report job. The
        # threads the tool starts after the press are held for a while; a second job would add
        # its own worker to them.
        single = self.px.run_tool(hold_job_ms=HOLD_MS)
        double = self.px.run_tool(press='double-press', hold_job_ms=HOLD_MS)
        self.assertGreater(single['threads_held'], 0)
        self.assertEqual(double['threads_held'], single['threads_held'])
        self.assertEqual(double['message']['text'], completion_text(dt.date.today()))

    def test_animation_frames_appear_in_order(self):
        res = self.px.run_tool(hold_job_ms=ANIMATION_HOLD_MS)
        frames = res['frames']
        # The design caption (shown for one tick only, so a busy machine may hide it from the
        # driver), then the first tick: the step starts at 1.
        ticks = frames[1:] if frames[:1] == ['=========='] else frames
        # The step starts at 1; a busy machine may cost the driver the first samples as it may any
        # other, so the first frame seen lies within the same reach as every later step.
        self.assertIn(ticks[:1], [[f] for f in CYCLE[:3]], frames)
        self.assertGreaterEqual(len(ticks), 15, frames)
        # A loaded test machine may cost the driver a sample now and then, never the order.
        for a, b in zip(ticks, ticks[1:]):
            self.assertIn(a, CYCLE)
            self.assertIn((CYCLE.index(b) - CYCLE.index(a)) % 10, (1, 2, 3),
                          'frame %r followed by %r in %r' % (a, b, frames))
        # The pair wraps around the end and starts over.
        wraps = [i for i in range(len(ticks) - 2)
                 if ticks[i:i + 3] == ['========>>', '>========>', '>>========']]
        self.assertTrue(wraps, frames)

    def test_closing_mid_job_shows_no_message_and_ends(self):
        res = self.px.run_tool(close_mid_job=400, hold_job_ms=1)
        self.assertGreaterEqual(res['threads_held'], 1, 'the job was not running at the close')
        self.assertTrue(res['button_disabled_during_job'])
        self.assertFalse(res['message_before_close'])
        self.assertFalse(res['message_box_seen'])
        self.assertTrue(res['process_ended'])  # within the driver's own watchdog


class SettingsFileTest(unittest.TestCase):
    def test_read_only_prefs_ini_is_writable_after_start_up(self):
        m = default_machine()
        prefs = PRODUCT_USER + r'\Prefs.ini'
        m.readonly(prefs)
        with harness.Prefix(m, name='prefs') as px:
            path = px.unix_path(prefs)
            self.assertFalse(os.stat(path).st_mode & stat.S_IWUSR)
            seen = {}

            def check(p):
                seen['mode'] = os.stat(path).st_mode
                seen['attrib'] = p.wine(['cmd', '/c', 'attrib', prefs]).stdout.decode(
                    errors='replace')

            px.run_tool(press=False, on_window=check)
            self.assertTrue(seen['mode'] & stat.S_IWUSR)
            # attrib prints the flags before the path: no R once the tool has started.
            flags = seen['attrib'].split(PRODUCT_USER[:2])[0]
            self.assertNotIn('R', flags, seen['attrib'])
            with open(path, 'rb') as f:
                self.assertIn(b'InstDate1=', f.read())  # cleared, not rewritten

    def test_missing_product_folder_is_created_at_start_up(self):
        with harness.Prefix(harness.Machine(), name='nofolder') as px:
            folder = px.unix_path(PRODUCT_USER)
            self.assertFalse(os.path.exists(folder))
            seen = {}
            px.run_tool(press=False, on_window=lambda p: seen.update(
                made=os.path.isdir(folder)))
            self.assertTrue(seen['made'])



class HoveredLinkTest(unittest.TestCase):
    """The link while the pointer is on it, in screenshots taken then: the link's colour, and the
    pointer's own pixels (Xvfb's screen memory holds the drawn pointer, xwd leaves it out)
    against the system hand and I-beam cursors drawn the same way over tools/cursorwindow."""

    @classmethod
    def setUpClass(cls):
        import test_label as tl
        cls.tl = tl
        with harness.Prefix(Machine(), name='window-hover') as px:
            first = {}
            res = px.run_tool(press=False,
                              on_window=lambda p: first.update(png=p.screenshot('hover-before')))
            left, top, width, height = res['window']['rect']
            cw, ch = res['window']['client']
            cls.origin = (left + (width - cw) // 2, top + (height - ch) - (width - cw) // 2)
            x, y, w, h = tl.LABEL
            cls.row, cls.first, cls.last = tl.find_link(
                tl.pixels(first['png'], cls.origin[0] + x, cls.origin[1] + y, w, h))
            cls.point = (x + (cls.first + cls.last) // 2, y + cls.row - 4)
            shots = {}

            def shoot(name):
                def take(p):
                    shots[name] = (p.screenshot('hover-' + name),
                                   p.screenshot('hover-%s-pointer' % name, framebuffer=True))
                return take
            cls.res = px.run_tool(press=False, actions=[
                'hover', '5', '120', 'wait-signal', 'away',
                # A pointer at rest on the link has moved there: the last step is a pixel.
                'hover', str(cls.point[0] - 1), str(cls.point[1]),
                'hover', str(cls.point[0]), str(cls.point[1]), 'wait-signal', 'link'],
                on_signal={'away': shoot('away'), 'link': shoot('link')})
            window = px.install(px.build_file('tools', 'CursorWindow.exe'), r'C:\windows\temp')
            cls.references = {}
            for name in ('hand', 'ibeam'):
                px.env['PV_REFERENCE_CURSOR'] = name
                ref = px.run_tool(exe=window, press=False, actions=[
                    'hover', '60', '60', 'wait-signal', name], on_signal={name: shoot(name)})
                cls.references[name] = ref['hovers'][-1]
            cls.shots = shots
            colour = px.wine(['reg', 'query', r'HKCU\Control Panel\Colors', '/v',
                              'HotTrackingColor']).stdout.decode().split('REG_SZ')[1].split()
            cls.hot_light = tuple(int(c) for c in colour)

    def underline(self, png):
        x, y, w, h = self.tl.LABEL
        rows = self.tl.pixels(png, self.origin[0] + x, self.origin[1] + y, w, h)
        return set(rows[self.row][self.first:self.last + 1])

    def pointer_pixels(self, name, hover):
        """Offsets from the pointer's position of the pixels the drawn pointer changes."""
        ox, oy = hover['client_origin']
        x, y = ox + hover['x'] - 8, oy + hover['y'] - 8
        plain, drawn = (self.tl.pixels(png, x, y, 48, 48) for png in self.shots[name])
        return {(i - 8, j - 8) for j, (a, b) in enumerate(zip(plain, drawn))
                for i, (p, q) in enumerate(zip(a, b)) if p != q}

    @staticmethod
    def overlap(a, b):
        return len(a & b) / max(1, len(a | b))

    def test_pointer_over_the_link_is_the_system_hand(self):
        # Guards: another cursor than the hand over the link (an I-beam passed a check for "not
        # the arrow"), and the hand kept off the link.
        hand = self.pointer_pixels('hand', self.references['hand'])
        ibeam = self.pointer_pixels('ibeam', self.references['ibeam'])
        self.assertLess(self.overlap(hand, ibeam), 0.5)
        link = self.pointer_pixels('link', self.res['hovers'][-1])
        self.assertGreater(self.overlap(link, hand), 0.85, self.shots['link'][1])
        away = self.pointer_pixels('away', self.res['hovers'][0])
        self.assertLess(self.overlap(away, hand), 0.5, self.shots['away'][1])

    def test_link_takes_the_hot_light_colour_while_hovered(self):
        # Guards: the hover font's colour not applied (or another system colour taken).
        self.assertNotEqual(self.hot_light, self.tl.WINDOW_TEXT)
        self.assertEqual(self.underline(self.shots['link'][0]), {self.hot_light},
                         self.shots['link'][0])
        self.assertEqual(self.underline(self.shots['away'][0]), {self.tl.WINDOW_TEXT},
                         self.shots['away'][0])


if __name__ == '__main__':
    unittest.main()
