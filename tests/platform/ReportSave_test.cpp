#include "platform/ReportSave.h"
#include <gtest/gtest.h>
#include <map>

using namespace pv;

namespace {

// A folder in memory: names to contents. Each operation can be made to fail; Write can be made
// to stop short after a number of bytes, as a full disk or a lost share would.
class FakeFolder final : public ReportFileOps {
public:
    std::map<std::u16string, std::string> files;
    bool failCreate = false;
    bool failRename = false;
    size_t writeLimit = std::string::npos; // bytes accepted before every write fails

    bool CreateFresh(const std::u16string& fresh) override {
        if (failCreate || files.count(fresh)) {
            return false;
        }
        files[fresh];
        fresh_ = fresh;
        return true;
    }

    size_t Write(const char* data, size_t size) override {
        std::string& body = files.at(fresh_);
        const size_t room = writeLimit == std::string::npos ? size : writeLimit - body.size();
        const size_t n = std::min(size, room);
        body.append(data, n);
        return n;
    }

    bool RenameOver(const std::u16string& path) override {
        if (failRename) {
            return false;
        }
        files[path] = files.at(fresh_);
        files.erase(fresh_);
        fresh_.clear();
        return true;
    }

    void DiscardFresh() override {
        files.erase(fresh_);
        fresh_.clear();
    }

    void RemoveReport(const std::u16string& path) override { files.erase(path); }

private:
    std::u16string fresh_;
};

const std::u16string kReport = u"C:\\Logs\\DeviceList.txt";
const std::u16string kFresh = FreshReportName(kReport, 0xABCDEF0123456789ULL);

TEST(ReportSave, FreshNameSitsBesideTheReport) {
    EXPECT_EQ(kFresh, u"C:\\Logs\\DeviceList.txt.ABCDEF0123456789.tmp");
}

TEST(ReportSave, CompleteSaveReplacesTheEarlierReport) {
    FakeFolder folder;
    folder.files[kReport] = "earlier run";
    EXPECT_TRUE(SaveReportBytes(folder, kReport, kFresh, "this run's report", 4));
    EXPECT_EQ(folder.files,
              (std::map<std::u16string, std::string>{{kReport, "this run's report"}}));
}

TEST(ReportSave, EmptyReportIsStillSaved) {
    FakeFolder folder;
    EXPECT_TRUE(SaveReportBytes(folder, kReport, kFresh, ""));
    EXPECT_EQ(folder.files.at(kReport), "");
}

// Every way a save can fail: the folder ends up with neither a partial report nor the earlier
// run's, and the fresh file is gone.
struct FailureCase {
    const char* label;
    bool failCreate;
    bool failRename;
    size_t writeLimit;
};

class ReportSaveFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ReportSaveFailure, LeavesNoReport) {
    FakeFolder folder;
    folder.files[kReport] = "earlier run";
    folder.files[u"C:\\Logs\\other.txt"] = "untouched";
    folder.failCreate = GetParam().failCreate;
    folder.failRename = GetParam().failRename;
    folder.writeLimit = GetParam().writeLimit;
    EXPECT_FALSE(SaveReportBytes(folder, kReport, kFresh, "0123456789abcdef", 4));
    EXPECT_EQ(folder.files,
              (std::map<std::u16string, std::string>{{u"C:\\Logs\\other.txt", "untouched"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportSaveFailure,
    testing::Values(FailureCase{"FreshNameRefused", true, false, std::string::npos},
                    FailureCase{"ShortWriteMidReport", false, false, 10},
                    FailureCase{"FirstWriteFails", false, false, 0},
                    FailureCase{"RenameRefused", false, true, std::string::npos}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

} // namespace
