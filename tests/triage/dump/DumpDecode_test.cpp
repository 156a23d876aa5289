#include "SynthDump.h"
#include "triage/dump/DumpDecode.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

using test::BuildDump;
using test::BuiltDump;
using test::DisplayDriverCrash;
using test::Put32;
using test::SynthDump;

bool HasNote(const DecodedDump& d, const std::string& part) {
    for (const std::string& n : d.Notes) {
        if (n.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string AllNotes(const DecodedDump& d) {
    std::string all;
    for (const std::string& n : d.Notes) {
        all += n + "\n";
    }
    return all;
}

// Guards the header offsets of PAGEDU64 and the small-dump layout: a field read from the wrong
// place gives another value.
TEST(DumpDecode, Header64TriageDumpGivesEveryField) {
    const DecodedDump d = DecodeDump(BuildDump(DisplayDriverCrash()).Bytes);
    EXPECT_TRUE(d.Notes.empty()) << AllNotes(d);
    EXPECT_EQ(d.Kind, DumpKind::KernelTriage);
    EXPECT_TRUE(d.Header64);
    EXPECT_EQ(d.Machine, DumpMachine::X64);
    EXPECT_EQ(d.OsBuild, 19045u);
    EXPECT_EQ(d.Processors, 8u);
    EXPECT_EQ(d.Time, 1'765'361'234);
    EXPECT_EQ(d.BugCheckCode, 0x1000007Eu);
    EXPECT_EQ(d.Parameters[0], 0xFFFFFFFFC0000005ULL);
    EXPECT_EQ(d.Parameters[3], 0xFFFFCC83FB571A50ULL);
    EXPECT_EQ(d.ExceptionCode, 0xC0000005u);
    EXPECT_EQ(d.ExceptionAddress, 0xFFFFF80512A4334CULL);
    EXPECT_EQ(d.InstructionPointer, 0xFFFFF80512A4334CULL);
    ASSERT_EQ(d.Modules.size(), 5u);
    EXPECT_EQ(d.ModuleCount, 5u);
    EXPECT_EQ(d.Modules[2].Name, "nvlddmkm.sys");
    EXPECT_EQ(d.Modules[2].Path, "\\SystemRoot\\System32\\drivers\\nvlddmkm.sys");
    EXPECT_EQ(d.Modules[2].Base, 0xFFFFF80512A40000ULL);
    EXPECT_EQ(d.Modules[2].Size, 0x02A00000u);
    EXPECT_EQ(d.Modules[2].TimeStamp, 0x65A1B2C3u);
    EXPECT_FALSE(d.Modules[0].TimeStamp) << "a zero time stamp is no time stamp";
    ASSERT_EQ(d.Unloaded.size(), 1u);
    EXPECT_EQ(d.Unloaded[0].Name, "dump_storpor"); // twelve characters are stored
    EXPECT_EQ(d.Unloaded[0].Start, 0xFFFFF80520000000ULL);
    ASSERT_TRUE(d.Faulting);
    EXPECT_EQ(d.Faulting->Name, "nvlddmkm.sys");
    EXPECT_EQ(d.Faulting->Offset, 0x334Cu);
    EXPECT_EQ(d.Faulting->Source, "instruction pointer");
    // dxgkrnl three times, nvlddmkm twice; the kernel and the HAL never count.
    EXPECT_EQ(d.StackModules, (std::vector<std::string>{"dxgkrnl.sys", "nvlddmkm.sys"}));
}

// Guards the 32-bit header and entry sizes (PAGEDUMP, 0x4C-byte driver entries, Eip).
TEST(DumpDecode, Header32TriageDumpOfX86) {
    SynthDump s;
    s.Wide = false;
    s.Machine = test::kMachineX86;
    s.Build = 7601;
    s.Processors = 2;
    s.BugCheck = 0xD1;
    s.Parameters = {0x0000004C, 0x2, 0x0, 0x8F61A2B4};
    s.InstructionPointer = 0x8F61A2B4;
    s.Modules = {{"\\SystemRoot\\system32\\ntkrnlpa.exe", 0x82A00000, 0x410000, 0},
                 {"\\SystemRoot\\system32\\halmacpi.dll", 0x82E10000, 0x37000, 0},
                 {"\\SystemRoot\\system32\\DRIVERS\\athrx.sys", 0x8F600000, 0x200000, 0x4D3F1A00}};
    s.Unloaded = {{"spsys.sys", 0x90000000, 0x90070000}};
    s.Stack = {0x8F610000, 0x82A01000, 0x8F620000, 0x11};
    const DecodedDump d = DecodeDump(BuildDump(s).Bytes);
    EXPECT_TRUE(d.Notes.empty()) << AllNotes(d);
    EXPECT_FALSE(d.Header64);
    EXPECT_EQ(d.Machine, DumpMachine::X86);
    EXPECT_EQ(d.OsBuild, 7601u);
    EXPECT_EQ(d.Processors, 2u);
    EXPECT_EQ(d.BugCheckCode, 0xD1u);
    EXPECT_EQ(d.Parameters[3], 0x8F61A2B4u);
    EXPECT_EQ(d.Time, s.Time);
    ASSERT_EQ(d.Modules.size(), 3u);
    EXPECT_EQ(d.Modules[2].Name, "athrx.sys");
    EXPECT_EQ(d.Modules[2].TimeStamp, 0x4D3F1A00u);
    ASSERT_TRUE(d.Faulting);
    EXPECT_EQ(d.Faulting->Name, "athrx.sys");
    EXPECT_EQ(d.Faulting->Offset, 0x1A2B4u);
    ASSERT_EQ(d.Unloaded.size(), 1u);
    EXPECT_EQ(d.Unloaded[0].Name, "spsys.sys");
    EXPECT_EQ(d.Unloaded[0].End, 0x90070000u);
    EXPECT_EQ(d.StackModules, std::vector<std::string>{"athrx.sys"});
}

// Guards the ARM64 context's program counter (a different offset from Rip).
TEST(DumpDecode, Arm64ContextProgramCounter) {
    SynthDump s = DisplayDriverCrash();
    s.Machine = test::kMachineArm64;
    s.ExceptionAddress = 0;
    s.Parameters = {0x50, 0, 0, 0};
    s.BugCheck = 0x50;
    const DecodedDump d = DecodeDump(BuildDump(s).Bytes);
    EXPECT_EQ(d.Machine, DumpMachine::Arm64);
    EXPECT_EQ(MachineName(d.Machine), "arm64");
    ASSERT_TRUE(d.Faulting);
    EXPECT_EQ(d.Faulting->Source, "instruction pointer");
    EXPECT_EQ(d.Faulting->Offset, 0x334Cu);
}

struct FaultCase {
    const char* Why;
    uint64_t Ip;
    uint64_t ExceptionAddress;
    std::array<uint64_t, 4> Parameters;
    const char* Module; // "" for none
    const char* Source;
    uint64_t Offset;
};

// Guards the order of the faulting-module rule, and that the kernel and HAL give way to a
// driver but still answer when nothing else does.
TEST(DumpDecode, FaultingModuleRuleOrder) {
    constexpr uint64_t kKernel = 0xFFFFF80100123456ULL;
    constexpr uint64_t kUsb = 0xFFFFF80511000100ULL;
    constexpr uint64_t kDisplay = 0xFFFFF80512A4334CULL;
    const FaultCase cases[] = {
        {"ip in a driver wins",
         kDisplay,
         kUsb,
         {kUsb, 0, 0, 0},
         "nvlddmkm.sys",
         "instruction pointer",
         0x334C},
        {"no ip: the exception address",
         0,
         kUsb,
         {kDisplay, 0, 0, 0},
         "usbxhci.sys",
         "exception address",
         0x100},
        {"ip in the kernel: the exception address",
         kKernel,
         kUsb,
         {},
         "usbxhci.sys",
         "exception address",
         0x100},
        {"kernel ip, no exception: the first parameter in a driver",
         kKernel,
         0,
         {kKernel, 7, kUsb, kDisplay},
         "usbxhci.sys",
         "bug-check parameter 3",
         0x100},
        {"only the kernel: the kernel",
         kKernel,
         0,
         {1, 2, 3, 4},
         "ntoskrnl.exe",
         "instruction pointer",
         0x123456},
        {"nothing in a module", 0x10, 0x20, {1, 2, 3, 4}, "", "", 0},
    };
    for (const FaultCase& c : cases) {
        SynthDump s = DisplayDriverCrash();
        s.InstructionPointer = c.Ip;
        s.ExceptionAddress = c.ExceptionAddress;
        s.Parameters = c.Parameters;
        const DecodedDump d = DecodeDump(BuildDump(s).Bytes);
        if (*c.Module == 0) {
            EXPECT_FALSE(d.Faulting) << c.Why;
            continue;
        }
        ASSERT_TRUE(d.Faulting) << c.Why;
        EXPECT_EQ(d.Faulting->Name, c.Module) << c.Why;
        EXPECT_EQ(d.Faulting->Source, c.Source) << c.Why;
        EXPECT_EQ(d.Faulting->Offset, c.Offset) << c.Why;
    }
}

// Guards the naming of files that are not small kernel dumps: nothing is decoded from them and
// nothing is called damaged.
TEST(DumpDecode, OtherFilesAreNamedNotDecoded) {
    EXPECT_EQ(DecodeDump("MDMP\x93\xA7\0\0").Kind, DumpKind::UserMinidump);
    EXPECT_EQ(DecodeDump("MZ\x90\0 not a dump").Kind, DumpKind::Unknown);
    EXPECT_EQ(DecodeDump("").Kind, DumpKind::Unknown);
    EXPECT_EQ(DecodeDump("PAGE").Kind, DumpKind::Unknown);
    EXPECT_TRUE(DecodeDump("MDMP").Notes.empty());

    SynthDump full = DisplayDriverCrash();
    full.DumpType = test::kTypeFull;
    const DecodedDump d = DecodeDump(BuildDump(full).Bytes + std::string(4096, 'x'));
    EXPECT_EQ(d.Kind, DumpKind::KernelFull);
    EXPECT_EQ(d.BugCheckCode, 0x1000007Eu) << "the header of a full dump is still read";
    EXPECT_TRUE(d.Modules.empty());
    EXPECT_TRUE(d.Notes.empty()) << AllNotes(d);
    full.DumpType = 2;
    EXPECT_EQ(DecodeDump(BuildDump(full).Bytes).Kind, DumpKind::KernelOther);
    EXPECT_EQ(DumpKindName(DumpKind::KernelTriage), "kernel-triage");
    EXPECT_EQ(DumpKindName(DumpKind::UserMinidump), "user-minidump");
}

struct HostileCase {
    const char* Why;
    void (*Damage)(BuiltDump&);
    const char* Note;
};

// Guards every offset and count against the file's length: each hostile dump gives a note
// naming what was wrong, keeps what is sound, and never reads outside the bytes (the address
// sanitizer build catches a stray read).
TEST(DumpDecode, HostileDumpsGiveNotes) {
    const HostileCase cases[] = {
        {"module count in the millions",
         [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x34, 3'000'000); },
         "module count 3000000 is beyond 4096"},
        {"module list past the end",
         [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x30, b.Bytes.size() - 0x100); },
         "module list runs past the end of the file"},
        {"module list offset far outside",
         [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x30, 0xFFFFFFF0u); },
         "0 of 5 modules were read"},
        {"string offset past the end",
         [](BuiltDump& b) { Put32(b.Bytes, b.DriverList + 0x90 * 2, 0xFFFFFF00u); },
         "1 module names lie outside the file"},
        {"string length past the end",
         [](BuiltDump& b) { Put32(b.Bytes, b.StringPool, 0x7FFFFFFF); },
         "module names lie outside the file or have no length"},
        {"truncated file", [](BuiltDump& b) { b.Bytes.resize(b.StringPool + 40); },
         "the file is cut short"},
        {"no end marker", [](BuiltDump& b) { Put32(b.Bytes, b.ValidMarker, 0); }, "no end marker"},
        {"end marker offset outside",
         [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x08, 0xFFFFFFFFu); }, "no end marker"},
        {"stack past the end", [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x2C, 0x7FFFFFF0u); },
         "stored call stack runs past the end"},
        {"unloaded count huge", [](BuiltDump& b) { Put32(b.Bytes, b.UnloadedList, 0xFFFFFFFFu); },
         "unloaded-module count 4294967295"},
        {"unloaded list outside",
         [](BuiltDump& b) { Put32(b.Bytes, b.Triage + 0x18, 0xFFFFFFF0u); },
         "unloaded-module list lies outside the file"},
        {"module range wraps",
         [](BuiltDump& b) {
             test::PutLe(b.Bytes, b.DriverList + 0x90 * 4 + 0x38, 0xFFFFFFFFFFFFF000ULL, 8);
         },
         "impossible address range"},
        {"64-bit header in a 32-bit-sized file", [](BuiltDump& b) { b.Bytes.resize(0x1800); },
         "shorter than its 64-bit dump header"},
        {"file ends inside the small-dump header",
         [](BuiltDump& b) { b.Bytes.resize(b.Triage + 0x20); }, "ends inside the small-dump"},
        {"machine does not match the header", [](BuiltDump& b) { Put32(b.Bytes, 0x30, 0x14C); },
         "does not match the 64-bit header"},
        {"unknown machine", [](BuiltDump& b) { Put32(b.Bytes, 0x30, 0x1C0); },
         "machine type 0x1C0"},
        {"no system time", [](BuiltDump& b) { test::PutLe(b.Bytes, 0xFA8, 0, 8); },
         "no system time"},
        {"implausible time",
         [](BuiltDump& b) { test::PutLe(b.Bytes, 0xFA8, 0xFFFFFFFFFFFFFFFFULL, 8); },
         "not a plausible crash time"},
    };
    for (const HostileCase& c : cases) {
        BuiltDump b = BuildDump(DisplayDriverCrash());
        c.Damage(b);
        const DecodedDump d = DecodeDump(b.Bytes);
        EXPECT_TRUE(HasNote(d, c.Note)) << c.Why << ":\n" << AllNotes(d);
        EXPECT_LE(d.Modules.size(), kMaxDumpModules) << c.Why;
    }
}

