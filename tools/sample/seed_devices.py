"""Sample devices for DeviceList.txt: a dozen devices under the setup database's Enum key with
their registry properties, device properties (Properties\\{fmtid}\\<pid>) and driver keys under
Control\\Class, as Wine's setup API reads them. Instance IDs are upper case: Wine's setup API upper-cases them.

DEVICES describes each device; expected_block(device, index) gives the exact lines DeviceList.txt
holds for it (what Wine's setup API hands back: class GUIDs upper-cased, every device present,
no problem number, no install state, no rollback)."""

import datetime as _dt
import hashlib

ENUM = r'HKLM\SYSTEM\CurrentControlSet\Enum'
CLASS = r'HKLM\SYSTEM\CurrentControlSet\Control\Class'
SERVICES = r'HKLM\SYSTEM\CurrentControlSet\Services'

# Device property sets and numbers.
DRIVER_PROPS = '{A8B865DD-2E3D-4094-AD97-E593A70C75D6}'
INSTALL_PROPS = '{83DA6326-97A6-4088-9453-A1923F573B29}'
PROBLEM_PROPS = '{4340A6C5-93FA-4706-972C-7B648008A5A7}'
DATE, VERSION, MATCHING, PROVIDER = 2, 3, 8, 9
INSTALL_DATE, PROBLEM_CODE = 100, 3
# Registry types of device properties: 0xffff0000 | DEVPROP_TYPE_*.
PROP_UINT32, PROP_FILETIME, PROP_STRING = 0xffff0007, 0xffff0010, 0xffff0012

UTC = _dt.timezone.utc


def _utc(*args):
    return _dt.datetime(*args, tzinfo=UTC)


def _device(instance, desc, class_guid, **kw):
    d = dict(instance=instance, desc=desc, class_guid=class_guid, friendly=None, cls=None,
             hardware=[], compatible=[], service=None, config_flags=None, driver=None,
             props={}, driver_key={}, installed=None, problem_code=None, dch=False)
    d.update(kw)
    return d


DISPLAY = '{4d36e968-e325-11ce-bfc1-08002be10318}'
USB = '{36fc9e60-c465-11cf-8056-444553540000}'
KEYBOARD = '{4d36e96b-e325-11ce-bfc1-08002be10318}'
NET = '{4d36e972-e325-11ce-bfc1-08002be10318}'
MEDIA = '{4d36e96c-e325-11ce-bfc1-08002be10318}'
BLUETOOTH = '{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}'
DISK = '{4d36e967-e325-11ce-bfc1-08002be10318}'
MONITOR = '{4d36e96e-e325-11ce-bfc1-08002be10318}'
CAMERA = '{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}'
MOUSE = '{4d36e96f-e325-11ce-bfc1-08002be10318}'
OTHER = '{4d36e97e-e325-11ce-bfc1-08002be10318}'

