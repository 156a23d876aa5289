#include "devices/DriverTypes2.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pv {
namespace {

TEST(DeviceItem, NewRecordHoldsInitialValues) {
    const PDeviceItem item = NewDeviceItem();
    for (const std::u16string* text :
         {&item->Name, &item->Description, &item->ClassGuid, &item->ClassName,
          &item->DriverProvider, &item->DriverVersion, &item->MatchingId, &item->CompatibleIds,
          &item->HardwareIds, &item->InstanceId, &item->Key}) {
        EXPECT_TRUE(text->empty());
    }
    EXPECT_EQ(item->DriverDate, 0);
    EXPECT_EQ(item->InstallDate, 0);
    EXPECT_EQ(item->DevInst, 0u);
    EXPECT_EQ(item->InstallState, 0u);
    EXPECT_EQ(item->ProblemNumber, 0u);
    EXPECT_EQ(item->ProblemCode, 0u);
    EXPECT_FALSE(item->PlugState || item->Reinstall || item->Rollback || item->IsDch);
    DisposeDeviceItem(item);
}

TEST(DeviceList, AddReturnsIndexAndOutOfRangeReadsFail) {
    TList<PDeviceItem> list;
    TDeviceItem a, b;
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(list.Add(&b), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(1), &b);
    for (const int bad : {-1, 2}) {
        try {
            list.Items(bad);
            ADD_FAILURE() << bad;
        } catch (const EArgumentOutOfRange& e) {
            EXPECT_STREQ(e.what(), "Argument out of range");
        }
    }
}

struct SortCase {
    const char* name;
    std::vector<double> dates; // install dates of records named a, b, c, ... in list order
    std::string expected;      // names after SortByDate
};

class SortByDateTest : public testing::TestWithParam<SortCase> {};

TEST_P(SortByDateTest, GivesTheQuicksortOrder) {
    const SortCase& c = GetParam();
    std::vector<TDeviceItem> records(c.dates.size());
    TList<PDeviceItem> list;
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].InstallDate = c.dates[i];
        records[i].Name = std::u16string(1, static_cast<char16_t>(u'a' + i));
        list.Add(&records[i]);
    }
    SortByDate(&list);
    std::string order;
    for (int i = 0; i < list.Count(); ++i) {
        order += static_cast<char>(list.Items(i)->Name[0]);
    }
    EXPECT_EQ(order, c.expected);
}

constexpr double k1March2023 = 44986;
constexpr double k2March2023 = 44987;

INSTANTIATE_TEST_SUITE_P(
    Cases, SortByDateTest,
    testing::Values(SortCase{"Empty", {}, ""}, SortCase{"One", {5}, "a"},
                    SortCase{"TwoEqualSwap", {7, 7}, "ba"},
                    SortCase{"ThreeEqual", {7, 7, 7}, "cba"},
                    SortCase{"FourEqual", {7, 7, 7, 7}, "cdab"},
                    SortCase{"UndatedLast", {0, 44000, 0, 45000}, "dbac"},
                    SortCase{"SecondMarchBeforeFirst", {k1March2023, k2March2023}, "ba"},
                    SortCase{"Mixed", {3.5, 9.25, 1, 9.75, 0, 2}, "dbafce"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortByDate, NullListIsLeftAlone) {
    EXPECT_NO_FATAL_FAILURE(SortByDate(nullptr));
}

TEST(DeviceRecordsOwner, DisposesEveryRecordAndEmptiesTheList) {
    TList<PDeviceItem> list;
    {
        const DeviceRecordsOwner owner(list);
        list.Add(NewDeviceItem());
        list.Add(nullptr);
        list.Add(NewDeviceItem());
    }
    EXPECT_EQ(list.Count(), 0); // leaks would show under ASan
}

} // namespace
} // namespace pv
