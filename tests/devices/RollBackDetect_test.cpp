#include "devices/RollBackDetect.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

struct MethodCase {
    uint32_t flag;
    RollbackMethod method;
};

class RollbackMethodTest : public testing::TestWithParam<MethodCase> {};

TEST_P(RollbackMethodTest, ChosenByTheOperatingSystemFlag) {
    EXPECT_EQ(RollbackMethodFor(GetParam().flag), GetParam().method);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RollbackMethodTest,
    testing::Values(MethodCase{0x1, RollbackMethod::Registry},
                    MethodCase{0x2, RollbackMethod::Registry},
                    MethodCase{0x4, RollbackMethod::None}, // XP on Itanium
                    MethodCase{0x8, RollbackMethod::Property},
                    MethodCase{0x80, RollbackMethod::Property}, // 7 workstation on x64
                    MethodCase{0x400, RollbackMethod::Property},
                    MethodCase{0x400000, RollbackMethod::Property},
                    MethodCase{0x2000000, RollbackMethod::Property},
                    MethodCase{0x1000, RollbackMethod::None},  // Server 2003
                    MethodCase{0x80000, RollbackMethod::None}, // Server 2012
                    MethodCase{0, RollbackMethod::None},       // 6.3 server: no row
                    MethodCase{0x2000080, RollbackMethod::None}));

TEST(RollbackRules, OnlyXpOnX64UsesThe64BitView) {
    EXPECT_TRUE(RollbackUses64BitView(2));
    EXPECT_FALSE(RollbackUses64BitView(1));
    EXPECT_FALSE(RollbackUses64BitView(0x2000000));
}

TEST(RollbackRules, StrongNameTextAndFirstPiece) {
    std::vector<uint8_t> data;
    for (const char c : std::string("oem12.inf:Intel.Mfg:iaStor:1.0\0junk", 36)) {
        data.push_back(static_cast<uint8_t>(c));
        data.push_back(0);
    }
    const std::u16string text = StrongNameText(data);
    EXPECT_EQ(text, u"oem12.inf:Intel.Mfg:iaStor:1.0");
    EXPECT_EQ(StrongNameFirstPiece(text), u"oem12.inf");
    EXPECT_EQ(StrongNameFirstPiece(u"no colon"), u"no colon");
    EXPECT_EQ(StrongNameText(std::vector<uint8_t>(2000, 'a')).size(), 512u);
}

TEST(RollbackRules, StrongNameIsTakenOnlyFromAString) {
    std::vector<uint8_t> bytes;
    for (const char16_t c : std::u16string(u"oem3.inf:x:y")) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    std::u16string name = u"untouched";
    EXPECT_FALSE(StrongNameOf({kDevPropTypeUint32, bytes}, name));
    EXPECT_FALSE(StrongNameOf({0x2012, bytes}, name)); // a string list is no strong name
    EXPECT_EQ(name, u"untouched");
    ASSERT_TRUE(StrongNameOf({kDevPropTypeString, bytes}, name));
    EXPECT_EQ(name, u"oem3.inf:x:y");
    // A value longer than any fixed buffer is read whole and cut at 512 characters.
    ASSERT_TRUE(StrongNameOf({kDevPropTypeString, std::vector<uint8_t>(6000, 'b')}, name));
    EXPECT_EQ(name, std::u16string(512, u'\u6262'));
    EXPECT_TRUE(StrongNameOf({kDevPropTypeString, {}}, name));
    EXPECT_EQ(name, u"");
}

TEST(RollbackRules, InstanceIdsCompareWithAsciiLettersUpperCased) {
    EXPECT_TRUE(SameInstanceId(u"pci\\ven_8086\\3&1", u"PCI\\VEN_8086\\3&1"));
    EXPECT_FALSE(SameInstanceId(u"PCI\\VEN_8086", u"PCI\\VEN_8086 "));
    EXPECT_FALSE(SameInstanceId(u"\u00e9", u"\u00c9"));
    EXPECT_EQ(ReinstallInstanceIdOrBlanks(u""), u"     ");
    EXPECT_EQ(ReinstallInstanceIdOrBlanks(u"X"), u"X");
}

} // namespace
} // namespace pv
