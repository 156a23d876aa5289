#include "triage/read/Archive.h"

#include "ArchiveTestZip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace pv::triage {
namespace {

using test::BuildZip;
using test::Deflated;
using test::Stored;
using test::TempFolder;
using test::TestMember;

std::string Valid() {
    return BuildZip({{"SystemInfo.txt", std::string(5000, 'a')}, {"b", "bb"}});
}

struct Unreadable {
    const char* Case;
    std::string Bytes;
    const char* Sentence; // part of the one sentence the reader gives
};

TEST(ArchiveOpen, UnreadableArchivesGiveOneSentenceNamingTheFile) {
    TestMember encrypted{"SystemInfo.txt", "secret"};
    encrypted.Flags = 1;
    TestMember unsupported{"DeviceList.txt", "data"};
    unsupported.Method = 9; // Deflate64, which Windows' own packer writes for large files
    unsupported.Compressed = "data";
    const std::string valid = Valid();
    const Unreadable cases[] = {
        {"empty", "", "is empty, not a ZIP archive."},
        {"text", "just some text, certainly not an archive\n", "is not a ZIP archive."},
        {"half", valid.substr(0, valid.size() / 2), "is truncated"},
        {"end record cut", valid.substr(0, valid.size() - 1), "is truncated"},
        {"encrypted", BuildZip({{"a.log", "x"}, encrypted}),
         "is encrypted (member \"SystemInfo.txt\")"},
        {"deflate64", BuildZip({unsupported}), "uses compression method 9 "},
    };
    TempFolder folder;
    for (const Unreadable& c : cases) {
        const std::string path = folder.Write("case.zip", c.Bytes);
        const OpenResult result = Archive::Open(path);
        EXPECT_EQ(result.Opened, nullptr) << c.Case;
        EXPECT_NE(result.Error.find(c.Sentence), std::string::npos)
            << c.Case << ": " << result.Error;
        EXPECT_NE(result.Error.find("case.zip"), std::string::npos) << c.Case;
        EXPECT_EQ(result.Error.back(), '.') << c.Case;
    }
}

TEST(ArchiveOpen, MissingFileAndFolderAreNotArchives) {
    TempFolder folder;
    EXPECT_NE(Archive::Open((folder.Path / "absent.zip").string()).Error.find("cannot open"),
              std::string::npos);
    EXPECT_NE(Archive::Open(folder.Path.string()).Error.find("not a regular file"),
              std::string::npos);
}

TEST(ArchiveOpen, ControlCharactersInAMemberNameDoNotReachTheSentence) {
    TestMember encrypted{"evil\x1b[2J\x9b"
                         "1mname",
                         "x"};
    encrypted.Flags = 1;
    TempFolder folder;
    const OpenResult result = Archive::Open(folder.Write("a.zip", BuildZip({encrypted})));
    EXPECT_NE(result.Error.find("evil"), std::string::npos);
    EXPECT_EQ(result.Error.find('\x1b'), std::string::npos);
    EXPECT_EQ(result.Error.find("\xc2\x9b"), std::string::npos);
}

TEST(ArchiveOpen, DuplicateNamesAsTheToolWritesThemAreRead) {
    TempFolder folder;
    const OpenResult result = Archive::Open(
        folder.Write("a.zip", BuildZip({{"AppData/Logs/Install/DPINST.LOG", "first"},
                                        {"AppData/Logs/Install/DPINST.LOG", "second"}})));
    ASSERT_TRUE(result.Opened) << result.Error;
    ASSERT_EQ(result.Opened->Members().size(), 2u);
    EXPECT_EQ(result.Opened->Find("AppData/Logs/Install/DPINST.LOG"), 0u);
    EXPECT_EQ(result.Opened->Read(1, 100).Bytes, "second");
}

TEST(ArchiveOpen, AnEmptyArchiveHasNoMembers) {
    TempFolder folder;
    const OpenResult result = Archive::Open(folder.Write("a.zip", BuildZip({})));
    ASSERT_TRUE(result.Opened) << result.Error;
    EXPECT_TRUE(result.Opened->Members().empty());
}

TEST(ArchiveRead, StoredAndDeflatedMembersReadBackExactly) {
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 251);
    TempFolder folder;
    const OpenResult result =
        Archive::Open(folder.Write("a.zip", BuildZip({{"stored.bin", binary, Stored},
                                                      {"deflated.bin", binary, Deflated},
                                                      {"empty.txt", "", Deflated}})));
    ASSERT_TRUE(result.Opened) << result.Error;
    const Archive& archive = *result.Opened;
    for (size_t i = 0; i < 2; ++i) {
        const MemberRead read = archive.Read(i, 1 << 20);
        EXPECT_EQ(read.Status, ReadStatus::Ok) << read.Problem;
        EXPECT_EQ(read.Bytes, binary) << archive.Members()[i].Name;
    }
    EXPECT_EQ(archive.Read(2, 10).Status, ReadStatus::Ok);
    EXPECT_EQ(archive.Members()[0].Method, Stored);
    EXPECT_EQ(archive.Members()[1].Method, Deflated);
    EXPECT_EQ(archive.Members()[1].Size, binary.size());
}