DEVICES = [
    # Display adapter of a DCH driver; matching ID stored in lower case; no friendly name.
    _device(r'PCI\VEN_8086&DEV_5917&SUBSYS_224D17AA&REV_07\3&2411E6FE&0&10',
            'Intel(R) UHD Graphics 620', DISPLAY, cls='Display',
            hardware=[r'PCI\VEN_8086&DEV_5917&SUBSYS_224D17AA&REV_07',
                      r'PCI\VEN_8086&DEV_5917&SUBSYS_224D17AA', r'PCI\VEN_8086&DEV_5917&CC_030000'],
            compatible=[r'PCI\VEN_8086&DEV_5917&REV_07', r'PCI\VEN_8086&CC_030000',
                        r'PCI\CC_0300'],
            service='igfx', dch=True, driver=DISPLAY + r'\0011',
            props={MATCHING: r'pci\ven_8086&dev_5917', PROVIDER: 'Intel Corporation',
                   VERSION: '27.20.100.9621', DATE: _utc(2021, 5, 19)},
            installed=_utc(2023, 11, 20, 8, 15, 30)),
    # Composite USB device whose driver facts live only in its driver key.
    _device(r'USB\VID_046D&PID_C52B\5&2C2A5B3A&0&2', 'USB Composite Device', USB, cls='USB',
            friendly='Logitech USB Unifying Receiver',
            hardware=[r'USB\VID_046D&PID_C52B&REV_1211', r'USB\VID_046D&PID_C52B'],
            compatible=[r'USB\DevClass_00&SubClass_00&Prot_00', r'USB\DevClass_00',
                        r'USB\COMPOSITE'],
            service='usbccgp', driver=USB + r'\0014',
            driver_key={'MatchingDeviceId': r'usb\composite', 'ProviderName': ' Microsoft ',
                        'DriverVersion': '10.0.19041.1202', 'DriverDateData': _utc(2006, 6, 21)},
            installed=_utc(2023, 11, 18, 17, 2, 45)),
    # Keyboard behind the receiver: never got an install date.
    _device(r'HID\VID_046D&PID_C52B&MI_00\7&1A2B3C4D&0&0000', 'HID Keyboard Device', KEYBOARD,
            cls='Keyboard', hardware=[r'HID\VID_046D&PID_C52B&REV_1211&MI_00',
                                      r'HID\VID_046D&PID_C52B&MI_00'],
            compatible=[r'HID_DEVICE_SYSTEM_KEYBOARD', r'HID_DEVICE_UP:0001_U:0006', 'HID_DEVICE'],
            service='kbdhid', driver=KEYBOARD + r'\0013',
            props={MATCHING: r'hid_device_system_keyboard', PROVIDER: 'Microsoft',
                   VERSION: '10.0.19041.1', DATE: _utc(2006, 6, 21)}),
    # A device without class name or driver that asks for a reinstall (problem 28). Its class
    # GUID names no installed class, so no class name can be derived from it either.
    _device(r'PCI\VEN_1217&DEV_8621&SUBSYS_224D17AA&REV_01\4&3A3B7A2&0&00E4',
            'Base System Device', OTHER,
            hardware=[r'PCI\VEN_1217&DEV_8621&SUBSYS_224D17AA&REV_01',
                      r'PCI\VEN_1217&DEV_8621&SUBSYS_224D17AA'],
            compatible=[r'PCI\VEN_1217&CC_080501', r'PCI\CC_0805'],
            config_flags=0x20 | 0x40, problem_code=28,
            installed=_utc(2023, 11, 14, 10, 2, 11)),
    # Network adapter with a friendly name and every driver property.
    _device(r'PCI\VEN_10EC&DEV_8168&SUBSYS_224D17AA&REV_15\4&1F8B3C5&0&00E5',
            'Realtek PCIe GbE Family Controller', NET, cls='Net',
            friendly='Ethernet  ', hardware=[r'PCI\VEN_10EC&DEV_8168&SUBSYS_224D17AA&REV_15'],
            compatible=[r'PCI\VEN_10EC&DEV_8168&REV_15', r'PCI\VEN_10EC&CC_020000'],
            service='rt640x64', driver=NET + r'\0012',
            props={MATCHING: r'PCI\VEN_10EC&DEV_8168&REV_15', PROVIDER: 'Realtek',
                   VERSION: '10.50.511.2021', DATE: _utc(2021, 5, 11)},
            installed=_utc(2023, 11, 15, 9, 50, 0)),
    # Audio of a DCH driver.
    _device(r'HDAUDIO\FUNC_01&VEN_10EC&DEV_0257&SUBSYS_17AA224D&REV_1000\4&2B2F5B8&0&0001',
            'Realtek High Definition Audio', MEDIA, cls='MEDIA', friendly='Realtek Audio',
            hardware=[r'HDAUDIO\FUNC_01&VEN_10EC&DEV_0257&SUBSYS_17AA224D&REV_1000',
                      r'HDAUDIO\FUNC_01&VEN_10EC&DEV_0257&SUBSYS_17AA224D'],
            compatible=[r'HDAUDIO\FUNC_01&VEN_10EC&DEV_0257&REV_1000',
                        r'HDAUDIO\FUNC_01&VEN_10EC&DEV_0257'],
            service='IntcAzAudAddService', dch=True, driver=MEDIA + r'\0015',
            props={MATCHING: r'hdaudio\func_01&ven_10ec&dev_0257&subsys_17aa224d',
                   PROVIDER: 'Realtek Semiconductor Corp.', VERSION: '6.0.9088.1',
                   DATE: _utc(2021, 1, 12)},
            installed=_utc(2024, 2, 1, 12, 0, 0)),
    # Bluetooth radio: matching ID in lower case in the driver key, provider from the property.
    _device(r'USB\VID_8087&PID_0A2B\5&2C2A5B3A&0&7', 'Intel(R) Wireless Bluetooth(R)', BLUETOOTH,
            cls='Bluetooth', hardware=[r'USB\VID_8087&PID_0A2B&REV_0010', r'USB\VID_8087&PID_0A2B'],
            compatible=[r'USB\Class_E0&SubClass_01&Prot_01', r'USB\Class_E0'],
            service='BTHUSB', driver=BLUETOOTH + r'\0016',
            props={PROVIDER: 'Intel Corporation', VERSION: '22.60.0.6', DATE: _utc(2022, 11, 30)},
            driver_key={'MatchingDeviceId': r'usb\vid_8087&pid_0a2b'},
            installed=_utc(2023, 12, 3, 21, 14, 9)),
    # System disk.
    _device(r'SCSI\DISK&VEN_NVME&PROD_SAMSUNG_MZVLB256\5&1F4A2B7E&0&000000', 'Disk drive', DISK,
            cls='DiskDrive', friendly='SAMSUNG MZVLB256HAHQ-000L7',
            hardware=[r'SCSI\DiskNVMe____SAMSUNG_MZVLB256', r'SCSI\DiskNVMe____',
                      r'GenDisk'],
            compatible=[r'SCSI\Disk', r'SCSI\RAW'], service='disk', driver=DISK + r'\0017',
            props={MATCHING: 'GenDisk', PROVIDER: 'Microsoft', VERSION: '10.0.19041.1',
                   DATE: _utc(2006, 6, 21)},
            installed=_utc(2023, 11, 14, 9, 41, 7)),
    # Monitor with a blank in one of its IDs (written as two items).
    _device(r'DISPLAY\LEN40A9\4&2A1C7E3&0&UID265988', 'Generic PnP Monitor', MONITOR,
            cls='Monitor', hardware=[r'MONITOR\LEN40A9 REV2'], compatible=['*PNP09FF'],
            service='monitor', driver=MONITOR + r'\0018',
            props={MATCHING: r'monitor\len40a9', PROVIDER: 'Microsoft', VERSION: '10.0.19041.1',
                   DATE: _utc(2006, 6, 21)},
            installed=_utc(2023, 11, 16, 7, 30, 59)),
    # A USB stick used once long ago.
    _device(r'USBSTOR\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\4C530001230815117232&0',
            'Disk drive', DISK, cls='DiskDrive', friendly='SanDisk Cruzer Blade USB Device',
            hardware=[r'USBSTOR\DiskSanDisk_Cruzer_Blade___1.00', r'USBSTOR\DiskSanDisk_'],
            compatible=[r'USBSTOR\Disk', r'USBSTOR\RAW', 'GenDisk'], service='disk',
            driver=DISK + r'\0019',
            props={MATCHING: 'gendisk', PROVIDER: 'Microsoft', VERSION: '10.0.19041.1',
                   DATE: _utc(2006, 6, 21)},
            installed=_utc(2022, 2, 3, 16, 20, 0)),
    # Camera without any hardware IDs.
    _device(r'USB\VID_5986&PID_2113&MI_00\6&3B1E2F0&0&0000', 'Integrated Camera', CAMERA,
            cls='Camera', service='usbvideo', driver=CAMERA + r'\0020',
            props={PROVIDER: 'Microsoft', VERSION: '10.0.19041.2913', DATE: _utc(2006, 6, 21)},
            installed=_utc(2024, 1, 9, 11, 5, 42)),
    # Touchpad whose driver key holds only the provider; its version property is blank-padded.
    _device(r'ACPI\SYN2B2C\4&22B4B1E&0', 'Synaptics SMBus TouchPad', MOUSE, cls='Mouse',
            hardware=[r'ACPI\SYN2B2C', '*SYN2B2C'], compatible=[r'ACPI\SYN1B00', '*PNP0F13'],
            service='SynTP', driver=MOUSE + r'\0021',
            props={VERSION: ' 19.5.10.69 ', DATE: _utc(2020, 8, 25)},
            driver_key={'ProviderName': 'Synaptics', 'MatchingDeviceId': r'acpi\syn2b2c'},
            installed=_utc(2023, 11, 14, 10, 30, 0)),
]