// Guards what a damaged dump still gives: the header facts stay, the damaged part is left out.
TEST(DumpDecode, DamageKeepsTheSoundParts) {
    BuiltDump b = BuildDump(DisplayDriverCrash());
    Put32(b.Bytes, b.Triage + 0x34, 3'000'000);
    const DecodedDump d = DecodeDump(b.Bytes);
    EXPECT_EQ(d.BugCheckCode, 0x1000007Eu);
    EXPECT_EQ(d.Time, DisplayDriverCrash().Time);
    EXPECT_TRUE(d.Modules.empty());
    EXPECT_FALSE(d.Faulting) << "no faulting module without a module list";

    BuiltDump noTime = BuildDump(DisplayDriverCrash());
    test::PutLe(noTime.Bytes, 0xFA8, 0xFFFFFFFFFFFFFFFFULL, 8);
    EXPECT_FALSE(DecodeDump(noTime.Bytes).Time) << "an impossible time is not guessed";
}

// Guards the bounds of every read: each prefix of a sound dump decodes without a stray read,
// whatever it cuts.
TEST(DumpDecode, EveryPrefixDecodes) {
    for (const bool wide : {true, false}) {
        SynthDump s = DisplayDriverCrash();
        if (!wide) {
            s.Wide = false;
            s.Machine = test::kMachineX86;
            for (auto& m : s.Modules) {
                m.Base &= 0xFFFFFFF;
            }
        }
        const std::string bytes = BuildDump(s).Bytes;
        for (size_t n = 0; n <= bytes.size(); n += 13) {
            (void)DecodeDump(std::string_view(bytes).substr(0, n));
        }
    }
}

// Guards the overlap rule: modules that overlap (only a hostile dump has them) give one answer.
TEST(DumpDecode, OverlappingModulesKeepTheFirst) {
    SynthDump s = DisplayDriverCrash();
    s.Modules.push_back({"\\evil.sys", 0xFFFFF80512A40000ULL, 0x100000, 0});
    s.Modules.push_back({"\\inner.sys", 0xFFFFF80512A43000ULL, 0x1000, 0});
    const DecodedDump d = DecodeDump(BuildDump(s).Bytes);
    ASSERT_TRUE(d.Faulting);
    EXPECT_EQ(d.Faulting->Name, "nvlddmkm.sys");
}

TEST(DumpDecode, KernelAndHalNames) {
    for (const char* name : {"ntoskrnl.exe", "NTKRNLPA.EXE", "ntkrnlmp.exe", "ntkrpamp.exe",
                             "hal.dll", "halmacpi.dll"}) {
        EXPECT_TRUE(IsKernelOrHal(name)) << name;
    }
    for (const char* name : {"ntfs.sys", "nvlddmkm.sys", "hal.sys", "ntoskrnl.dll", ""}) {
        EXPECT_FALSE(IsKernelOrHal(name)) << name;
    }
}

} // namespace
} // namespace pv::triage