TEST(ArchiveRead, NamesThatLookLikePathsStayNames) {
    const std::vector<std::string> names = {"../../escape.txt", "/etc/passwd-copy",
                                            "C:/Windows/x.txt", "..\\..\\back.txt", "a/../../b"};
    std::vector<TestMember> members;
    for (const std::string& name : names)
        members.push_back({name, "content of " + name});
    TempFolder folder;
    const std::filesystem::path inner = folder.Path / "in" / "deeper";
    std::filesystem::create_directories(inner);
    const std::string path = (inner / "a.zip").string();
    std::ofstream(path, std::ios::binary) << BuildZip(members);
    const OpenResult result = Archive::Open(path);
    ASSERT_TRUE(result.Opened) << result.Error;
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(result.Opened->Members()[i].Name, names[i]);
        EXPECT_EQ(result.Opened->Find(names[i]), i);
        EXPECT_EQ(result.Opened->Read(i, 1000).Bytes, "content of " + names[i]);
    }
    // Reading wrote nothing anywhere: the folders hold exactly what the test put there.
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

TEST(ArchiveRead, AMemberDeclaredOverTheCapIsNeverRead) {
    TestMember big{"DeviceList.txt", std::string(4096, 'd')};
    big.Compressed = "not even deflate data"; // reading it would fail, so it must not be read
    TempFolder folder;
    const OpenResult result = Archive::Open(folder.Write("a.zip", BuildZip({big})));
    ASSERT_TRUE(result.Opened) << result.Error;
    const MemberRead read = result.Opened->Read(0, 4095);
    EXPECT_EQ(read.Status, ReadStatus::OverCap);
    EXPECT_TRUE(read.Bytes.empty());
    EXPECT_NE(read.Problem.find("4096"), std::string::npos);
}

TEST(ArchiveRead, ASizeFieldThatLiesNeverLetsMoreThanItsValueIn) {
    // A deflate bomb: 64 MiB of zeros in about 64 KiB, its headers claiming 100 bytes.
    const std::string zeros(64u << 20, '\0');
    TestMember bomb{"SystemInfo.txt", zeros};
    bomb.DeclaredSize = 100;
    TestMember shorter{"Hosts", "0123456789"};
    shorter.DeclaredSize = 20;
    TempFolder folder;
    const OpenResult result = Archive::Open(folder.Write("a.zip", BuildZip({bomb, shorter})));
    ASSERT_TRUE(result.Opened) << result.Error;
    const MemberRead read = result.Opened->Read(0, 16u << 20);
    EXPECT_EQ(read.Status, ReadStatus::Damaged);
    EXPECT_LE(read.Bytes.size(), 101u);
    EXPECT_EQ(read.Problem, "more data than its header declares");
    std::vector<char> buffer(4096);
    EXPECT_EQ(result.Opened->Verify(0, buffer), "more data than its header declares");
    // Neither read inflated more than one byte past the declared size: never the whole bomb.
    EXPECT_LE(result.Opened->InflatedBytes(), 2 * 101u);

    const MemberRead cut = result.Opened->Read(1, 100);
    EXPECT_EQ(cut.Status, ReadStatus::Damaged);
    EXPECT_EQ(cut.Problem, "less data than its header declares");
}

