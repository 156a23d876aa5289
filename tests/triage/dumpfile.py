"""Small kernel crash dumps ("triage" dumps, type 4) written field by field for tests and the
benchmark, from the format's public layout: the DUMP_HEADER32 ("PAGEDUMP") or DUMP_HEADER64
("PAGEDU64") header, the TRIAGE_DUMP header after it, the driver list with its string pool, the
unloaded drivers and the stored call stack. Offsets are written out here, not taken from the
reader, so that a wrong constant on either side shows."""
import datetime
import struct

MACHINE_X86, MACHINE_X64, MACHINE_ARM64 = 0x014C, 0x8664, 0xAA64
TYPE_FULL, TYPE_TRIAGE = 1, 4
FILETIME_EPOCH = datetime.datetime(1601, 1, 1, tzinfo=datetime.timezone.utc)

# Per header width: header size, pointer size, MachineImageType, BugCheckCode, parameters,
# ContextRecord, Exception, DumpType, SystemTime; driver entry size, DllBase, SizeOfImage,
# TimeDateStamp; unloaded records: first record, size, name chars, start, end.
LAYOUT = {
    True: dict(header=0x2000, ptr=8, machine=0x30, bugcheck=0x38, params=0x40, context=0x348,
               exception=0xF00, exception_address=0x10, dump_type=0xF98, system_time=0xFA8,
               entry=0x90, base=0x38, size=0x48, stamp=0x88,
               unloaded_first=8, unloaded_size=56, unloaded_name=0x10, unloaded_start=0x28,
               unloaded_end=0x30),
    False: dict(header=0x1000, ptr=4, machine=0x20, bugcheck=0x28, params=0x2C, context=0x320,
                exception=0x7D0, exception_address=0x0C, dump_type=0xF88, system_time=0xFC0,
                entry=0x4C, base=0x1C, size=0x24, stamp=0x48,
                unloaded_first=4, unloaded_size=40, unloaded_name=0x08, unloaded_start=0x20,
                unloaded_end=0x24),
}
IP_IN_CONTEXT = {MACHINE_X86: (0xB8, 4), MACHINE_X64: (0xF8, 8), MACHINE_ARM64: (0x108, 8)}


def filetime(when):
    return int((when - FILETIME_EPOCH).total_seconds()) * 10_000_000


def put(buf, at, value, width):
    if len(buf) < at + width:
        buf.extend(bytes(at + width - len(buf)))
    buf[at:at + width] = value.to_bytes(width, "little")


def triage_dump(when, bugcheck, parameters, modules, ip=0, exception=(0, 0), stack=(),
                unloaded=(), wide=True, machine=MACHINE_X64, build=19045, processors=8,
                dump_type=TYPE_TRIAGE, pad_to=0):
    """The bytes of a dump. `when` is an aware datetime; `modules` are (path, base, size, stamp);
    `unloaded` are (name, start, end); `stack` holds pointer-sized values; `pad_to` grows the
    file (with zero bytes inside its stored call stack) to that many bytes."""
    L = LAYOUT[wide]
    ptr = L["ptr"]
    b = bytearray(L["header"])
    b[0:8] = b"PAGEDU64" if wide else b"PAGEDUMP"
    put(b, 0x08, 0x0F, 4)
    put(b, 0x0C, build, 4)
    put(b, L["machine"], machine, 4)
    put(b, L["machine"] + 4, processors, 4)
    put(b, L["bugcheck"], bugcheck, 4)
    for i, value in enumerate(parameters):
        put(b, L["params"] + i * ptr, value, ptr)
    at, width = IP_IN_CONTEXT[machine]
    put(b, L["context"] + at, ip, width)
    put(b, L["exception"], exception[0], 4)
    put(b, L["exception"] + L["exception_address"], exception[1], ptr)
    put(b, L["dump_type"], dump_type, 4)
    put(b, L["system_time"], filetime(when), 8)
    if dump_type != TYPE_TRIAGE:
        return bytes(b)

    triage = len(b)
    b.extend(bytes(0x100))
    driver_list = len(b)
    b.extend(bytes(L["entry"] * len(modules)))
    pool = len(b)
    for i, (path, base, size, stamp) in enumerate(modules):
        entry = driver_list + i * L["entry"]
        name = len(b)
        put(b, name, len(path), 4)
        b.extend(path.encode("utf-16-le") + b"\0\0")
        b.extend(bytes(-len(b) % 8))
        put(b, entry, name, 4)
        put(b, entry + L["base"], base, ptr)
        put(b, entry + L["size"], size, 4)
        put(b, entry + L["stamp"], stamp, 4)
    pool_size = len(b) - pool

    unloaded_at = len(b)
    put(b, unloaded_at, len(unloaded), 4)
    first = unloaded_at + L["unloaded_first"]
    b.extend(bytes(first + L["unloaded_size"] * len(unloaded) - len(b)))
    for i, (name, start, end) in enumerate(unloaded):
        r = first + i * L["unloaded_size"]
        name = name[:12]
        put(b, r, 2 * len(name), 2)
        b[r + L["unloaded_name"]:r + L["unloaded_name"] + 2 * len(name)] = name.encode("utf-16-le")
        put(b, r + L["unloaded_start"], start, ptr)
        put(b, r + L["unloaded_end"], end, ptr)

    stack_at = len(b)
    for value in stack:
        b.extend(value.to_bytes(ptr, "little"))
    if pad_to > len(b) + 4:
        b.extend(bytes((pad_to - len(b) - 4) // ptr * ptr))
    stack_size = len(b) - stack_at
    valid = len(b)
    b.extend(b"TRGD")
    for offset, value in ((0x04, len(b)), (0x08, valid), (0x18, unloaded_at), (0x28, stack_at),
                          (0x2C, stack_size), (0x30, driver_list), (0x34, len(modules)),
                          (0x38, pool), (0x3C, pool_size)):
        put(b, triage + offset, value, 4)
    return bytes(b)


KERNEL = ("\\SystemRoot\\system32\\ntoskrnl.exe", 0xFFFFF80100000000, 0x01046000, 0)
HAL = ("\\SystemRoot\\system32\\hal.dll", 0xFFFFF80101100000, 0x6000, 0)
DISPLAY = ("\\SystemRoot\\System32\\drivers\\nvlddmkm.sys", 0xFFFFF80512A40000, 0x02A00000,
           0x65A1B2C3)
GRAPHICS = ("\\SystemRoot\\System32\\drivers\\dxgkrnl.sys", 0xFFFFF80510000000, 0x400000, 0)
FAULT = 0xFFFFF80512A4334C


def display_driver_crash(when, pad_to=0, wide=True, machine=MACHINE_X64):
    """A 0x1000007E crash in nvlddmkm.sys at +0x334C, the module list of a small system."""
    return triage_dump(
        when, 0x1000007E, (0xFFFFFFFFC0000005, FAULT, 0xFFFFCC83FB572208, 0xFFFFCC83FB571A50),
        [KERNEL, HAL, DISPLAY, GRAPHICS], ip=FAULT, exception=(0xC0000005, FAULT),
        stack=(0xFFFFF80100123456, 0xFFFFF80510001000, FAULT, 0xFFFFF80510002000),
        unloaded=[("dump_storport.sys", 0xFFFFF80520000000, 0xFFFFF80520010000)], wide=wide,
        machine=machine, pad_to=pad_to)
