#include "ZipTestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pv {
namespace {

using namespace ziptest;

// "UT" fields of kWriteTime, kAccessTime and kCreateTime.
const Bytes kUtLocal = {0x55, 0x54, 0x0D, 0x00, 0x07, 0xF1, 0xC9, 0x64, 0x64,
                        0x80, 0xE7, 0x65, 0x64, 0x00, 0xCD, 0x5F, 0x64};
const Bytes kUtCentral = {0x55, 0x54, 0x05, 0x00, 0x07, 0xF1, 0xC9, 0x64, 0x64};

Bytes Archive(FakeFiles& fs, const std::vector<std::pair<std::u16string, std::u16string>>& members,
              unsigned threads = 2) {
    ZipHandle zip = fs.Create(threads);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, source] : members) {
        EXPECT_EQ(ZipAddFile(zip, name, source), ZR_OK);
    }
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    return fs.out->bytes;
}

std::string Checked(const Bytes& zip, const std::string& name) {
    const std::string path = TempPath(name + ".zip");
    WriteFile(path, zip);
    std::string listing = CheckWithReaders(path);
    std::remove(path.c_str());
    return listing;
}

TEST(ZipWriter, CreateThenCloseIsTheBareEndRecord) {
    FakeFiles fs;
    const Bytes zip = Archive(fs, {});
    const Bytes expected = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0,
                            0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(zip, expected);
    Checked(zip, "empty");
}

TEST(ZipWriter, HeadersCarryEveryFieldOfTheLayout) {
    FakeFiles fs;
    const Bytes text = LogText(5000);
    fs.Add(u"/s/a.txt", text);
    fs.Add(u"/s/b.gz", RandomBytes(300));
    const Bytes zip = Archive(fs, {{u"Logs\\a.txt", u"/s/a.txt"}, {u"old\\b.gz", u"/s/b.gz"}});
    const auto m = Parse(zip);
    ASSERT_EQ(m.size(), 2u);

    EXPECT_EQ(m[0].name, "Logs/a.txt");
    EXPECT_EQ(m[0].madeBy, 0x0B17);
    EXPECT_EQ(m[0].needed, 20);
    EXPECT_EQ(m[0].flags, 2);
    EXPECT_EQ(m[0].localFlags, 2);
    EXPECT_EQ(m[0].method, 8);
    EXPECT_EQ(m[0].time, (12 << 11) | (34 << 5) | 28);
    EXPECT_EQ(m[0].date, (43 << 9) | (5 << 5) | 17);
    EXPECT_EQ(m[0].crc, Crc(text));
    EXPECT_EQ(m[0].localCrc, m[0].crc);
    EXPECT_EQ(m[0].size, text.size());
    EXPECT_EQ(m[0].localSize, text.size());
    EXPECT_EQ(m[0].localCompressed, m[0].compressedSize);
    EXPECT_LT(m[0].compressedSize, text.size() / 2);
    EXPECT_EQ(m[0].externalAttributes, 0x81800020u);
    EXPECT_EQ(m[0].localOffset, 0u);
    EXPECT_EQ(m[0].localExtra, kUtLocal);
    EXPECT_EQ(m[0].centralExtra, kUtCentral);
    EXPECT_EQ(InflateRaw(m[0].data, text.size()), text);

    EXPECT_EQ(m[1].name, "old/b.gz");
    EXPECT_EQ(m[1].flags, 0);
    EXPECT_EQ(m[1].method, 0);
    EXPECT_EQ(m[1].compressedSize, 300u);
    EXPECT_EQ(m[1].size, 300u);
    EXPECT_EQ(m[1].localOffset, 30 + 10 + 17 + m[0].compressedSize);
    EXPECT_EQ(m[1].data, RandomBytes(300));
    // Nothing between the members and the central directory.
    EXPECT_EQ(Le32(zip, zip.size() - 6), m[1].localOffset + 30 + 8 + 17 + 300);

    const std::string listing = Checked(zip, "layout");
    EXPECT_EQ(listing, Line("Logs/a.txt", text) + Line("old/b.gz", RandomBytes(300)));
}

