"""DeviceList.txt on the real exe: every device of the setup database, newest installation first,
each seeded device's block exactly as the sample machine describes it; and the byte-order mark
alone when the device set cannot be opened."""

import hashlib
import re
import unittest

import harness
from machine import Machine
import seed_devices

CRLF = '\r\n'


def blocks_of(text):
    """The report's blocks as lists of lines (each block ends with its empty line)."""
    lines = text.split(CRLF)
    assert lines[-1] == '', 'the last line must end with CR LF'
    blocks, current = [], []
    for line in lines[:-1]:
        current.append(line)
        if line == '':
            blocks.append(current)
            current = []
    assert not current, 'a block without its closing empty line: %r' % current
    return blocks


def field(block, label):
    for line in block:
        if line.startswith(label):
            return line[len(label):]
    raise AssertionError('%r missing in %r' % (label, block))


def run_tool(machine, disabled_dll=None, windows_version=None):
    """Runs the tool once (with Wine's `disabled_dll` unloadable, or Wine reporting
    `windows_version`); returns DeviceList.txt's bytes from the archive."""
    with harness.Prefix(machine, name='devices') as px:
        if windows_version:
            px.wine(['reg', 'add', r'HKCU\Software\Wine', '/v', 'Version', '/d', windows_version,
                     '/f'])
        if disabled_dll:
            px.env['WINEDLLOVERRIDES'] = px.env.get('WINEDLLOVERRIDES', '') + ';%s=d' % disabled_dll
        px.run_tool()
        return harness.archive_read(px.archive_path(), 'DeviceList.txt')


class SeededDevicesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.data = run_tool(seed_devices.seed(Machine()))
        cls.text = cls.data[2:].decode('utf-16-le')
        cls.blocks = blocks_of(cls.text)
        cls.by_instance = {field(b, ' Inst = '): (i, b) for i, b in enumerate(cls.blocks)}

    def test_file_is_utf16_with_byte_order_mark(self):
        self.assertTrue(self.data.startswith(b'\xff\xfe'))
        self.assertTrue(self.text.endswith(CRLF))

    def test_every_seeded_device_block_byte_for_byte(self):
        for device in seed_devices.DEVICES:
            with self.subTest(device=device['instance']):
                self.assertIn(device['instance'], self.by_instance)
                index, block = self.by_instance[device['instance']]
                expected = seed_devices.expected_block(device, index)
                self.assertEqual(block, expected)
                self.assertIn(CRLF.join(expected).encode('utf-16-le'), self.data)

    def test_wine_devices_are_listed_too(self):
        self.assertGreater(len(self.blocks), len(seed_devices.DEVICES))

    def test_blocks_numbered_in_order_newest_install_first(self):
        self.assertEqual([b[0] for b in self.blocks],
                         ['#%d' % i for i in range(len(self.blocks))])
        dates = [float(field(b, ' InDa.D = ')) for b in self.blocks]
        self.assertEqual(dates, sorted(dates, reverse=True))
        seeded = [d['instance'] for d in sorted(
            (d for d in seed_devices.DEVICES if d['installed']),
            key=lambda d: d['installed'], reverse=True)]
        listed = [field(b, ' Inst = ') for b in self.blocks
                  if field(b, ' Inst = ') in seeded]
        self.assertEqual(listed, seeded)

    def test_every_key_is_the_md5_of_the_instance_id(self):
        for block in self.blocks:
            instance = field(block, ' Inst = ')
            self.assertEqual(field(block, ' Key  = '),
                             hashlib.md5(instance.encode('cp1252')).hexdigest().upper())

    def test_block_layout_of_every_device(self):
        labels = [' Key  = ', ' Type = ', ' Name = ', ' Date.D = ', ' InDa.D = ', ' Date = ',
                  ' InDa = ', ' Vern = ', ' Prvd = ', ' Plug = ', ' Prob = ', ' Code = ',
                  ' Rein = ', ' Inst = ', ' Stat = ', ' Roll = ', ' Dch  = ']
        date = re.compile(r'\d{1,2}/\d{1,2}/\d{4} \d{2}:\d{2}:\d{2}')
        for block in self.blocks:
            self.assertEqual(block[1], '[Device]')
            for label, line in zip(labels, block[2:19]):
                self.assertTrue(line.startswith(label), (label, line))
            self.assertRegex(field(block, ' Date = '), date)
            self.assertRegex(field(block, ' Type = '), r'^\{[0-9A-F-]{36}\} \S')
            self.assertEqual(block[19], '[HardID]')
            self.assertIn('[CompID]', block)
            self.assertEqual(block[-3], '[MatchID]')
            self.assertTrue(block[-2].startswith(' '))


