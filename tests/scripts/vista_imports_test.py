"""The exe's Vista import check: the PE import reader (by name and by ordinal, 32- and 64-bit
thunks) and the verdicts of the minimum-client table."""
import os
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'scripts'))
import peinfo  # noqa: E402
import vista_imports  # noqa: E402

SECTION_RVA = 0x1000
SECTION_RAW = 0x200


def pe_with_imports(pe32, library, names, ordinal):
    """A minimal PE file whose one section holds an import table for `library`: `names` by name,
    then `ordinal` by ordinal."""
    thunk, flag = (('<I', 0x80000000) if pe32 else ('<Q', 0x8000000000000000))
    size = struct.calcsize(thunk)
    lookup = SECTION_RVA + 40  # after the descriptor and its terminator
    strings = lookup + size * (len(names) + 2)
    body = bytearray()
    entries = []
    for name in names:
        entries.append(strings + len(body))
        body += b'\0\0' + name.encode() + b'\0'
    library_rva = strings + len(body)
    body += library.encode() + b'\0'
    section = bytearray(struct.pack('<IIIII', lookup, 0, 0, library_rva, lookup) + bytes(20))
    for rva in entries + [flag | ordinal, 0]:
        section += struct.pack(thunk, rva)
    section += body
    optional_size = 224 if pe32 else 240
    optional = bytearray(optional_size)
    struct.pack_into('<H', optional, 0, 0x10B if pe32 else 0x20B)
    struct.pack_into('<H', optional, 68, peinfo.SUBSYSTEM_GUI)
    struct.pack_into('<II', optional, (96 if pe32 else 112) + 8, SECTION_RVA, 40)
    header = bytearray(0x40)
    header[:2] = b'MZ'
    struct.pack_into('<I', header, 0x3C, 0x40)
    coff = struct.pack('<4sHHIIIHH', b'PE\0\0', peinfo.MACHINE_I386 if pe32 else
                       peinfo.MACHINE_AMD64, 1, 0, 0, 0, optional_size, 0)
    table = struct.pack('<8sIIII', b'.idata', len(section), SECTION_RVA, len(section),
                        SECTION_RAW) + bytes(16)
    head = header + coff + optional + table
    return bytes(head) + bytes(SECTION_RAW - len(head)) + bytes(section)


class ImportReaderTest(unittest.TestCase):
    def read(self, data):
        with tempfile.NamedTemporaryFile(suffix='.exe', delete=False) as f:
            f.write(data)
        try:
            return peinfo.PeFile(f.name).imported_functions()
        finally:
            os.unlink(f.name)

    def test_names_and_ordinals_of_both_thunk_sizes(self):
        # A reader that took 4-byte thunks for PE32+ or missed the ordinal flag would hide an
        # import from the check.
        for pe32 in (True, False):
            data = pe_with_imports(pe32, 'KERNEL32.dll', ['GetTickCount64', 'CreateFileW'], 7)
            self.assertEqual(self.read(data), [('kernel32.dll', 'GetTickCount64'),
                                               ('kernel32.dll', 'CreateFileW'),
                                               ('kernel32.dll', '#7')], pe32)


class VistaTableTest(unittest.TestCase):
    def test_verdicts(self):
        cases = [
            # (fault guarded against, imports, words every message must hold, message count)
            ('a Windows 8 import passes', [('KERNEL32.dll', 'SetDefaultDllDirectories')],
             ['SetDefaultDllDirectories', 'Vista SP2 lacks'], 1),
            ('AddDllDirectory passes', [('kernel32.dll', 'AddDllDirectory')], ['lacks'], 1),
            ('an unlisted import passes', [('kernel32.dll', 'GetTickCount2')],
             ['does not list'], 1),
            ('an import of another library counts as listed',
             [('user32.dll', 'GetTickCount64')], ['does not list'], 1),
            ('Vista functions refused', [('kernel32.dll', 'GetTickCount64'),
                                         ('KERNEL32.dll', 'GetFinalPathNameByHandleW'),
                                         ('ws2_32.dll', 'getaddrinfo')], [], 0),
            ('an import by ordinal passes unchecked', [('ws2_32.dll', '#23')],
             ['does not list'], 1),
        ]
        for fault, imports, words, count in cases:
            found = vista_imports.problems(imports)
            self.assertEqual(len(found), count, '%s: %s' % (fault, found))
            for message in found:
                for word in words:
                    self.assertIn(word, message, fault)

    def test_every_minimum_client_is_judged(self):
        # A client name the verdict set does not know would fail every import that carries it.
        known = vista_imports.VISTA_SP2_HAS | {'8 (Vista and 7 only with KB2533623)'}
        self.assertLessEqual(set(vista_imports.MINIMUM_CLIENT.values()), known)


if __name__ == '__main__':
    unittest.main()