TEST(ZipWriter, StoredExtensionsIgnoreCaseOthersDeflate) {
    FakeFiles fs;
    const Bytes data = LogText(2000);
    for (auto p : {u"x.ZIP", u"data.gz", u"old.Tgz", u"report.zip.txt", u"dir.zip/readme"}) {
        fs.Add(p, data);
    }
    const Bytes zip = Archive(fs, {{u"x.ZIP", u"x.ZIP"},
                                   {u"data.gz", u"data.gz"},
                                   {u"old.Tgz", u"old.Tgz"},
                                   {u"report.zip.txt", u"report.zip.txt"},
                                   {u"dir.zip\\readme", u"dir.zip/readme"}});
    const auto m = Parse(zip);
    ASSERT_EQ(m.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m[i].method, 0) << m[i].name;
        EXPECT_EQ(m[i].flags, 0) << m[i].name;
        EXPECT_EQ(m[i].compressedSize, data.size()) << m[i].name;
    }
    for (int i = 3; i < 5; ++i) {
        EXPECT_EQ(m[i].method, 8) << m[i].name;
        EXPECT_EQ(m[i].flags, 2) << m[i].name;
    }
    Checked(zip, "stored");
}

TEST(ZipWriter, EmptySourceIsTheTwoByteStreamOrAnEmptyStoredMember) {
    FakeFiles fs;
    fs.Add(u"e", {});
    fs.Add(u"a", {'a'});
    const Bytes zip = Archive(fs, {{u"empty.txt", u"e"}, {u"empty.gz", u"e"}, {u"a.txt", u"a"}});
    const auto m = Parse(zip);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].data, (Bytes{0x03, 0x00}));
    EXPECT_EQ(m[0].flags, 2);
    EXPECT_EQ(m[0].crc, 0u);
    EXPECT_EQ(m[0].size, 0u);
    EXPECT_EQ(m[1].method, 0);
    EXPECT_EQ(m[1].compressedSize, 0u);
    EXPECT_EQ(m[1].size, 0u);
    EXPECT_EQ(m[2].data, (Bytes{0x4B, 0x04, 0x00}));
    Checked(zip, "emptysrc");
}

TEST(ZipWriter, IncompressibleDataStaysDeflateAndGrowsOnlySlightly) {
    FakeFiles fs;
    const Bytes noise = RandomBytes(200000);
    fs.Add(u"n", noise);
    const Bytes zip = Archive(fs, {{u"noise.bin", u"n"}});
    const auto m = Parse(zip);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].method, 8);
    EXPECT_GT(m[0].compressedSize, noise.size());
    EXPECT_LT(m[0].compressedSize, noise.size() + 100);
    Checked(zip, "noise");
}

// Sizes around the 16 KiB buffer, the 64 KiB first read and window, the parallel threshold and
// its chunk boundaries, and a few MiB.
TEST(ZipWriter, RoundTripsAroundBufferWindowAndChunkBoundaries) {
    const std::size_t kMiB = 1 << 20, kChunk = 128 << 10;
    const std::vector<std::size_t> sizes = {1,
                                            16383,
                                            16384,
                                            16385,
                                            65535,
                                            65536,
                                            65537,
                                            kMiB - 1,
                                            kMiB,
                                            kMiB + 1,
                                            kMiB + kChunk - 1,
                                            kMiB + kChunk,
                                            kMiB + kChunk + 1,
                                            2 * kMiB,
                                            3 * kMiB + 12345};
    FakeFiles fs;
    std::vector<std::pair<std::u16string, std::u16string>> members;
    std::string expected;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        Bytes data = LogText(sizes[i], static_cast<std::uint32_t>(i));
        if (i % 3 == 2) { // some members mix text with noise
            const Bytes noise = RandomBytes(sizes[i] / 3, static_cast<std::uint32_t>(i));
            std::copy(noise.begin(), noise.end(), data.begin() + static_cast<long>(sizes[i] / 3));
        }
        const std::string name = "m" + std::to_string(sizes[i]) + ".log";
        const std::u16string uname(name.begin(), name.end());
        expected += Line(name, data);
        fs.Add(uname, std::move(data));
        members.emplace_back(uname, uname);
    }
    const Bytes zip = Archive(fs, members);
    for (const auto& m : Parse(zip)) {
        EXPECT_EQ(m.method, 8);
        EXPECT_EQ(m.flags, 2);
    }
    EXPECT_EQ(Checked(zip, "sizes"), expected);
}

TEST(ZipWriter, SameBytesWithOneTwoAndEightThreads) {
    Bytes data = LogText(5 * (1 << 20) + 777, 3);
    const Bytes noise = RandomBytes(300000, 4);
    std::copy(noise.begin(), noise.end(), data.begin() + 2000000);
    Bytes first;
    for (unsigned threads : {1u, 2u, 8u}) {
        FakeFiles fs;
        fs.Add(u"big", data);
        fs.Add(u"small", LogText(70000));
        const Bytes zip = Archive(
            fs, {{u"big.log", u"big"}, {u"small.log", u"small"}, {u"again.log", u"big"}}, threads);
        if (first.empty()) {
            first = zip;
            Checked(zip, "threads");
        } else {
            EXPECT_EQ(zip, first) << threads << " threads";
        }
    }
}

