"""The Wine harness's choice of build: the i386 probe program and the binfmt_misc emulator check
(an emulator registered for i386 programs must never count as running them natively)."""
import os
import shutil
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'wine'))
import harness  # noqa: E402

# The entry qemu's own set-up registers for i386 programs, and one for 32-bit ARM.
QEMU_I386 = ('enabled\ninterpreter /usr/bin/qemu-i386-static\nflags: F\noffset 0\n'
             'magic 7f454c4601010100000000000000000002000300\n'
             'mask fffffffffffefe00fffffffffffffffffeffffff\n')
QEMU_ARM = ('enabled\ninterpreter /usr/bin/qemu-arm-static\nflags: F\noffset 0\n'
            'magic 7f454c4601010100000000000000000002002800\n'
            'mask ffffffffffffff00fffffffffffffffffeffffff\n')


class ProbeProgram(unittest.TestCase):
    def test_is_a_static_i386_executable_that_exits_42(self):
        elf = harness._probe_program()
        self.assertEqual(elf[:4], b'\x7fELF')
        self.assertEqual(elf[4], 1)                                  # 32-bit
        e_type, machine = struct.unpack_from('<HH', elf, 16)
        self.assertEqual((e_type, machine), (2, 3))                  # executable, i386
        entry = struct.unpack_from('<I', elf, 24)[0]
        self.assertEqual(elf[entry - harness._PROBE_BASE:], harness._PROBE_CODE)
        self.assertIn(bytes.fromhex('bb2a000000'), harness._PROBE_CODE)  # exit code 42


class EmulatorCheck(unittest.TestCase):
    def misc(self, status, entries):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, True)
        with open(os.path.join(folder, 'status'), 'w') as f:
            f.write(status + '\n')
        open(os.path.join(folder, 'register'), 'w').close()
        for name, text in entries.items():
            with open(os.path.join(folder, name), 'w') as f:
                f.write(text)
        return folder

    def test_cases(self):
        program = harness._probe_program()
        cases = [
            ('qemu for i386', 'enabled', {'qemu-i386': QEMU_I386}, 'qemu-i386'),
            ('only an ARM emulator', 'enabled', {'qemu-arm': QEMU_ARM}, None),
            ('i386 entry disabled', 'enabled',
             {'qemu-i386': QEMU_I386.replace('enabled', 'disabled', 1)}, None),
            ('binfmt_misc disabled', 'disabled', {'qemu-i386': QEMU_I386}, None),
            ('no entries', 'enabled', {}, None),
        ]
        for label, status, entries, expected in cases:
            with self.subTest(label):
                self.assertEqual(harness._emulator_for(program, self.misc(status, entries)),
                                 expected)

    def test_missing_binfmt_misc_means_no_emulator(self):
        self.assertIsNone(harness._emulator_for(b'\x7fELF', '/nonexistent/binfmt_misc'))


class ForcedChoice(unittest.TestCase):
    def test_environment_overrides_the_probe(self):
        old = os.environ.get('PV_WINE_PRESET')
        try:
            for preset, arch in (('win64', 'x86_64'), ('win32', 'i686')):
                os.environ['PV_WINE_PRESET'] = preset
                v = harness.choose_vehicle()
                self.assertEqual((v['preset'], v['arch']), (preset, arch))
        finally:
            if old is None:
                os.environ.pop('PV_WINE_PRESET', None)
            else:
                os.environ['PV_WINE_PRESET'] = old


if __name__ == '__main__':
    unittest.main()
