// The page's session natively: the same caps as the libzip loader, nothing read that the core
// does not ask for, the first unreadable-archive sentence kept, and the same JSON as the native
// loader gives for the same archive.
#include "triage/web/WebSession.h"

#include "triage/model/ArchiveProblems.h"
#include "triage/model/MemberCaps.h"
#include "triage/read/Archive.h"
#include "triage/read/ArchiveLoad.h"
#include "triage/render/RenderJson.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace pv::triage::web {
namespace {

// Adds one directory entry through the buffer, as the script does.
int Add(Session& session, const std::string& name, double size, bool encrypted = false,
        int method = 8, bool supported = true) {
    std::memcpy(session.Buffer(name.size()), name.data(), name.size());
    return session.AddMember(name.size(), size, std::nullopt, encrypted, method, supported);
}

void Deliver(Session& session, const std::string& bytes, bool damaged = false) {
    std::memcpy(session.Buffer(bytes.size()), bytes.data(), bytes.size());
    session.ReadDone(bytes.size(), damaged);
}

std::vector<int> ReadOrder(Session& session, size_t bytesEach) {
    std::vector<int> asked;
    for (int index = session.NextRead(); index >= 0; index = session.NextRead()) {
        asked.push_back(index);
        Deliver(session, std::string(bytesEach, 'x'));
    }
    return asked;
}

TEST(WebSession, AsksOnlyForParsedMembersWithinBothCaps) {
    // Guards against the page decompressing members the core never reads, or a member over
    // the per-member or running-total cap (a deflate bomb that declares its size).
    const LoadLimits limits;
    Session session("a.zip", 7);
    EXPECT_EQ(Add(session, "AppData/Logs/Main/20240131.log", 400e6), 0); // 0: not parsed
    EXPECT_EQ(Add(session, "SystemInfo.txt", static_cast<double>(limits.MemberCap) + 1), 1);
    EXPECT_EQ(Add(session, "DeviceList.txt", static_cast<double>(limits.MemberCap)), 1);
    EXPECT_EQ(Add(session, "FileList.txt", static_cast<double>(limits.MemberCap)), 1);
    EXPECT_EQ(Add(session, "Hosts", static_cast<double>(limits.MemberCap)), 1);
    EXPECT_EQ(Add(session, "PingHosts.txt", 10), 1);         // the running total is used up by then
    EXPECT_EQ(Add(session, "NetInfo.txt", std::nan("")), 1); // no usable size: never read
    const std::vector<int> asked = ReadOrder(session, static_cast<size_t>(limits.MemberCap));
    EXPECT_EQ(asked, (std::vector<int>{2, 3, 4}));
    ASSERT_TRUE(session.Analyse());
    const std::string json = session.Output(OutputKind::Json);
    EXPECT_NE(json.find("\"over_cap\": [\n      \"SystemInfo.txt\",\n      \"PingHosts.txt\",\n"
                        "      \"NetInfo.txt\"\n    ]"),
              std::string::npos)
        << json.substr(0, 2000);
}

TEST(WebSession, KeepsNoMoreThanTheDeclaredSizeAndOneByte) {
    // Guards against a script (or a reader bug) handing over more than the member declares.
    Session session("a.zip", 7);
    ASSERT_EQ(Add(session, "SystemInfo.txt", 4), 1);
    ASSERT_EQ(session.NextRead(), 0);
    Deliver(session, std::string(1000, '\0'), true);
    EXPECT_EQ(session.NextRead(), -1);
    ASSERT_TRUE(session.Analyse());
    EXPECT_NE(session.Output(OutputKind::Json).find("\"damaged\": [\n      \"SystemInfo.txt\""),
              std::string::npos);
}

TEST(WebSession, AnUnreadableArchiveKeepsTheFirstSentence) {
    // Guards against a later entry or a late directory error replacing the reason the read
    // stopped, and against findings from an archive the native reader refuses.
    struct Case {
        const char* Why;
        bool Encrypted;
        bool Supported;
        std::string Expected;
    };
    const Case cases[] = {
        {"encrypted", true, true,
         ArchiveProblemText(ArchiveProblem::Encrypted, "a.zip", "DeviceList.txt")},
        {"method", false, false,
         ArchiveProblemText(ArchiveProblem::Method, "a.zip", "DeviceList.txt", 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Why);
        Session session("a.zip", 7);
        EXPECT_EQ(Add(session, "Hosts", 3), 1);
        EXPECT_EQ(Add(session, "DeviceList.txt", 4, c.Encrypted, 9, c.Supported), -1);
        EXPECT_EQ(Add(session, "SystemInfo.txt", 4), -1);
        session.DirectoryFailed(static_cast<int>(ArchiveProblem::Truncated));
        EXPECT_EQ(session.NextRead(), -1);
        EXPECT_FALSE(session.Analyse());
        EXPECT_EQ(session.Output(OutputKind::Error), c.Expected);
        EXPECT_EQ(session.Output(OutputKind::Json), c.Expected);
    }
    Session session("a.zip", 7);
    session.DirectoryFailed(99); // out of range: the last sentence the page knows
    EXPECT_EQ(session.Output(OutputKind::Error),
              ArchiveProblemText(ArchiveProblem::TooLarge, "a.zip"));
}

TEST(WebSession, GivesTheNativeLoadersJsonForTheToolsArchive) {
    // Guards against the page's loading path drifting from LoadMembers: same members, sizes,
    // times, caps and bytes give byte-identical JSON.
    const std::string path = std::string(PV_TEST_DATA_DIR) + "/tool/pv_info_20261210_i.zip";
    OpenResult opened = Archive::Open(path);
    ASSERT_TRUE(opened.Opened) << opened.Error;
    const Archive& archive = *opened.Opened;
    RenderContext context;
    context.ArchiveName = "tool.zip";
    const std::string native =
        RenderJson(ReadArchiveFacts(LoadMembers(archive, false), Options{}), context);

    Session session("tool.zip", 7);
    for (const ArchiveMember& entry : archive.Members()) {
        std::memcpy(session.Buffer(entry.Name.size()), entry.Name.data(), entry.Name.size());
        ASSERT_GE(session.AddMember(
                      entry.Name.size(), static_cast<double>(entry.Size),
                      entry.Modified ? std::optional<double>(static_cast<double>(*entry.Modified))
                                     : std::nullopt,
                      false, entry.Method, true),
                  0);
    }
    for (int index = session.NextRead(); index >= 0; index = session.NextRead()) {
        const MemberRead read = archive.Read(static_cast<size_t>(index), UINT64_MAX);
        Deliver(session, read.Bytes, read.Status != ReadStatus::Ok);
    }
    ASSERT_TRUE(session.Analyse());
    EXPECT_EQ(session.Output(OutputKind::Json), native);
}

} // namespace
} // namespace pv::triage::web
