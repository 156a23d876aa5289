#include "triage/dump/DumpDecode.h"
#include "platform/Text.h"
#include "triage/dump/DumpLayout.h"
#include <algorithm>
#include <cstdio>

namespace pv::triage {

namespace {

using namespace dumpfmt;

// FILETIME ticks per second, and the Unix epoch in FILETIME seconds (since 1601).
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kUnixEpochFileTimeSeconds = 11'644'473'600;
// A crash time outside 1990..2199 is not a time this machine could have had.
constexpr int64_t kEarliestCrash = 631'152'000; // 1990-01-01
constexpr int64_t kLatestCrash = 7'258'118'400; // 2200-01-01

// Little-endian reads, each checked against the length; empty when the field does not fit.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : Data(bytes) {}

    size_t Size() const { return Data.size(); }

    bool Fits(uint64_t offset, uint64_t length) const {
        return offset <= Data.size() && length <= Data.size() - offset;
    }

    std::optional<uint64_t> Read(uint64_t offset, size_t width) const {
        if (!Fits(offset, width)) {
            return std::nullopt;
        }
        uint64_t value = 0;
        for (size_t i = width; i-- > 0;) {
            value = value << 8 | static_cast<uint8_t>(Data[static_cast<size_t>(offset) + i]);
        }
        return value;
    }
    std::optional<uint32_t> U32(uint64_t offset) const {
        const auto v = Read(offset, 4);
        return v ? std::optional<uint32_t>(static_cast<uint32_t>(*v)) : std::nullopt;
    }
    uint32_t U32Or0(uint64_t offset) const { return U32(offset).value_or(0); }
    // The bytes [offset, offset + length); the caller has checked that they fit.
    std::string_view Slice(uint64_t offset, uint64_t length) const {
        return Data.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
    }
    uint64_t PointerOr0(uint64_t offset, size_t width) const {
        return Read(offset, width).value_or(0);
    }

    // `count` UTF-16 units at `offset` as UTF-8; the caller has checked that they fit.
    std::string Utf16(uint64_t offset, size_t count) const {
        std::u16string units;
        units.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const auto unit = static_cast<char16_t>(*Read(offset + 2 * i, 2));
            if (unit == 0) {
                break;
            }
            units += unit;
        }
        return ToUtf8(units);
    }

private:
    std::string_view Data;
};

std::string Hex(uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
    return buf;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool EndsNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           StartsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

DumpMachine MachineOf(uint32_t image) {
    switch (image) {
    case kMachineX86:
        return DumpMachine::X86;
    case kMachineX64:
        return DumpMachine::X64;
    case kMachineArm64:
        return DumpMachine::Arm64;
    default:
        return DumpMachine::Unknown;
    }
}

DumpKind KindOf(uint32_t dumpType) {
    switch (dumpType) {
    case kDumpTypeTriage:
        return DumpKind::KernelTriage;
    case kDumpTypeFull:
    case kDumpTypeBitmapFull:
        return DumpKind::KernelFull;
    default:
        return DumpKind::KernelOther;
    }
}

// The modules sorted by base for address lookups. Real module ranges never overlap; in a
// hostile dump a module that starts inside an earlier one is left out of the lookup, so that
// each address has at most one answer and a lookup stays a binary search.
class ModuleMap {
public:
    explicit ModuleMap(const std::vector<DumpModule>& modules) {
        std::vector<size_t> order(modules.size());
        for (size_t i = 0; i < modules.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return modules[a].Base < modules[b].Base; });
        for (const size_t i : order) {
            if (Bases.empty() || modules[i].Base >= Ends.back()) {
                Bases.push_back(modules[i].Base);
                Ends.push_back(modules[i].Base + modules[i].Size);
                Index.push_back(i);
            }
        }
    }

    // Index of the module whose [Base, Base + Size) holds `address`.
    std::optional<size_t> Find(uint64_t address) const {
        if (Bases.empty() || address < Bases.front() || address >= Ends.back()) {
            return std::nullopt;
        }
        const size_t k = static_cast<size_t>(std::upper_bound(Bases.begin(), Bases.end(), address) -
                                             Bases.begin() - 1);
        if (address < Ends[k]) {
            return Index[k];
        }
        return std::nullopt;
    }

private:
    std::vector<uint64_t> Bases; // sorted, and each range ends before the next begins
    std::vector<uint64_t> Ends;
    std::vector<size_t> Index;
};

struct Decoder {
    const Bytes& In;
    const HeaderLayout& H;
    DecodedDump& Out;