TEST(ZipWriter, NamesLongerThan259UnitsAndNonAsciiAreWritten) {
    FakeFiles fs;
    fs.Add(u"s", LogText(100));
    const std::u16string longName = u"Logs\\" + std::u16string(300, u'n') + u".txt";
    const Bytes zip = Archive(fs, {{longName, u"s"}, {u"T\u00e2che.log", u"s"}});
    const auto m = Parse(zip);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].name, "Logs/" + std::string(300, 'n') + ".txt");
    EXPECT_EQ(m[1].name, "T\xC3\xA2"
                         "che.log");
    EXPECT_EQ(m[1].flags & 0x0800, 0); // no language-encoding flag
    Checked(zip, "names");
}

TEST(ZipWriter, ExecutableImageGetsOwnerExecute) {
    FakeFiles fs;
    Bytes exe = RandomBytes(4000);
    exe[0] = 'M';
    exe[1] = 'Z';
    fs.Add(u"e", exe);
    fs.Add(u"r", LogText(10), kAttrArchive | kAttrReadOnly | kAttrHidden);
    const auto m = Parse(Archive(fs, {{u"tool.exe", u"e"}, {u"r.txt", u"r"}}));
    EXPECT_EQ(m[0].externalAttributes, 0x81C00020u);
    EXPECT_EQ(m[1].externalAttributes, 0x81000023u);
}

TEST(ZipWriter, InvalidCallsAreRefusedWithoutWriting) {
    EXPECT_EQ(ZipAddFile(nullptr, u"a", u"b"), ZR_ARGS);
    EXPECT_EQ(ZipClose(nullptr), ZR_ARGS);
    FakeFiles fs;
    fs.Add(u"s", LogText(100));
    ZipHandle zip = fs.Create();
    EXPECT_EQ(ZipAddFile(zip, u"", u"s"), ZR_ARGS);
    EXPECT_EQ(ZipAddFile(zip, static_cast<const char16_t*>(nullptr), u"s"), ZR_ARGS);
    EXPECT_EQ(ZipAddFile(zip, std::u16string(70000, u'x'), u"s"), ZR_ARGS);
    EXPECT_EQ(ZipAddFile(zip, u"missing.txt", u"nowhere"), ZR_NOFILE);
    EXPECT_TRUE(fs.out->bytes.empty());
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(fs.out->bytes.size(), 22u);
}

TEST(ZipWriter, MissingSourceLeavesArchiveByteForByteUnchanged) {
    FakeFiles with, without;
    for (FakeFiles* fs : {&with, &without}) {
        fs->Add(u"a", LogText(3000));
        fs->Add(u"b", LogText(4000, 9));
    }
    ZipHandle zip = with.Create();
    ASSERT_EQ(ZipAddFile(zip, u"a.txt", u"a"), ZR_OK);
    const Bytes before = with.out->bytes;
    EXPECT_EQ(ZipAddFile(zip, u"gone.txt", u"gone"), ZR_NOFILE);
    EXPECT_EQ(with.out->bytes, before);
    ASSERT_EQ(ZipAddFile(zip, u"b.txt", u"b"), ZR_OK);
    ASSERT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(with.out->bytes, Archive(without, {{u"a.txt", u"a"}, {u"b.txt", u"b"}}));
}

// Regression: a failed member left its provisional header (flags 8, no data descriptor) in
// the archive, which readers that walk local headers reject.
TEST(ZipWriter, FailedMemberIsCutOffAndLaterMembersStillGoIn) {
    FakeFiles fs, reference;
    for (FakeFiles* f : {&fs, &reference}) {
        f->Add(u"a", LogText(3000));
        f->Add(u"c", LogText(3000, 5));
    }
    fs.Add(u"bad", LogText(200000));
    fs.files[u"bad"].failAt = 100000;
    ZipHandle zip = fs.Create();
    ASSERT_EQ(ZipAddFile(zip, u"a.txt", u"a"), ZR_OK);
    const Bytes before = fs.out->bytes;
    EXPECT_EQ(ZipAddFile(zip, u"bad.txt", u"bad"), ZR_WRITE);
    EXPECT_EQ(fs.out->bytes, before);
    ASSERT_EQ(ZipAddFile(zip, u"c.txt", u"c"), ZR_OK);
    ASSERT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(fs.out->bytes, Archive(reference, {{u"a.txt", u"a"}, {u"c.txt", u"c"}}));
}

