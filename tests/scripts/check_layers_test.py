"""Tests of scripts/check-layers.py over small source trees made in a temporary folder."""
import contextlib
import io
import os
import runpy
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, '..', '..', 'scripts', 'check-layers.py')
# The script's file name has a hyphen, so it is loaded by path rather than imported.
check_layers = types.SimpleNamespace(**runpy.run_path(SCRIPT, run_name='check_layers'))

LAYERS = ['platform=', 'zip=platform', 'sysinfo=platform', 'report=platform,sysinfo,zip',
          'app=platform,report']


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.src = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def write(self, path, *includes):
        full = os.path.join(self.src, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'w', encoding='utf-8') as f:
            f.write(''.join(f'{line}\n' for line in includes) + 'int x;\n')

    def run_check(self, layers=LAYERS):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = check_layers.main(['--src', self.src] + layers)
        return status, out.getvalue() + err.getvalue()

    def test_downward_own_and_system_includes_pass(self):
        self.write('platform/Text.h', '#include <string>')
        self.write('report/win32/Job.cpp', '#include "report/win32/Job.h"',
                   '#include "sysinfo/Facts.h"', '#  include "zip/Zip.h"', '#include <windows.h>')
        self.write('app/Main.cpp', '#include "report/win32/Job.h"', '#include "platform/Text.h"')
        self.assertEqual(self.run_check(), (0, ''))

    def test_upward_include_fails_with_place_and_reason(self):
        self.write('sysinfo/win32/Report.cpp', '#include "sysinfo/Facts.h"',
                   '#include "report/win32/ReportWriters.h"')
        status, text = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn(os.path.join('sysinfo', 'win32', 'Report.cpp') + ':2: upward include', text)

    def test_include_through_a_lower_subsystem_is_upward(self):
        # platform is below everything, so any include from it to a subsystem is upward.
        self.write('platform/Text.cpp', '#include "app/Main.h"')
        status, text = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn('upward include: app links to platform', text)

    def test_sideways_include_without_a_link_is_undeclared(self):
        self.write('zip/Writer.cpp', '#include "sysinfo/Facts.h"')
        status, text = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn('undeclared include: zip does not link to sysinfo', text)

    def test_includes_must_name_a_known_subsystem_folder(self):
        self.write('zip/Writer.cpp', '#include "Local.h"', '#include "tools/Helper.h"')
        status, text = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn(':1: "Local.h" does not name its subsystem folder', text)
        self.assertIn(':2: "tools/" is not a subsystem', text)

    def test_commented_out_include_is_ignored(self):
        self.write('zip/Writer.cpp', '// #include "app/Main.h"')
        self.assertEqual(self.run_check()[0], 0)

    def test_undeclared_source_folder_fails(self):
        self.write('extra/Thing.cpp')
        status, text = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn('folder "extra" is not a declared subsystem', text)

    def test_bad_tables_are_refused(self):
        self.write('zip/Writer.cpp')
        self.assertEqual(self.run_check(['platform=zip', 'zip=platform'])[0], 2)
        self.assertEqual(self.run_check(['platform=', 'zip=nowhere'])[0], 2)
        self.assertEqual(self.run_check(['zip'])[0], 2)


    NESTED = LAYERS + ['tri/dump=platform', 'tri/parse=platform,tri/dump',
                       'tri/cli=platform,tri/parse,tri/dump']

    def test_nested_layers_follow_their_own_links(self):
        self.write('tri/parse/Parser.cpp', '#include "tri/dump/Decode.h"', '#include "platform/T.h"')
        self.write('tri/cli/Main.cpp', '#include "tri/parse/Parser.h"')
        self.assertEqual(self.run_check(self.NESTED), (0, ''))

    def test_nested_upward_include_fails(self):
        # A layer of the reader including one above it, as a parser reaching into the program.
        self.write('tri/dump/Decode.cpp', '#include "tri/parse/Parsers.h"')
        status, text = self.run_check(self.NESTED)
        self.assertEqual(status, 1)
        self.assertIn('upward include: tri/parse links to tri/dump', text)

    def test_nested_container_holds_only_declared_layers(self):
        # The container folder itself is no layer: a file in it or in an undeclared folder fails,
        # and so does an include that names the container alone.
        self.write('tri/Loose.cpp')
        self.write('tri/extra/Thing.cpp')
        self.write('tri/cli/Main.cpp', '#include "tri/Model.h"')
        status, text = self.run_check(self.NESTED)
        self.assertEqual(status, 1)
        self.assertIn('folder "tri" is not a declared subsystem', text)
        self.assertIn('folder "tri/extra" is not a declared subsystem', text)
        self.assertIn('"tri/" is not a subsystem', text)

if __name__ == '__main__':
    unittest.main()
