// The security an archive file is created with, seen at the file layer the writer creates it
// through. This is the only place a test can see it: Wine ignores the security descriptor given to
// CreateFileW and synthesises every file's DACL from its Unix mode, so under Wine an archive that
// lost its DACL looks the same as one that kept it.
#include "ZipTestSupport.h"

namespace pv::ziptest {
namespace {

// The archive's DACL as the elevated packer gives it: SYSTEM, Administrators and the user.
constexpr std::u16string_view kArchiveDacl =
    u"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;S-1-5-21-1004336348-1177238915-682003330-1001)";

// A file system that records every file created through it with the security it was created
// with; each creation replaces the file at its name, as create-always does.
class RecordingFiles final : public ZipFileSystem {
public:
    struct Created {
        std::u16string path;
        std::u16string security;
    };
    std::vector<Created> creations;
    std::map<std::u16string, std::u16string> securityOf; // the files as they are now
    FakeFiles sources;

    std::unique_ptr<ZipOutput> CreateOutput(const std::u16string& path,
                                            const std::u16string& security) override {
        creations.push_back({path, security});
        securityOf[path] = security;
        return sources.CreateOutput(path, security);
    }
    std::unique_ptr<ZipSource> OpenSource(const std::u16string& path,
                                          ZipSourceInfo& info) override {
        return sources.OpenSource(path, info);
    }
};

// Guards against the archive being created, or created again, with the security its folder
// passes on: elevated, that is SYSTEM and Administrators only, and the user cannot open the
// archive placed on the desktop.
TEST(ArchiveSecurity, ArchiveIsCreatedOnceWithTheGivenDacl) {
    RecordingFiles files;
    files.sources.Add(u"C:\\Logs\\a.log", LogText(5000));
    const std::u16string archive = u"C:\\Temp\\PvReportJob.1\\pv_info_20240131_i.zip";
    ZipHandle zip = ZipCreateIn(files, archive, std::u16string(kArchiveDacl), ZipOptions{1});
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddFile(zip, u"a.log", u"C:\\Logs\\a.log"), ZR_OK);
    ASSERT_EQ(ZipClose(zip), ZR_OK);

    ASSERT_EQ(files.creations.size(), 1u) << "the archive file was created more than once";
    EXPECT_EQ(files.creations[0].path, archive);
    EXPECT_EQ(files.securityOf[archive], kArchiveDacl)
        << "the archive file was created with the folder's inherited security";
    EXPECT_EQ(Parse(files.sources.out->bytes).size(), 1u);
}

// Guards against a default that invents a DACL: without one the file takes its folder's.
TEST(ArchiveSecurity, WithoutDaclTheFolderDecides) {
    RecordingFiles files;
    ZipHandle zip = ZipCreateIn(files, u"C:\\out.zip", std::u16string(), ZipOptions{1});
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(ZipClose(zip), ZR_OK);
    ASSERT_EQ(files.creations.size(), 1u);
    EXPECT_EQ(files.creations[0].security, u"");
}

} // namespace
} // namespace pv::ziptest