TEST(ZipWriter, ShortWritesFailTheMemberOrTheClose) {
    for (std::uint64_t limit : {10ull, 47ull + 100ull, 5000ull}) {
        FakeFiles fs;
        fs.Add(u"a", RandomBytes(8000));
        ZipHandle zip = fs.Create();
        fs.out->failWritesAfter = limit;
        EXPECT_EQ(ZipAddFile(zip, u"a.txt", u"a"), ZR_WRITE) << limit;
        EXPECT_TRUE(fs.out->bytes.empty()) << limit;
        EXPECT_EQ(ZipClose(zip), ZR_WRITE) << limit;
    }
    // The cut itself fails: the member's bytes stay behind but are never referenced.
    FakeFiles fs;
    fs.Add(u"a", RandomBytes(8000));
    fs.Add(u"b", LogText(8000));
    ZipHandle zip = fs.Create();
    fs.out->failWritesAfter = 5000;
    fs.out->truncateFails = true;
    EXPECT_EQ(ZipAddFile(zip, u"a.txt", u"a"), ZR_WRITE);
    fs.out->failWritesAfter = UINT64_MAX;
    EXPECT_EQ(ZipAddFile(zip, u"b.txt", u"b"), ZR_OK);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    const auto m = Parse(fs.out->bytes);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].localOffset, 5000u);
    EXPECT_EQ(InflateRaw(m[0].data, 8000), LogText(8000));
}

// A source whose content is generated, never held in memory.
void AddGenerated(FakeFiles& fs, const std::u16string& path, std::uint64_t reported,
                  std::uint64_t actual) {
    FakeFile f;
    f.info = {kAttrArchive, kWriteTime, kAccessTime, kCreateTime, reported};
    f.actualSize = actual;
    f.fill = [](std::uint64_t, std::uint8_t* buf, std::uint32_t n) { std::memset(buf, 'z', n); };
    fs.files[path] = std::move(f);
}

TEST(ZipWriter, SourcesOfFourGiBOrMoreAreRefused) {
    FakeFiles fs;
    AddGenerated(fs, u"huge", 0x100000000ull, 0);
    AddGenerated(fs, u"huger", 0x100000005ull, 0);
    fs.Add(u"s", LogText(100));
    ZipHandle zip = fs.Create();
    EXPECT_EQ(ZipAddFile(zip, u"huge.log", u"huge"), ZR_NOFILE);
    EXPECT_EQ(ZipAddFile(zip, u"huger.zip", u"huger"), ZR_NOFILE);
    EXPECT_TRUE(fs.out->bytes.empty());
    EXPECT_EQ(ZipAddFile(zip, u"s.txt", u"s"), ZR_OK);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    Checked(fs.out->bytes, "huge");
}

TEST(ZipWriter, MembersThatWouldPushAnOffsetPast4GiBAreRefused) {
    FakeFiles fs;
    fs.Add(u"s", LogText(1000));
    // Nearly 4 GiB stored would fit alone, but not after another member.
    AddGenerated(fs, u"big", 0xFFFFFF00ull, 0xFFFFFF00ull);
    AddGenerated(fs, u"text", 0xFFF00000ull, 0);
    ZipHandle zip = fs.Create();
    ASSERT_EQ(ZipAddFile(zip, u"s.txt", u"s"), ZR_OK);
    const Bytes before = fs.out->bytes;
    EXPECT_EQ(ZipAddFile(zip, u"big.zip", u"big"), ZR_WRITE);
    EXPECT_EQ(ZipAddFile(zip, u"text.log", u"text"), ZR_WRITE); // Deflate's worst case too
    EXPECT_EQ(fs.out->bytes, before);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(Parse(fs.out->bytes).size(), 1u);
}

TEST(ZipWriter, SourceGrowingPastItsSizeCannotOverflowTheArchive) {
    FakeFiles fs;
    fs.out->discardData = true;
    // Reported small, delivers just over 4 GiB: caught while reading, cut off again.
    AddGenerated(fs, u"grow", 10, 0x100000001ull);
    fs.Add(u"s", LogText(1000));
    ZipHandle zip = fs.Create();
    ASSERT_EQ(ZipAddFile(zip, u"s.txt", u"s"), ZR_OK);
    const std::uint64_t before = fs.out->size;
    EXPECT_EQ(ZipAddFile(zip, u"grow.zip", u"grow"), ZR_WRITE);
    EXPECT_EQ(fs.out->size, before);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(fs.out->size, before + 46 + 5 + 9 + 22);
}

