#include "triage/ArchiveLoad.h"

#include <array>
#include <memory>

namespace pv::triage {
namespace {

constexpr std::string_view ParsedReports[] = {
    "SystemInfo.txt", "DeviceList.txt", "MEMORYDMP.txt", "PingHosts.txt",
    "NetInfo.txt",    "pvreg.txt",      "Hosts",         "AppData/Logs/Install/setupapi.dev.log",
};
constexpr std::string_view FileListPrefix = "FileList";
constexpr std::string_view FileListSuffix = ".txt";
constexpr size_t VerifyBufferSize = 256 * 1024;

// The core finds its members ignoring ASCII case and with either folder separator, so the
// loader must read every member that it would pick.
char Fold(char c) {
    if (c == '\\')
        return '/';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

} // namespace

bool IsParsedMember(std::string_view name) {
    for (std::string_view report : ParsedReports)
        if (SameName(name, report))
            return true;
    // FileList.txt, FileList_beta.txt, FileList_lumen3.txt, ...: top level only.
    return name.size() >= FileListPrefix.size() + FileListSuffix.size() &&
           SameName(name.substr(0, FileListPrefix.size()), FileListPrefix) &&
           SameName(name.substr(name.size() - FileListSuffix.size()), FileListSuffix) &&
           name.find_first_of("/\\") == std::string_view::npos;
}

std::vector<Member> LoadMembers(const Archive& archive, bool verify, const LoadLimits& limits) {
    const std::vector<ArchiveMember>& entries = archive.Members();
    std::vector<Member> members;
    members.reserve(entries.size());
    std::unique_ptr<char[]> verifyBuffer;
    if (verify)
        verifyBuffer = std::make_unique<char[]>(VerifyBufferSize);
    uint64_t total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ArchiveMember& entry = entries[i];
        Member member;
        member.Name = entry.Name;
        member.Modified = entry.Modified;
        member.Size = entry.Size;
        if (IsParsedMember(entry.Name)) {
            const uint64_t room = total < limits.TotalCap ? limits.TotalCap - total : 0;
            MemberRead read = archive.Read(i, std::min(limits.MemberCap, room));
            member.OverCap = read.Status == ReadStatus::OverCap;
            member.Damaged = read.Status == ReadStatus::Damaged;
            total += read.Bytes.size();
            member.Bytes = std::move(read.Bytes);
        } else if (verify) {
            member.Damaged =
                !archive.Verify(i, std::span<char>(verifyBuffer.get(), VerifyBufferSize)).empty();
        }
        members.push_back(std::move(member));
    }
    return members;
}

} // namespace pv::triage
