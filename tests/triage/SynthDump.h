#pragma once
// Kernel crash dumps made for tests: a dump header of either width, a small-dump header, its
// module list and string pool, the unloaded modules and a call stack, written field by field in
// little-endian order. The offsets are written out here again from the format's public layout
// rather than taken from the decoder, so that a wrong constant in the decoder fails a test.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pv::triage::test {

inline constexpr uint32_t kMachineX86 = 0x014C;
inline constexpr uint32_t kMachineX64 = 0x8664;
inline constexpr uint32_t kMachineArm64 = 0xAA64;
inline constexpr uint32_t kTypeFull = 1;
inline constexpr uint32_t kTypeTriage = 4;

// 100-ns ticks since 1601 of a Unix time.
inline uint64_t FileTimeOf(int64_t unixSeconds) {
    return static_cast<uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ULL;
}

struct SynthModule {
    std::string Path; // stored in the string pool as UTF-16
    uint64_t Base = 0;
    uint32_t Size = 0;
    uint32_t TimeStamp = 0;
};

struct SynthUnloaded {
    std::string Name;
    uint64_t Start = 0;
    uint64_t End = 0;
};

struct SynthDump {
    bool Wide = true; // PAGEDU64
    uint32_t Machine = kMachineX64;
    uint32_t DumpType = kTypeTriage;
    uint32_t Build = 19045;
    uint32_t Processors = 8;
    int64_t Time = 1'765'361'234; // 2025-12-10 10:07:14 UTC
    uint32_t BugCheck = 0x1000007E;
    std::array<uint64_t, 4> Parameters{};
    uint64_t InstructionPointer = 0;
    uint32_t ExceptionCode = 0;
    uint64_t ExceptionAddress = 0;
    std::vector<SynthModule> Modules;
    std::vector<SynthUnloaded> Unloaded;
    std::vector<uint64_t> Stack; // pointer-sized values
};

// The bytes and where each part went, for tests that then damage one of them.
struct BuiltDump {
    std::string Bytes;
    size_t Triage = 0; // the small-dump header
    size_t DriverList = 0;
    size_t StringPool = 0;
    size_t UnloadedList = 0;
    size_t Stack = 0;
    size_t ValidMarker = 0;
};