TEST(ZipWriter, The65536thMemberIsRefused) {
    FakeFiles fs;
    fs.Add(u"e", {});
    ZipHandle zip = fs.Create();
    for (unsigned i = 0; i < 65535; ++i) {
        ASSERT_EQ(ZipAddFile(zip, u"e.gz", u"e"), ZR_OK) << i;
    }
    const std::size_t before = fs.out->bytes.size();
    EXPECT_EQ(ZipAddFile(zip, u"e.gz", u"e"), ZR_WRITE);
    EXPECT_EQ(fs.out->bytes.size(), before);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(Le16(fs.out->bytes, fs.out->bytes.size() - 12), 65535);
    int status = 0;
    const std::string path = TempPath("many.zip");
    WriteFile(path, fs.out->bytes);
    const std::string out =
        Shell("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
              "assert z.testzip() is None; print(len(z.infolist()))\" " +
                  path,
              &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "65535\n");
    EXPECT_EQ(Shell("unzip -t -qq " + path, &status), "");
    EXPECT_EQ(status, 0);
    std::remove(path.c_str());
}

// The POSIX file layer with real files.
class RealFiles : public ::testing::Test {
protected:
    std::string dir = TempPath("real");
    void SetUp() override { ::mkdir(dir.c_str(), 0700); }
    void TearDown() override { Shell("rm -rf " + dir, &status); }
    std::string Make(const std::string& name, const Bytes& data, mode_t mode) {
        const std::string p = dir + "/" + name;
        WriteFile(p, data);
        ::chmod(p.c_str(), mode);
        const timespec times[2] = {{kAccessTime, 0}, {kWriteTime, 0}};
        ::utimensat(AT_FDCWD, p.c_str(), times, 0);
        return p;
    }
    static std::u16string U(const std::string& s) { return std::u16string(s.begin(), s.end()); }
    int status = 0;
};

TEST_F(RealFiles, PlainAndReadOnlyFilesWithTimestampsThatReadersShow) {
    const Bytes text = LogText(40000);
    const std::string plain = Make("plain.txt", text, 0644);
    const std::string ro = Make("ro.txt", text, 0444);
    const std::string path = dir + "/out.zip";
    ZipHandle zip = ZipCreate(U(path));
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddFile(zip, u"Logs\\plain.txt", U(plain)), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, U("ro.txt"), U(ro).c_str()), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, u"none.txt", U(dir + "/none.txt")), ZR_NOFILE);
    EXPECT_EQ(ZipAddFile(zip, u"dir", U(dir)), ZR_NOFILE);
    ASSERT_EQ(ZipClose(zip), ZR_OK);

    const Bytes zipBytes = ReadFile(path);
    const auto m = Parse(zipBytes);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].externalAttributes, 0x81800020u);
    EXPECT_EQ(m[1].externalAttributes, 0x81000021u);
    EXPECT_EQ(m[0].time, (12 << 11) | (34 << 5) | 28);
    EXPECT_EQ(CheckWithReaders(path), Line("Logs/plain.txt", text) + Line("ro.txt", text));

    const std::string info = Shell("zipinfo -v " + path, &status);
    EXPECT_EQ(status, 0);
    for (const char* shown : {"subfield with ID 0x5455 (universal time) and 5 data bytes",
                              "local extra field has UTC/GMT modification/access/creation times",
                              "(UT extra field modtime): 2023 May 17 12:34:57 UTC",
                              "(DOS date/time):          2023 May 17 12:34:56",
                              "external file attributes:             818000 hex",
                              "external file attributes:             810000 hex",
                              "MS-DOS file attributes (21 hex):                rdo arc"}) {
        EXPECT_NE(info.find(shown), std::string::npos) << shown << "\n" << info;
    }
}

TEST_F(RealFiles, SparseSourceOfFourGiBIsRefusedAndTheArchiveStaysEmpty) {
    const std::string big = dir + "/big.bin";
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0x100000000LL), 0);
    ::close(fd);
    const std::string path = dir + "/out.zip";
    ZipHandle zip = ZipCreate(U(path));
    EXPECT_EQ(ZipAddFile(zip, u"big.bin", U(big)), ZR_NOFILE);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(ReadFile(path).size(), 22u);
}

TEST_F(RealFiles, ArchiveInMissingFolderCannotBeCreated) {
    EXPECT_EQ(ZipCreate(U(dir + "/no/such/out.zip")), nullptr);
    EXPECT_EQ(ZipCreate(static_cast<const char16_t*>(nullptr)), nullptr);
}

TEST_F(RealFiles, ExistingArchiveIsReplaced) {
    const std::string path = Make("out.zip", RandomBytes(5000), 0644);
    ZipHandle zip = ZipCreate(U(path));
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_EQ(ReadFile(path).size(), 22u);
}

} // namespace
} // namespace pv