def _filetime(when):
    return (int((when - _dt.datetime(1601, 1, 1, tzinfo=UTC)).total_seconds()) * 10_000_000
            ).to_bytes(8, 'little')


def seed(m):
    for d in DEVICES:
        key = ENUM + '\\' + d['instance']
        m.reg(key, 'DeviceDesc', 'REG_SZ', d['desc'], view=64)
        m.reg(key, 'ClassGUID', 'REG_SZ', d['class_guid'], view=64)
        if d['friendly'] is not None:
            m.reg(key, 'FriendlyName', 'REG_SZ', d['friendly'], view=64)
        if d['cls'] is not None:
            m.reg(key, 'Class', 'REG_SZ', d['cls'], view=64)
        if d['hardware']:
            m.reg(key, 'HardwareID', 'REG_MULTI_SZ', d['hardware'], view=64)
        if d['compatible']:
            m.reg(key, 'CompatibleIDs', 'REG_MULTI_SZ', d['compatible'], view=64)
        if d['service']:
            m.reg(key, 'Service', 'REG_SZ', d['service'], view=64)
        if d['config_flags'] is not None:
            m.reg(key, 'ConfigFlags', 'REG_DWORD', d['config_flags'], view=64)
        if d['driver']:
            m.reg(key, 'Driver', 'REG_SZ', d['driver'], view=64)
        for pid, value in d['props'].items():
            prop = key + r'\Properties\%s\%04X' % (DRIVER_PROPS, pid)
            if isinstance(value, _dt.datetime):
                m.reg(prop, None, PROP_FILETIME, _filetime(value), view=64)
            else:
                m.reg(prop, None, PROP_STRING, value, view=64)
        if d['installed'] is not None:
            m.reg(key + r'\Properties\%s\%04X' % (INSTALL_PROPS, INSTALL_DATE), None,
                  PROP_FILETIME, _filetime(d['installed']), view=64)
        if d['problem_code'] is not None:
            m.reg(key + r'\Properties\%s\%04X' % (PROBLEM_PROPS, PROBLEM_CODE), None,
                  PROP_UINT32, d['problem_code'].to_bytes(4, 'little'), view=64)
        if d['driver']:
            driver_key = CLASS + '\\' + d['driver']
            m.reg(driver_key, 'DriverDesc', 'REG_SZ', d['desc'], view=64)
            for name, value in d['driver_key'].items():
                if isinstance(value, _dt.datetime):
                    m.reg(driver_key, name, 'REG_BINARY', _filetime(value), view=64)
                else:
                    m.reg(driver_key, name, 'REG_SZ', value, view=64)
        if d['service']:
            m.reg(SERVICES + '\\' + d['service'], 'Type', 'REG_DWORD', 1, view=64)
            if d['dch']:
                m.reg(SERVICES + '\\' + d['service'], 'DCHUVen', 'REG_DWORD', 0x8086, view=64)
    return m