    void Note(std::string text) { Out.Notes.push_back(std::move(text)); }

    void ReadHeader() {
        Out.MajorVersion = In.U32Or0(H.MajorVersion);
        Out.OsBuild = In.U32Or0(H.MinorVersion);
        Out.Processors = In.U32Or0(H.NumberProcessors);
        const uint32_t image = In.U32Or0(H.MachineImageType);
        Out.Machine = MachineOf(image);
        if (Out.Machine == DumpMachine::Unknown) {
            Note("the machine type " + Hex(image) + " is not one this reader knows");
        } else if ((Out.Machine == DumpMachine::X86) == Out.Header64) {
            Note("the machine type " + std::string(MachineName(Out.Machine)) + " does not match " +
                 (Out.Header64 ? "the 64-bit header" : "the 32-bit header"));
            Out.Machine = DumpMachine::Unknown;
        }
        Out.HasBugCheck = true;
        Out.BugCheckCode = In.U32Or0(H.BugCheckCode);
        for (size_t i = 0; i < 4; ++i) {
            Out.Parameters[i] =
                In.PointerOr0(H.BugCheckParameters + i * H.PointerSize, H.PointerSize);
        }
        Out.ExceptionCode = In.U32Or0(H.Exception);
        Out.ExceptionAddress = In.PointerOr0(H.Exception + H.ExceptionAddress, H.PointerSize);
        Out.DumpType = In.U32Or0(H.DumpType);
        Out.Kind = KindOf(Out.DumpType);

        const uint64_t ticks = In.Read(H.SystemTime, 8).value_or(0);
        const auto seconds =
            static_cast<int64_t>(ticks / kTicksPerSecond) - kUnixEpochFileTimeSeconds;
        if (ticks == 0) {
            Note("the header holds no system time");
        } else if (seconds < kEarliestCrash || seconds >= kLatestCrash) {
            Note("the system time " + Hex(ticks) + " is not a plausible crash time");
        } else {
            Out.Time = seconds;
        }
        ReadInstructionPointer();
    }

    void ReadInstructionPointer() {
        size_t at = 0;
        size_t width = 8;
        switch (Out.Machine) {
        case DumpMachine::X86:
            at = kContextX86Eip;
            width = 4;
            break;
        case DumpMachine::X64:
            at = kContextX64Rip;
            break;
        case DumpMachine::Arm64:
            at = kContextArm64Pc;
            break;
        case DumpMachine::Unknown:
            return;
        }
        if (at + width <= H.ContextRecordSize) {
            const uint64_t ip = In.PointerOr0(H.ContextRecord + at, width);
            if (ip != 0) {
                Out.InstructionPointer = ip;
            }
        }
    }

    // The triage header's fields, with the end marker as the proof that the layout holds.
    bool ReadTriage() {
        const size_t t = H.Size;
        const uint32_t declared = In.U32Or0(t + kTriageSizeOfDump);
        if (declared > In.Size()) {
            Note("the file is cut short: " + std::to_string(In.Size()) + " of " +
                 std::to_string(declared) + " bytes");
        }
        const uint32_t validAt = In.U32Or0(t + kTriageValidOffset);
        if (In.U32(validAt) != kTriageValid) {
            Note("the small-dump header has no end marker where it says (" + Hex(validAt) +
                 "); its module list was not read");
            return false;
        }
        ReadModules(In.U32Or0(t + kTriageDriverListOffset), In.U32Or0(t + kTriageDriverCount));
        ReadUnloaded(In.U32Or0(t + kTriageUnloadedDriversOffset));
        FindFaultingModule();
        ScanStack(In.U32Or0(t + kTriageCallStackOffset), In.U32Or0(t + kTriageSizeOfCallStack));
        return true;
    }

