"""Facts of a PE file (exe or dll) read straight from its headers: machine, subsystem, static
imports (libraries and functions) and the embedded manifest. Used by the exe's static checks and by the Wine harness, which
starts each program with the loader of its architecture."""
import struct

MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664
MACHINE_NAMES = {MACHINE_I386: 'i686', MACHINE_AMD64: 'x86_64'}
SUBSYSTEM_GUI = 2
SUBSYSTEM_CONSOLE = 3
RT_MANIFEST = 24
# Libraries Windows maps from its known-DLL list (or, for comctl32, from the side-by-side store
# the manifest names): the only static imports a planted copy beside the exe cannot replace.
KNOWN_IMPORTS = {'advapi32.dll', 'comctl32.dll', 'gdi32.dll', 'kernel32.dll', 'msvcrt.dll',
                 'ole32.dll', 'oleaut32.dll', 'shell32.dll', 'shlwapi.dll', 'user32.dll',
                 'ws2_32.dll', 'comdlg32.dll', 'imm32.dll', 'rpcrt4.dll'}
_PE32_MAGIC = 0x10B
_IMPORT_DIR = 1
_RESOURCE_DIR = 2


class PeFile:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b'MZ':
            raise ValueError('%s is not a PE file' % path)
        pe = struct.unpack_from('<I', d, 0x3C)[0]
        if d[pe:pe + 4] != b'PE\0\0':
            raise ValueError('%s is not a PE file' % path)
        self.machine = struct.unpack_from('<H', d, pe + 4)[0]
        sections = struct.unpack_from('<H', d, pe + 6)[0]
        optional_size = struct.unpack_from('<H', d, pe + 20)[0]
        optional = pe + 24
        self.pe32 = struct.unpack_from('<H', d, optional)[0] == _PE32_MAGIC
        self.subsystem = struct.unpack_from('<H', d, optional + 68)[0]
        self._directories = optional + (96 if self.pe32 else 112)
        self._sections = [struct.unpack_from('<IIII', d, optional + optional_size + 40 * i + 8)
                          for i in range(sections)]

    def _directory(self, index):
        return struct.unpack_from('<II', self.data, self._directories + 8 * index)

    def _offset(self, rva):
        for size, address, _, raw in self._sections:
            if address <= rva < address + max(size, 1):
                return rva - address + raw
        raise ValueError('rva %#x outside every section' % rva)

    def _descriptors(self):
        """(library name in lower case, lookup table rva) of each import descriptor."""
        rva, _ = self._directory(_IMPORT_DIR)
        at = self._offset(rva) if rva else None
        while at is not None:
            lookup, _, _, name_rva, first_thunk = struct.unpack_from('<IIIII', self.data, at)
            if name_rva == 0:
                break
            yield self._string(name_rva).lower(), lookup or first_thunk
            at += 20

    def _string(self, rva):
        start = self._offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def imports(self):
        """Names of the libraries imported statically, lower case, in table order."""
        return [name for name, _ in self._descriptors()]

    def imported_functions(self):
        """(library in lower case, function) of every static import, in table order; a function
        imported by ordinal is named '#<ordinal>'."""
        size, flag = (4, 0x80000000) if self.pe32 else (8, 0x8000000000000000)
        fmt = '<I' if self.pe32 else '<Q'
        found = []
        for library, table in self._descriptors():
            at = self._offset(table)
            while True:
                entry = struct.unpack_from(fmt, self.data, at)[0]
                if entry == 0:
                    break
                if entry & flag:
                    found.append((library, '#%d' % (entry & 0xFFFF)))
                else:
                    found.append((library, self._string((entry & 0x7FFFFFFF) + 2)))
                at += size
        return found

    def manifest(self):
        """The first RT_MANIFEST resource's bytes, or None."""
        rva, _ = self._directory(_RESOURCE_DIR)
        if not rva:
            return None
        base = self._offset(rva)

        def entries(table):
            named, ids = struct.unpack_from('<HH', self.data, table + 12)
            for i in range(named + ids):
                yield struct.unpack_from('<II', self.data, table + 16 + 8 * i)

        node = None
        for name, target in entries(base):
            if name == RT_MANIFEST:
                node = target
        if node is None:
            return None
        # type -> name -> language -> data entry; the high bit marks a subdirectory.
        while node & 0x80000000:
            first = next(entries(base + (node & 0x7FFFFFFF)), None)
            if first is None:
                return None
            node = first[1]
        data_rva, size = struct.unpack_from('<II', self.data, base + node)
        start = self._offset(data_rva)
        return self.data[start:start + size]


def machine_name(path):
    """'i686' or 'x86_64' (or the machine number in hex for anything else)."""
    machine = PeFile(path).machine
    return MACHINE_NAMES.get(machine, '%#x' % machine)