def rollback_of(data):
    """Instance ID -> the Roll field of DeviceList.txt's bytes."""
    return {field(b, ' Inst = '): field(b, ' Roll = ')
            for b in blocks_of(data[2:].decode('utf-16-le'))}


class RegistryRollbackTest(unittest.TestCase):
    """Windows XP x64 reported (flag 2): the reinstall entries of the native registry view
    decide the rollback field."""

    def test_reinstall_entry_whose_file_exists(self):
        # Guards: the registry method never made (or always false), the instance ID compared
        # with its case, the file's existence ignored, and the 32-bit view read on XP x64.
        display, usb, keyboard = (d['instance'] for d in seed_devices.DEVICES[:3])
        m = seed_devices.seed(Machine())
        reinstall = r'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Reinstall'
        m.file(r'C:\windows\inf\oem7.inf', '[Version]\r\n')
        m.reg(reinstall + r'\0000', 'DeviceInstanceIds', 'REG_MULTI_SZ', [usb.lower()], view=64)
        m.reg(reinstall + r'\0000', 'ReinstallString', 'REG_SZ', r'C:\windows\inf\oem7.inf',
              view=64)
        m.reg(reinstall + r'\0001', 'DeviceInstanceIds', 'REG_SZ', keyboard, view=64)
        m.reg(reinstall + r'\0001', 'ReinstallString', 'REG_SZ', r'C:\windows\inf\gone.inf',
              view=64)
        m.reg(reinstall + r'\0002', 'DeviceInstanceIds', 'REG_SZ', display, view=32)
        m.reg(reinstall + r'\0002', 'ReinstallString', 'REG_SZ', r'C:\windows\inf\oem7.inf',
              view=32)
        roll = rollback_of(run_tool(m, windows_version='winxp64'))
        self.assertEqual([i for i, r in roll.items() if r == 'True'], [usb])
        self.assertEqual((roll[display], roll[keyboard]), ('False', 'False'))


class SetupApiDoubleTest(unittest.TestCase):
    """Windows 10 x64 reported (the property method), with tools/setupapi loaded in place of
    SetupAPI and CfgMgr32: three devices with node states Wine's own setup API never gives."""

    # Instance ID -> (Plug, Prob, Stat, Roll), as the double describes its devices.
    EXPECTED = {
        r'ROOT\ACME_ROLLBACK\0000': ('True', '0', '0', 'True'),
        # Not present: no problem number, and the rollback check is not made at all.
        r'ROOT\ACME_REMOVED\0000': ('False', '0', '0', 'False'),
        r'ROOT\ACME_PROBLEM\0000': ('True', '28', '3', 'False'),
    }

    def test_node_status_install_state_and_rollback(self):
        # Guards: a rollback check that always says false (or ignores the strong name's first
        # piece), the plug state and problem number taken from the wrong status fields, the
        # install state left out, and the check made for a device that is not present.
        m = Machine()
        system = r'C:\windows\syswow64' if harness.peinfo.PeFile(
            harness.build_file(harness.TOOL_EXE)).machine == harness.peinfo.MACHINE_I386 \
            else r'C:\windows\system32'
        for name in ('setupapi.dll', 'cfgmgr32.dll'):
            m.build_output(system + '\\' + name, 'tools', 'SetupApiDouble.dll')
        with harness.Prefix(m, name='devices-double') as px:
            px.env['WINEDLLOVERRIDES'] += ';setupapi,cfgmgr32=n'
            px.run_tool()
            data = harness.archive_read(px.archive_path(), 'DeviceList.txt')
        blocks = blocks_of(data[2:].decode('utf-16-le'))
        found = {field(b, ' Inst = '): tuple(field(b, label) for label in
                                             (' Plug = ', ' Prob = ', ' Stat = ', ' Roll = '))
                 for b in blocks}
        self.assertEqual(found, self.EXPECTED)
        self.assertEqual([field(b, ' Inst = ') for b in blocks], list(self.EXPECTED))


class UnopenableDeviceSetTest(unittest.TestCase):
    def test_missing_setup_library_leaves_the_byte_order_mark_alone(self):
        # With SetupAPI.dll unloadable every slot of the binding is empty, so opening the device
        # set fails with ERROR_PROC_NOT_FOUND and no device is listed.
        data = run_tool(seed_devices.seed(Machine()), disabled_dll='setupapi')
        self.assertEqual(data, b'\xff\xfe')


if __name__ == '__main__':
    unittest.main()