    void ReadModules(uint32_t listAt, uint32_t count) {
        Out.ModuleCount = count;
        if (count > kMaxDumpModules) {
            Note("the module count " + std::to_string(count) + " is beyond " +
                 std::to_string(kMaxDumpModules) + "; the modules were not read");
            return;
        }
        const DriverEntryLayout& e = Out.Header64 ? kDriverEntry64 : kDriverEntry32;
        size_t fit = count;
        if (!In.Fits(listAt, uint64_t{count} * e.Size)) {
            fit = In.Fits(listAt, 0) ? (In.Size() - listAt) / e.Size : 0;
            Note("the module list runs past the end of the file; " + std::to_string(fit) + " of " +
                 std::to_string(count) + " modules were read");
        }
        size_t badNames = 0;
        size_t badRanges = 0;
        for (size_t i = 0; i < fit; ++i) {
            const uint64_t entry = listAt + i * e.Size;
            const uint32_t nameAt = In.U32Or0(entry + e.NameOffset);
            const auto length = In.U32(uint64_t{nameAt} + kStringLength);
            if (!length || *length == 0 || *length > kMaxModuleNameChars ||
                !In.Fits(uint64_t{nameAt} + kStringChars, uint64_t{*length} * 2)) {
                ++badNames;
                continue;
            }
            DumpModule m;
            m.Path = In.Utf16(uint64_t{nameAt} + kStringChars, *length);
            m.Name = FileNameOf(m.Path);
            m.Base = In.PointerOr0(entry + e.DllBase, H.PointerSize);
            m.Size = In.U32Or0(entry + e.SizeOfImage);
            const uint32_t stamp = In.U32Or0(entry + e.TimeDateStamp);
            if (stamp != 0) {
                m.TimeStamp = stamp;
            }
            const uint64_t limit = Out.Header64 ? ~uint64_t{0} : 0xFFFFFFFFull;
            if (m.Name.empty() || m.Size == 0 || m.Base > limit - m.Size) {
                ++badRanges;
                continue;
            }
            Out.Modules.push_back(std::move(m));
        }
        if (badNames > 0) {
            Note(std::to_string(badNames) + " module names lie outside the file or have no length; "
                                            "those modules were left out");
        }
        if (badRanges > 0) {
            Note(std::to_string(badRanges) + " modules have no name or an empty or impossible "
                                             "address range; they were left out");
        }
    }

    void ReadUnloaded(uint32_t listAt) {
        if (listAt == 0) {
            return;
        }
        const auto count = In.U32(listAt);
        if (!count) {
            Note("the unloaded-module list lies outside the file");
            return;
        }
        const UnloadedLayout& u = Out.Header64 ? kUnloaded64 : kUnloaded32;
        size_t take = *count;
        if (take > kMaxUnloadedModules) {
            Note("the unloaded-module count " + std::to_string(*count) + " is beyond " +
                 std::to_string(kMaxUnloadedModules) + "; the list was not read");
            return;
        }
        const uint64_t first = uint64_t{listAt} + u.FirstRecord;
        if (!In.Fits(first, take * u.RecordSize)) {
            // Fewer than `take` records fit, so the count stays within size_t on 32-bit hosts.
            take = static_cast<size_t>(In.Fits(first, 0) ? (In.Size() - first) / u.RecordSize : 0);
            Note("the unloaded-module list runs past the end of the file; " + std::to_string(take) +
                 " of " + std::to_string(*count) + " were read");
        }
        for (size_t i = 0; i < take; ++i) {
            const uint64_t r = first + i * u.RecordSize;
            const size_t bytes = static_cast<size_t>(
                std::min<uint64_t>(*In.Read(r + u.NameLength, 2), kUnloadedNameBytes));
            DumpUnloadedModule m;
            m.Name = In.Utf16(r + u.NameChars, bytes / 2);
            m.Start = In.PointerOr0(r + u.StartAddress, H.PointerSize);
            m.End = In.PointerOr0(r + u.EndAddress, H.PointerSize);
            if (!m.Name.empty()) {
                Out.Unloaded.push_back(std::move(m));
            }
        }
    }

    // The instruction pointer, else the exception address, else the bug-check parameters in
    // order. A hit in the kernel or its hardware layer gives way to a later candidate that lies
    // in another module: the kernel raises the bug check on a driver's behalf.
    void FindFaultingModule() {
        if (Out.Modules.empty()) {
            return;
        }
        const ModuleMap map(Out.Modules);
        std::optional<FaultingModule> kernelHit;
        const auto consider = [&](uint64_t address, std::string source, bool kernelCounts) {
            if (address == 0) {
                return false;
            }
            const auto i = map.Find(address);
            if (!i) {
                return false;
            }
            const DumpModule& m = Out.Modules[*i];
            FaultingModule f{m.Name, m.Path, address - m.Base, std::move(source)};
            if (IsKernelOrHal(m.Name)) {
                if (kernelCounts && !kernelHit) {
                    kernelHit = std::move(f);
                }
                return false;
            }
            Out.Faulting = std::move(f);
            return true;
        };
        if (Out.InstructionPointer &&
            consider(*Out.InstructionPointer, "instruction pointer", true)) {
            return;
        }
        if (consider(Out.ExceptionAddress, "exception address", true)) {
            return;
        }
        for (size_t i = 0; i < 4; ++i) {
            if (consider(Out.Parameters[i], "bug-check parameter " + std::to_string(i + 1),
                         false)) {
                return;
            }
        }
        Out.Faulting = std::move(kernelHit);
    }

