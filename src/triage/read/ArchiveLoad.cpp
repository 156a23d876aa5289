#include "triage/read/ArchiveLoad.h"

#include <array>
#include <memory>

namespace pv::triage {
namespace {

constexpr size_t VerifyBufferSize = 256 * 1024;

} // namespace

std::vector<Member> LoadMembers(const Archive& archive, bool verify, const LoadLimits& limits) {
    const std::vector<ArchiveMember>& entries = archive.Members();
    std::vector<Member> members;
    members.reserve(entries.size());
    std::unique_ptr<char[]> verifyBuffer;
    if (verify)
        verifyBuffer = std::make_unique<char[]>(VerifyBufferSize);
    uint64_t total = 0;
    uint64_t dumpTotal = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ArchiveMember& entry = entries[i];
        Member member;
        member.Name = entry.Name;
        member.Modified = entry.Modified;
        member.Size = entry.Size;
        if (IsParsedMember(entry.Name)) {
            const bool dump = IsDumpMember(entry.Name);
            uint64_t& used = dump ? dumpTotal : total;
            const uint64_t cap = dump ? limits.DumpTotalCap : limits.TotalCap;
            const uint64_t room = used < cap ? cap - used : 0;
            MemberRead read = archive.Read(i, std::min(limits.MemberCap, room));
            member.OverCap = read.Status == ReadStatus::OverCap;
            member.Damaged = read.Status == ReadStatus::Damaged;
            used += read.Bytes.size();
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
