#pragma once
// Decodes a crash-dump file from a user's machine: pure functions over its bytes. Every offset
// and count is checked against the length before use; whatever does not hold is named in Notes
// and left out, never guessed. Only kernel dumps are decoded; a user-mode minidump or any other
// file is named for what it is.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv::triage {

enum class DumpKind { KernelTriage, KernelFull, KernelOther, UserMinidump, Unknown };
enum class DumpMachine { Unknown, X86, X64, Arm64 };

// A loaded module of the triage dump's driver list.
struct DumpModule {
    std::string Name; // the file name ("nvlddmkm.sys")
    std::string Path; // as the dump stores it ("\SystemRoot\System32\drivers\nvlddmkm.sys")
    uint64_t Base = 0;
    uint64_t Size = 0;
    std::optional<uint32_t> TimeStamp; // the image's link time (Unix seconds); empty when 0
};

struct DumpUnloadedModule {
    std::string Name;
    uint64_t Start = 0;
    uint64_t End = 0;
};

// The module an address lies in, and how far into it.
struct FaultingModule {
    std::string Name;
    std::string Path;
    uint64_t Offset = 0;
    std::string Source; // what pointed there: "instruction pointer", "exception address",
                        // "bug-check parameter 2"
};

struct DecodedDump {
    DumpKind Kind = DumpKind::Unknown;
    bool Header64 = false; // PAGEDU64 rather than PAGEDUMP
    DumpMachine Machine = DumpMachine::Unknown;
    uint32_t DumpType = 0;
    uint32_t MajorVersion = 0;
    uint32_t OsBuild = 0;
    uint32_t Processors = 0;
    std::optional<int64_t> Time; // the system time at the crash, Unix seconds (UTC)
    bool HasBugCheck = false;
    uint32_t BugCheckCode = 0;
    std::array<uint64_t, 4> Parameters{};
    uint32_t ExceptionCode = 0;
    uint64_t ExceptionAddress = 0;
    std::optional<uint64_t> InstructionPointer;
    std::vector<DumpModule> Modules;
    uint32_t ModuleCount = 0; // as the triage header declares it
    std::vector<DumpUnloadedModule> Unloaded;
    std::optional<FaultingModule> Faulting;
    std::vector<std::string> StackModules; // most frequent first
    std::vector<std::string> Notes;        // what was damaged, as sentence fragments
};

inline constexpr size_t kMaxDumpModules = 4096;
inline constexpr size_t kMaxUnloadedModules = 256;
inline constexpr size_t kMaxModuleNameChars = 1024;

// Never throws on any input.
DecodedDump DecodeDump(std::string_view bytes);

// The kernel's own image and its hardware layer, left out of the stack drivers and of the
// bug-check parameter match: every crash passes through them.
bool IsKernelOrHal(std::string_view moduleName);

// "x86", "x64", "arm64"; empty for Unknown.
std::string_view MachineName(DumpMachine machine);
// "kernel-triage", "kernel-full", "kernel-other", "user-minidump", "unknown".
std::string_view DumpKindName(DumpKind kind);

} // namespace pv::triage
