"""A minimal Windows shortcut (.lnk, the binary shell-link format) pointing at a local path.

    data = shell_link(r'C:\\Program Files\\Acme\\tray.exe', arguments=None)

The link carries a LinkInfo block with the target as its local base path and, when given, the
arguments as a Unicode string; no item-id list, so nothing on the target must exist."""

import struct

_CLSID_SHELL_LINK = bytes.fromhex('0114020000000000c000000000000046')
_HAS_LINK_INFO = 0x2
_HAS_ARGUMENTS = 0x20
_IS_UNICODE = 0x80
_FILE_ATTRIBUTE_ARCHIVE = 0x20


def shell_link(target, arguments=None):
    flags = _HAS_LINK_INFO | _IS_UNICODE | (_HAS_ARGUMENTS if arguments is not None else 0)
    header = struct.pack('<I16sII8s8s8sIiIHHII', 0x4C, _CLSID_SHELL_LINK, flags,
                         _FILE_ATTRIBUTE_ARCHIVE, b'\0' * 8, b'\0' * 8, b'\0' * 8, 0, 0, 1, 0, 0,
                         0, 0)
    volume = struct.pack('<IIII', 0x11, 3, 0x1234ABCD, 0x10) + b'\0'  # fixed drive, no label
    base = target.encode('cp1252') + b'\0'
    suffix = b'\0'
    header_size = 0x1C
    volume_offset = header_size
    base_offset = volume_offset + len(volume)
    suffix_offset = base_offset + len(base)
    size = suffix_offset + len(suffix)
    link_info = struct.pack('<IIIIIII', size, header_size, 1, volume_offset, base_offset, 0,
                            suffix_offset) + volume + base + suffix
    data = header + link_info
    if arguments is not None:
        data += struct.pack('<H', len(arguments)) + arguments.encode('utf-16-le')
    return data + b'\0\0\0\0'  # terminal extra-data block