inline void PutLe(std::string& bytes, size_t at, uint64_t value, size_t width) {
    if (bytes.size() < at + width) {
        bytes.resize(at + width, '\0');
    }
    for (size_t i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}
inline void Put32(std::string& bytes, size_t at, uint64_t value) {
    PutLe(bytes, at, value, 4);
}

inline void PutAscii(std::string& bytes, size_t at, const char* text) {
    for (size_t i = 0; text[i] != 0; ++i) {
        PutLe(bytes, at + i, static_cast<uint8_t>(text[i]), 1);
    }
}

inline BuiltDump BuildDump(const SynthDump& d) {
    // DUMP_HEADER32 / DUMP_HEADER64 fields.
    const size_t header = d.Wide ? 0x2000 : 0x1000;
    const size_t ptr = d.Wide ? 8 : 4;
    const size_t machineAt = d.Wide ? 0x30 : 0x20;
    const size_t bugCheckAt = d.Wide ? 0x38 : 0x28;
    const size_t parametersAt = d.Wide ? 0x40 : 0x2C;
    const size_t contextAt = d.Wide ? 0x348 : 0x320;
    const size_t exceptionAt = d.Wide ? 0xF00 : 0x7D0;
    const size_t exceptionAddressAt = exceptionAt + (d.Wide ? 0x10 : 0x0C);
    const size_t dumpTypeAt = d.Wide ? 0xF98 : 0xF88;
    const size_t systemTimeAt = d.Wide ? 0xFA8 : 0xFC0;
    // CONTEXT: Eip, Rip or Pc.
    const size_t ipAt = d.Machine == kMachineX86 ? 0xB8 : d.Machine == kMachineArm64 ? 0x108 : 0xF8;

    BuiltDump out;
    std::string& b = out.Bytes;
    b.assign(header, '\0');
    PutAscii(b, 0, d.Wide ? "PAGEDU64" : "PAGEDUMP");
    Put32(b, 0x08, 0x0F);
    Put32(b, 0x0C, d.Build);
    Put32(b, machineAt, d.Machine);
    Put32(b, machineAt + 4, d.Processors);
    Put32(b, bugCheckAt, d.BugCheck);
    for (size_t i = 0; i < 4; ++i) {
        PutLe(b, parametersAt + i * ptr, d.Parameters[i], ptr);
    }
    PutLe(b, contextAt + ipAt, d.InstructionPointer, d.Machine == kMachineX86 ? 4 : 8);
    Put32(b, exceptionAt, d.ExceptionCode);
    PutLe(b, exceptionAddressAt, d.ExceptionAddress, ptr);
    Put32(b, dumpTypeAt, d.DumpType);
    PutLe(b, systemTimeAt, FileTimeOf(d.Time), 8);
    if (d.DumpType != kTypeTriage) {
        return out;
    }

    // TRIAGE_DUMP, then its parts in the order a small dump holds them.
    out.Triage = header;
    b.resize(header + 0x100, '\0');
    // DUMP_DRIVER_ENTRY32 (0x4C bytes) / DUMP_DRIVER_ENTRY64 (0x90 bytes).
    const size_t entry = d.Wide ? 0x90 : 0x4C;
    const size_t baseAt = d.Wide ? 0x38 : 0x1C;
    const size_t sizeAt = d.Wide ? 0x48 : 0x24;
    const size_t stampAt = d.Wide ? 0x88 : 0x48;
    out.DriverList = b.size();
    b.resize(out.DriverList + entry * d.Modules.size(), '\0');
    out.StringPool = b.size();
    for (size_t i = 0; i < d.Modules.size(); ++i) {
        const SynthModule& m = d.Modules[i];
        const size_t e = out.DriverList + i * entry;
        const size_t name = b.size();
        Put32(b, name, m.Path.size());
        for (size_t k = 0; k < m.Path.size(); ++k) {
            PutLe(b, name + 4 + 2 * k, static_cast<uint8_t>(m.Path[k]), 2);
        }
        PutLe(b, b.size(), 0, 2); // the terminating NUL
        b.resize((b.size() + 7) / 8 * 8, '\0');
        Put32(b, e, name);
        PutLe(b, e + baseAt, m.Base, ptr);
        Put32(b, e + sizeAt, m.Size);
        Put32(b, e + stampAt, m.TimeStamp);
    }
    const size_t poolSize = b.size() - out.StringPool;

    // The unloaded list: a count, then 40- or 56-byte records (8-aligned on 64-bit systems).
    out.UnloadedList = b.size();
    Put32(b, out.UnloadedList, d.Unloaded.size());
    const size_t first = out.UnloadedList + (d.Wide ? 8 : 4);
    const size_t record = d.Wide ? 56 : 40;
    b.resize(first + record * d.Unloaded.size(), '\0');
    for (size_t i = 0; i < d.Unloaded.size(); ++i) {
        const SynthUnloaded& u = d.Unloaded[i];
        const size_t r = first + i * record;
        const size_t chars = std::min<size_t>(u.Name.size(), 12);
        PutLe(b, r, chars * 2, 2);
        for (size_t k = 0; k < chars; ++k) {
            PutLe(b, r + (d.Wide ? 0x10 : 0x08) + 2 * k, static_cast<uint8_t>(u.Name[k]), 2);
        }
        PutLe(b, r + (d.Wide ? 0x28 : 0x20), u.Start, ptr);
        PutLe(b, r + (d.Wide ? 0x30 : 0x24), u.End, ptr);
    }

    out.Stack = b.size();
    for (size_t i = 0; i < d.Stack.size(); ++i) {
        PutLe(b, out.Stack + i * ptr, d.Stack[i], ptr);
    }
    out.ValidMarker = b.size();
    PutAscii(b, out.ValidMarker, "TRGD");

    const size_t t = out.Triage;
    Put32(b, t + 0x04, b.size());             // SizeOfDump
    Put32(b, t + 0x08, out.ValidMarker);      // ValidOffset
    Put32(b, t + 0x18, out.UnloadedList);     // UnloadedDriversOffset
    Put32(b, t + 0x28, out.Stack);            // CallStackOffset
    Put32(b, t + 0x2C, d.Stack.size() * ptr); // SizeOfCallStack
    Put32(b, t + 0x30, out.DriverList);       // DriverListOffset
    Put32(b, t + 0x34, d.Modules.size());     // DriverCount
    Put32(b, t + 0x38, out.StringPool);       // StringPoolOffset
    Put32(b, t + 0x3C, poolSize);             // StringPoolSize
    return out;
}

// A dump of a 64-bit machine whose fault lies in a display driver, and a few modules besides.
inline SynthDump DisplayDriverCrash() {
    SynthDump d;
    d.BugCheck = 0x1000007E;
    d.Parameters = {0xFFFFFFFFC0000005ULL, 0xFFFFF80512A4334CULL, 0xFFFFCC83FB572208ULL,
                    0xFFFFCC83FB571A50ULL};
    d.InstructionPointer = 0xFFFFF80512A4334CULL;
    d.ExceptionCode = 0xC0000005;
    d.ExceptionAddress = 0xFFFFF80512A4334CULL;
    d.Modules = {
        {"\\SystemRoot\\system32\\ntoskrnl.exe", 0xFFFFF80100000000ULL, 0x01046000, 0},
        {"\\SystemRoot\\system32\\hal.dll", 0xFFFFF80101100000ULL, 0x00006000, 0},
        {"\\SystemRoot\\System32\\drivers\\nvlddmkm.sys", 0xFFFFF80512A40000ULL, 0x02A00000,
         0x65A1B2C3},
        {"\\SystemRoot\\System32\\drivers\\dxgkrnl.sys", 0xFFFFF80510000000ULL, 0x00400000, 0},
        {"\\SystemRoot\\System32\\drivers\\usbxhci.sys", 0xFFFFF80511000000ULL, 0x00080000, 0}};
    d.Unloaded = {{"dump_storport.sys", 0xFFFFF80520000000ULL, 0xFFFFF80520010000ULL}};
    d.Stack = {0,
               0xFFFFF80100123456ULL, // the kernel: not a stack driver
               0xFFFFF80510001000ULL,
               0xFFFFF80512A44000ULL,
               0x1234,
               0xFFFFF80510002000ULL,
               0xFFFFF80510003000ULL,
               0xFFFFF80512A45000ULL,
               0xFFFFF80101100010ULL}; // the HAL
    return d;
}

} // namespace pv::triage::test
