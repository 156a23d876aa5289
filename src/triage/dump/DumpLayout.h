#pragma once
// Where the fields of a Windows kernel crash dump lie. All offsets are from the format's public
// descriptions: the DUMP_HEADER32 and DUMP_HEADER64 layouts of the platform's published API
// metadata (header signatures, bug check, context and exception records, dump type, system
// time), the TRIAGE_DUMP header that follows them in a small dump (a row of 32-bit fields), the
// driver entries (a name offset into the string pool, then a KLDR_DATA_TABLE_ENTRY), the
// unloaded-driver records, and the CONTEXT and EXCEPTION_RECORD layouts of each processor. The
// file is little-endian on every processor that writes it.
#include <cstddef>
#include <cstdint>

namespace pv::triage::dumpfmt {

// Four ASCII bytes read as one little-endian 32-bit value.
constexpr uint32_t Tag(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

inline constexpr uint32_t kSignature = Tag("PAGE");    // DUMP_HEADER.Signature
inline constexpr uint32_t kValidDump32 = Tag("DUMP");  // DUMP_HEADER32.ValidDump
inline constexpr uint32_t kValidDump64 = Tag("DU64");  // DUMP_HEADER64.ValidDump
inline constexpr uint32_t kUserMinidump = Tag("MDMP"); // a user-mode minidump's first field
inline constexpr uint32_t kTriageValid = Tag("TRGD");  // at TRIAGE_DUMP.ValidOffset

// DUMP_HEADER.DumpType
inline constexpr uint32_t kDumpTypeFull = 1;
inline constexpr uint32_t kDumpTypeKernel = 2; // "summary": kernel memory only
inline constexpr uint32_t kDumpTypeTriage = 4; // the small dump of the minidump folder
inline constexpr uint32_t kDumpTypeBitmapFull = 5;
inline constexpr uint32_t kDumpTypeBitmapKernel = 6;

// DUMP_HEADER.MachineImageType (PE machine codes)
inline constexpr uint32_t kMachineX86 = 0x014C;
inline constexpr uint32_t kMachineX64 = 0x8664;
inline constexpr uint32_t kMachineArm64 = 0xAA64;

// The fields this decoder reads in one of the two dump headers.
struct HeaderLayout {
    size_t Size;         // the whole header; the triage header follows it
    size_t PointerSize;  // of addresses and bug-check parameters
    size_t MajorVersion; // 0x0F for free builds, 0x0C for checked ones
    size_t MinorVersion; // the OS build number
    size_t MachineImageType;
    size_t NumberProcessors;
    size_t BugCheckCode;
    size_t BugCheckParameters; // four, PointerSize apart
    size_t ContextRecord;
    size_t ContextRecordSize;
    size_t Exception;
    size_t ExceptionAddress; // within the exception record (ExceptionCode is at 0)
    size_t DumpType;
    size_t SystemTime; // FILETIME, UTC
};

// DUMP_HEADER32 ("PAGEDUMP"), written by 32-bit Windows.
inline constexpr HeaderLayout kHeader32{0x1000, 4,     0x08, 0x0C,  0x20, 0x24,  0x28,
                                        0x2C,   0x320, 1200, 0x7D0, 0x0C, 0xF88, 0xFC0};
// DUMP_HEADER64 ("PAGEDU64"), written by x64 and ARM64 Windows.
inline constexpr HeaderLayout kHeader64{0x2000, 8,     0x08, 0x0C,  0x30, 0x34,  0x38,
                                        0x40,   0x348, 3000, 0xF00, 0x10, 0xF98, 0xFA8};

// TRIAGE_DUMP: 32-bit fields from the end of the dump header. Every *Offset counts from the
// start of the file.
inline constexpr size_t kTriageSizeOfDump = 0x04;
inline constexpr size_t kTriageValidOffset = 0x08;
inline constexpr size_t kTriageUnloadedDriversOffset = 0x18;
inline constexpr size_t kTriageCallStackOffset = 0x28;
inline constexpr size_t kTriageSizeOfCallStack = 0x2C;
inline constexpr size_t kTriageDriverListOffset = 0x30;
inline constexpr size_t kTriageDriverCount = 0x34;
inline constexpr size_t kTriageStringPoolOffset = 0x38;
inline constexpr size_t kTriageStringPoolSize = 0x3C;
inline constexpr size_t kTriageHeaderRead = 0x40; // the fields above all lie before this

// DUMP_DRIVER_ENTRY: the name's offset, then the loader entry (DllBase, SizeOfImage, ...).
struct DriverEntryLayout {
    size_t Size;
    size_t NameOffset;
    size_t DllBase;
    size_t SizeOfImage;
    size_t TimeDateStamp;
};
inline constexpr DriverEntryLayout kDriverEntry32{0x4C, 0x00, 0x1C, 0x24, 0x48};
inline constexpr DriverEntryLayout kDriverEntry64{0x90, 0x00, 0x38, 0x48, 0x88};

// DUMP_STRING in the string pool: a 32-bit count of UTF-16 units, then the units.
inline constexpr size_t kStringLength = 0;
inline constexpr size_t kStringChars = 4;

// The unloaded-driver list: a 32-bit count, then the records (on 64-bit systems the first record
// is 8-byte aligned). Each record holds a counted name (its byte length first), the name's
// characters (at most 12) and the driver's start and end addresses.
struct UnloadedLayout {
    size_t FirstRecord; // from the list's offset
    size_t RecordSize;
    size_t NameLength; // 16-bit byte count
    size_t NameChars;
    size_t StartAddress;
    size_t EndAddress;
};
inline constexpr size_t kUnloadedNameBytes = 24;
inline constexpr UnloadedLayout kUnloaded32{4, 40, 0x00, 0x08, 0x20, 0x24};
inline constexpr UnloadedLayout kUnloaded64{8, 56, 0x00, 0x10, 0x28, 0x30};

// CONTEXT: the instruction pointer of each processor's record.
inline constexpr size_t kContextX86Eip = 0xB8;
inline constexpr size_t kContextX64Rip = 0xF8;
inline constexpr size_t kContextArm64Pc = 0x108;

} // namespace pv::triage::dumpfmt