    void ScanStack(uint32_t stackAt, uint32_t size) {
        if (size == 0 || Out.Modules.empty()) {
            return;
        }
        uint64_t stored = size;
        if (!In.Fits(stackAt, size)) {
            stored = In.Fits(stackAt, 0) ? In.Size() - stackAt : 0;
            Note("the stored call stack runs past the end of the file; " + std::to_string(stored) +
                 " of " + std::to_string(size) + " bytes were scanned");
        }
        const ModuleMap map(Out.Modules);
        // Per module: how often the stack points into it, and where first.
        std::vector<size_t> count(Out.Modules.size(), 0);
        std::vector<size_t> first(Out.Modules.size(), 0);
        std::vector<bool> skip(Out.Modules.size());
        for (size_t i = 0; i < Out.Modules.size(); ++i) {
            skip[i] = IsKernelOrHal(Out.Modules[i].Name);
        }
        const size_t step = H.PointerSize;
        const std::string_view region = In.Slice(stackAt, stored);
        for (size_t at = 0; at + step <= region.size(); at += step) {
            uint64_t value = 0;
            for (size_t k = step; k-- > 0;) {
                value = value << 8 | static_cast<uint8_t>(region[at + k]);
            }
            if (value == 0) {
                continue;
            }
            const auto i = map.Find(value);
            if (!i || skip[*i]) {
                continue;
            }
            if (count[*i]++ == 0) {
                first[*i] = at;
            }
        }
        std::vector<size_t> ranked;
        for (size_t i = 0; i < count.size(); ++i) {
            if (count[i] > 0) {
                ranked.push_back(i);
            }
        }
        std::sort(ranked.begin(), ranked.end(), [&](size_t a, size_t b) {
            if (count[a] != count[b]) {
                return count[a] > count[b];
            }
            return first[a] < first[b];
        });
        for (const size_t i : ranked) {
            Out.StackModules.push_back(Out.Modules[i].Name);
        }
    }
};

} // namespace

bool IsKernelOrHal(std::string_view name) {
    return (EndsNoCase(name, ".exe") &&
            (StartsNoCase(name, "ntoskrnl") || StartsNoCase(name, "ntkrnl") ||
             StartsNoCase(name, "ntkrpamp"))) ||
           (StartsNoCase(name, "hal") && EndsNoCase(name, ".dll"));
}

std::string_view MachineName(DumpMachine machine) {
    switch (machine) {
    case DumpMachine::X86:
        return "x86";
    case DumpMachine::X64:
        return "x64";
    case DumpMachine::Arm64:
        return "arm64";
    case DumpMachine::Unknown:
        break;
    }
    return {};
}

std::string_view DumpKindName(DumpKind kind) {
    switch (kind) {
    case DumpKind::KernelTriage:
        return "kernel-triage";
    case DumpKind::KernelFull:
        return "kernel-full";
    case DumpKind::KernelOther:
        return "kernel-other";
    case DumpKind::UserMinidump:
        return "user-minidump";
    case DumpKind::Unknown:
        break;
    }
    return "unknown";
}

DecodedDump DecodeDump(std::string_view bytes) {
    DecodedDump out;
    const Bytes in(bytes);
    const auto signature = in.U32(0);
    if (signature == kUserMinidump) {
        out.Kind = DumpKind::UserMinidump;
        return out;
    }
    const auto valid = in.U32(4);
    if (signature != kSignature || (valid != kValidDump32 && valid != kValidDump64)) {
        out.Kind = DumpKind::Unknown;
        return out;
    }
    out.Header64 = valid == kValidDump64;
    const HeaderLayout& h = out.Header64 ? kHeader64 : kHeader32;
    if (!in.Fits(0, h.Size)) {
        out.Kind = DumpKind::KernelOther;
        out.Notes.push_back("the file (" + std::to_string(bytes.size()) +
                            " bytes) is shorter than its " + (out.Header64 ? "64" : "32") +
                            "-bit dump header (" + std::to_string(h.Size) +
                            " bytes); nothing was decoded");
        return out;
    }
    Decoder d{in, h, out};
    d.ReadHeader();
    if (out.Kind == DumpKind::KernelTriage) {
        if (!in.Fits(h.Size, kTriageHeaderRead)) {
            d.Note("the file ends inside the small-dump header; its module list was not read");
        } else {
            d.ReadTriage();
        }
    }
    return out;
}

} // namespace pv::triage