# ----- what DeviceList.txt shows for a seeded device ---------------------------------------------

def date_value(when):
    """A UTC datetime as days since 30 December 1899 (0 for None)."""
    if when is None:
        return 0.0
    delta = when - _dt.datetime(1899, 12, 30, tzinfo=UTC)
    return delta.days + delta.seconds / 86400


def number_text(value):
    """The general-number text of a date value (15 significant digits, no trailing zeros)."""
    return '0' if value == 0 else '%.15g' % value


def date_text(when):
    """'m/d/yyyy HH:nn:ss' of a UTC datetime; 12/30/1899 00:00:00 for None."""
    when = when or _dt.datetime(1899, 12, 30)
    return '%d/%d/%04d %02d:%02d:%02d' % (when.month, when.day, when.year, when.hour,
                                          when.minute, when.second)


def _ids(items):
    return [' ' + part.upper() for item in items for part in item.split()]


def expected_block(d, index):
    """The lines of the device's block at position `index` of the report (no line ends)."""
    props, dk = d['props'], d['driver_key']
    driver_date = props.get(DATE) or dk.get('DriverDateData')
    matching = (props.get(MATCHING) or dk.get('MatchingDeviceId') or '').strip().upper()
    provider = props.get(PROVIDER) or dk.get('ProviderName', '').strip()
    version = props.get(VERSION) or dk.get('DriverVersion', '').strip()
    name = (d['friendly'] or '').strip() or d['desc'].strip()
    key = hashlib.md5(d['instance'].encode('cp1252')).hexdigest().upper()
    return (['#%d' % index, '[Device]', ' Key  = ' + key,
             ' Type = %s %s' % (d['class_guid'].upper(), d['cls'] or 'UNKNOWN'),
             ' Name = ' + name,
             ' Date.D = ' + number_text(date_value(driver_date)),
             ' InDa.D = ' + number_text(date_value(d['installed'])),
             ' Date = ' + date_text(driver_date), ' InDa = ' + date_text(d['installed']),
             ' Vern = ' + version, ' Prvd = ' + provider, ' Plug = True', ' Prob = 0',
             ' Code = %d' % (d['problem_code'] or 0),
             ' Rein = ' + ('True' if (d['config_flags'] or 0) & 0x20 else 'False'),
             ' Inst = ' + d['instance'], ' Stat = 0', ' Roll = False',
             ' Dch  = ' + ('True' if d['dch'] else 'False'), '[HardID]']
            + _ids(d['hardware']) + ['[CompID]'] + _ids(d['compatible'])
            + ['[MatchID]', ' ' + matching, ''])
