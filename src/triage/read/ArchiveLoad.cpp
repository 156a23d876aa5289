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