TEST(ArchiveRead, AnHonestDeflateBombIsOverTheCap) {
    const std::string zeros(64u << 20, '\0');
    TempFolder folder;
    const OpenResult result =
        Archive::Open(folder.Write("a.zip", BuildZip({{"DeviceList.txt", zeros}})));
    ASSERT_TRUE(result.Opened) << result.Error;
    EXPECT_EQ(result.Opened->Read(0, 16u << 20).Status, ReadStatus::OverCap);
}

TEST(ArchiveRead, CorruptDataIsDamagedAndVerifyNamesTheFault) {
    TestMember wrongCrc{"pvreg.txt", std::string(20000, 'r')};
    wrongCrc.DeclaredCrc = 0x12345678;
    TestMember garbage{"a.log", std::string(1000, 'g')};
    garbage.Compressed = std::string("\xff\xff\xff\xff garbage", 12);
    TestMember good{"b.log", std::string(300000, 'b')};
    TempFolder folder;
    const OpenResult result =
        Archive::Open(folder.Write("a.zip", BuildZip({wrongCrc, garbage, good})));
    ASSERT_TRUE(result.Opened) << result.Error;
    const Archive& archive = *result.Opened;
    const MemberRead read = archive.Read(0, 1 << 20);
    EXPECT_EQ(read.Status, ReadStatus::Damaged);
    EXPECT_EQ(read.Problem, "CRC mismatch");
    std::vector<char> buffer(1000); // smaller than the members: the check streams
    EXPECT_EQ(archive.Verify(0, buffer), "CRC mismatch");
    EXPECT_EQ(archive.Verify(1, buffer), "invalid compressed data");
    EXPECT_EQ(archive.Verify(2, buffer), "");
}

TEST(ArchiveRead, ModifiedTimeComesFromTheExtendedTimestampElseTheDosFieldsInUtc) {
    TestMember stamped{"Mini012424-01.dmp", "x"};
    stamped.UnixTime = 1706096096; // 2024-01-24 11:34:56 UTC
    TestMember dosOnly{"b", "y"};
    dosOnly.DosTime = (12 << 11) | (34 << 5) | (56 / 2);
    TempFolder folder;
    const std::string path = folder.Write("a.zip", BuildZip({stamped, dosOnly}));
    // libzip reads DOS fields as local time; the reader must undo that whatever the zone.
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    for (const char* tz : {"UTC0", "EST5EDT", "JST-9"}) {
        setenv("TZ", tz, 1);
        tzset();
        const OpenResult result = Archive::Open(path);
        ASSERT_TRUE(result.Opened) << result.Error;
        EXPECT_EQ(result.Opened->Members()[0].Modified, 1706096096) << tz;
        EXPECT_EQ(result.Opened->Members()[1].Modified, 1706704496) << tz; // 2024-01-31 12:34:56
    }
    if (zone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

// Regression: a directory of many members once took quadratic time to open. The speed goal is
// bench/triage's --many figure; here the open must return at all (the ctest timeout is the
// watchdog) with every member listed and found.
TEST(ArchiveOpen, ManyTinyMembersOpenAndAreFound) {
    constexpr size_t Count = 100000;
    std::vector<TestMember> members;
    members.reserve(Count);
    for (size_t i = 0; i < Count; ++i)
        members.push_back({"m/" + std::to_string(i), "", Stored});
    TempFolder folder;
    const std::string path = folder.Write("many.zip", BuildZip(members, true));
    const OpenResult result = Archive::Open(path);
    ASSERT_TRUE(result.Opened) << result.Error;
    EXPECT_EQ(result.Opened->Members().size(), Count);
    EXPECT_EQ(result.Opened->Find("m/0"), 0u);
    EXPECT_EQ(result.Opened->Find("m/99999"), 99999u);
    EXPECT_EQ(result.Opened->Members()[54321].Name, "m/54321");
}

} // namespace
} // namespace pv::triage
