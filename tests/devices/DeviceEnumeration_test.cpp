#include "FakeDeviceSource.h"
#include "devices/DeviceEnumeration.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::Bytes16;
using test::FakeDevice;
using test::FakeDeviceSource;
using test::LittleEndianBytes;
using test::MultiSz;

constexpr char16_t kDriver[] = u"{4d36e968-e325-11ce-bfc1-08002be10318}\\0003";
constexpr char16_t kDriverKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0003";
constexpr uint64_t kNoon2March2023 = 0x1d94cfe83c0e000;
constexpr uint64_t kMidnight21June2021 = 0x1d7663060d8c000;

class Enumeration : public testing::Test {
protected:
    // Fills a list from the fake and keeps the records for the test's checks.
    const TDeviceItem& Only() {
        EXPECT_EQ(GetDeviceListFrom(source, list, kDigcfAllClasses, test::KnownMd5), 1);
        return *list.Items(0);
    }

    FakeDeviceSource source;
    TList<PDeviceItem> list;
    DeviceRecordsOwner owner{list};
};

TEST_F(Enumeration, DeviceWithEveryPropertyTakesThePropertiesAsTheyCome) {
    FakeDevice d;
    d.Text(kSpdrpClassGuid, u" {4D36E968-E325-11CE-BFC1-08002BE10318} ")
        .Text(kSpdrpClass, u"Display ")
        .Text(kSpdrpDriver, kDriver)
        .Text(kSpdrpFriendlyName, u"  Intel(R) UHD Graphics 620 ")
        .Text(kSpdrpDeviceDesc, u"Intel(R) UHD Graphics")
        .Text(kSpdrpService, u" igfx ")
        .Prop(kDevKeyMatchingDeviceId, Bytes16(u"pci\\ven_8086&dev_5917"))
        .Prop(kDevKeyDriverProvider, Bytes16(u"Intel Corporation "))
        .Prop(kDevKeyDriverVersion, Bytes16(u"26.20.100.7262"))
        .Prop(kDevKeyDriverDate, LittleEndianBytes(kMidnight21June2021, 8))
        .Prop(kDevKeyInstallDate, LittleEndianBytes(kNoon2March2023, 8))
        .Prop(kDevKeyProblemCode, LittleEndianBytes(0, 4));
    d.registry[kSpdrpHardwareId] = {7, MultiSz({u"PCI\\VEN_8086&DEV_5917", u"PCI\\VEN_8086"})};
    d.registry[kSpdrpCompatibleIds] = {7, MultiSz({u"PCI\\CC_030000"})};
    d.registry[kSpdrpInstallState] = {4, LittleEndianBytes(0x103, 4)};
    d.instanceId = u"PCI\\VEN_8086&DEV_1234&SUBSYS_00000000&REV_01\\3&267A616A&0&18";
    d.devInst = 77;
    source.devices = {d};
    source.registryText[{kDriverKey, u"ProviderName"}] = u"Not used";
    source.dchServices = {u"igfx"};

    const TDeviceItem& item = Only();
    EXPECT_EQ(source.openedWith, kDigcfAllClasses);
    EXPECT_EQ(item.ClassGuid, u"{4D36E968-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(item.ClassName, u"Display");
    EXPECT_EQ(item.Name, u"Intel(R) UHD Graphics 620");
    EXPECT_EQ(item.Description, u"Intel(R) UHD Graphics");
    EXPECT_EQ(item.MatchingId, u"PCI\\VEN_8086&DEV_5917");
    EXPECT_EQ(item.DriverProvider, u"Intel Corporation ");
    EXPECT_EQ(item.DriverVersion, u"26.20.100.7262");
    EXPECT_EQ(item.DriverDate, 44368);
    EXPECT_EQ(item.InstallDate, 44987.5);
    EXPECT_EQ(item.HardwareIds, u"PCI\\VEN_8086&DEV_5917,PCI\\VEN_8086");
    EXPECT_EQ(item.CompatibleIds, u"PCI\\CC_030000");
    EXPECT_EQ(item.InstallState, 3u);
    EXPECT_EQ(item.DevInst, 77u);
    EXPECT_EQ(item.Key, u"51919A132180EF62A25427EF37E37758");
    EXPECT_TRUE(item.PlugState);
    EXPECT_TRUE(item.IsDch);
    EXPECT_EQ(source.dchAsked, std::vector<std::u16string>{u"igfx"});
}

TEST_F(Enumeration, DriverFieldsFallBackToTheDriverKey) {
    FakeDevice d;
    d.Text(kSpdrpDriver, kDriver).Text(kSpdrpClassGuid, u"{X}");
    d.instanceId = u"ROOT\\DISPLAY\\0000";
    source.devices = {d};
    source.registryText[{kDriverKey, u"MatchingDeviceId"}] = u" pci\\ven_8086 ";
    source.registryText[{kDriverKey, u"ProviderName"}] = u" Contoso ";
    source.registryText[{kDriverKey, u"DriverVersion"}] = u"\t1.2.3.4 ";
    source.registryBytes[{kDriverKey, u"DriverDateData"}] = LittleEndianBytes(kNoon2March2023, 8);

    const TDeviceItem& item = Only();
    EXPECT_EQ(item.MatchingId, u"PCI\\VEN_8086");
    EXPECT_EQ(item.DriverProvider, u"Contoso");
    EXPECT_EQ(item.DriverVersion, u"1.2.3.4");
    EXPECT_EQ(item.DriverDate, 44987.5);
    EXPECT_EQ(item.Key, u"B8B04317F14F772BE9E3D170BFE517F6");
}

TEST_F(Enumeration, PropertyLongerThanFourKilobytesComesThroughWhole) {
    const std::u16string provider(3000, u'P'); // 6002 bytes with its NUL
    const std::u16string matching = u"pci\\" + std::u16string(2500, u'v');
    FakeDevice d;
    d.Text(kSpdrpDriver, kDriver)
        .Prop(kDevKeyDriverProvider, Bytes16(provider))
        .Prop(kDevKeyMatchingDeviceId, Bytes16(matching));
    source.devices = {d};
    source.registryText[{kDriverKey, u"ProviderName"}] = u"Not used";
    source.registryText[{kDriverKey, u"MatchingDeviceId"}] = u"not used";

    const TDeviceItem& item = Only();
    EXPECT_EQ(item.DriverProvider, provider);
    EXPECT_EQ(item.MatchingId, u"PCI\\" + std::u16string(2500, u'V'));
}

struct WrongTypeCase {
    const char* name;
    DevPropKey key;
    uint32_t type;
    std::vector<uint8_t> bytes;
};

class WrongTypeTest : public testing::TestWithParam<WrongTypeCase> {};

// A property whose type is not the one its field reads counts as absent: the driver-key fallback
// is taken, and a field without one stays empty.
TEST_P(WrongTypeTest, IsTakenAsNoValue) {
    FakeDeviceSource source;
    FakeDevice d;
    d.Text(kSpdrpDriver, kDriver).Prop(GetParam().key, GetParam().type, GetParam().bytes);
    source.devices = {d};
    source.registryText[{kDriverKey, u"MatchingDeviceId"}] = u"root\\fallback";
    source.registryText[{kDriverKey, u"ProviderName"}] = u" Contoso ";
    source.registryText[{kDriverKey, u"DriverVersion"}] = u"1.2.3.4";
    source.registryBytes[{kDriverKey, u"DriverDateData"}] = LittleEndianBytes(kNoon2March2023, 8);
    TList<PDeviceItem> list;
    const DeviceRecordsOwner owner(list);
    ASSERT_EQ(GetDeviceListFrom(source, list, 4, test::KnownMd5), 1);

    const TDeviceItem& item = *list.Items(0);
    EXPECT_EQ(item.MatchingId, u"ROOT\\FALLBACK");
    EXPECT_EQ(item.DriverProvider, u"Contoso");
    EXPECT_EQ(item.DriverVersion, u"1.2.3.4");
    EXPECT_EQ(item.DriverDate, 44987.5);
    EXPECT_EQ(item.InstallDate, 0);
    EXPECT_EQ(item.ProblemCode, 0u);
}

constexpr uint32_t kDevPropTypeBinary = 0x03;
constexpr uint32_t kDevPropTypeUint64 = 0x09;
constexpr uint32_t kDevPropTypeStringList = 0x2012;

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongTypeTest,
    testing::Values(WrongTypeCase{"MatchingIdAsNumber", kDevKeyMatchingDeviceId, kDevPropTypeUint32,
                                  Bytes16(u"pci\\ven_1234")},
                    WrongTypeCase{"ProviderAsStringList", kDevKeyDriverProvider,
                                  kDevPropTypeStringList, MultiSz({u"Intel", u"Other"})},
                    WrongTypeCase{"VersionAsBinary", kDevKeyDriverVersion, kDevPropTypeBinary,
                                  Bytes16(u"9.9.9.9")},
                    WrongTypeCase{"DriverDateAsString", kDevKeyDriverDate, kDevPropTypeString,
                                  LittleEndianBytes(kMidnight21June2021, 8)},
                    WrongTypeCase{"InstallDateAsNumber", kDevKeyInstallDate, kDevPropTypeUint64,
                                  LittleEndianBytes(kMidnight21June2021, 8)},
                    WrongTypeCase{"ProblemCodeAsFileTime", kDevKeyProblemCode, kDevPropTypeFileTime,
                                  LittleEndianBytes(31, 8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Enumeration, NeitherPropertiesNorDriverKeyLeaveDriverFieldsEmpty) {
    source.devices = {FakeDevice{}};
    // A value under the Class root must not stand in for a device without a driver.
    source.registryText[{u"SYSTEM\\CurrentControlSet\\Control\\Class\\", u"ProviderName"}] = u"X";

    const TDeviceItem& item = Only();
    EXPECT_EQ(item.DriverProvider, u"");
    EXPECT_EQ(item.DriverVersion, u"");
    EXPECT_EQ(item.MatchingId, u"");
    EXPECT_EQ(item.DriverDate, 0);
    EXPECT_EQ(item.ClassName, u"UNKNOWN");
    EXPECT_EQ(item.ClassGuid, u"{4D36E97D-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(item.Key, u"D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(source.dchAsked, std::vector<std::u16string>{u""});
}

TEST_F(Enumeration, NameFallsBackToTheDescription) {
    FakeDevice d;
    d.Text(kSpdrpFriendlyName, u"   ").Text(kSpdrpDeviceDesc, u" HID-compliant mouse ");
    source.devices = {d};
    EXPECT_EQ(Only().Name, u"HID-compliant mouse");
}

TEST_F(Enumeration, RememberedDeviceIsNotPluggedAndNotAskedForRollback) {
    FakeDevice d;
    d.node = {kCrNoSuchDevnode, kDnHasProblem, 28};
    d.rollback = true;
    source.devices = {d};
    const TDeviceItem& item = Only();
    EXPECT_FALSE(item.PlugState);
    EXPECT_EQ(item.ProblemNumber, 0u);
    EXPECT_FALSE(item.Rollback);
    EXPECT_EQ(source.rollbackAsked, 0);
}

struct NodeCase {
    const char* name;
    DevNodeStatus node;
    bool plugged;
    uint32_t problem;
};

class NodeStatusTest : public testing::TestWithParam<NodeCase> {};

TEST_P(NodeStatusTest, DecidesPlugStateAndProblemNumber) {
    FakeDeviceSource source;
    FakeDevice d;
    d.node = GetParam().node;
    d.rollback = true;
    source.devices = {d};
    TList<PDeviceItem> list;
    const DeviceRecordsOwner owner(list);
    ASSERT_EQ(GetDeviceListFrom(source, list, 4, test::KnownMd5), 1);
    EXPECT_EQ(list.Items(0)->PlugState, GetParam().plugged);
    EXPECT_EQ(list.Items(0)->ProblemNumber, GetParam().problem);
    EXPECT_EQ(list.Items(0)->Rollback, GetParam().plugged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeStatusTest,
    testing::Values(
        NodeCase{"ProblemReported", {kCrSuccess, kDnHasProblem | 0x8, 28}, true, 28},
        NodeCase{"NoProblemBit", {kCrSuccess, 0x8, 28}, true, 0},
        NodeCase{"MissingEntryPointCountsAsPresent", {kCrInvalidApi, kDnHasProblem, 5}, true, 0},
        NodeCase{"NoSuchDevnode", {kCrNoSuchDevnode, 0, 0}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Enumeration, ConfigFlagsReinstallBitAndProblemCode) {
    FakeDevice a, b;
    a.registry[kSpdrpConfigFlags] = {4, LittleEndianBytes(0x20, 4)};
    a.Prop(kDevKeyProblemCode, LittleEndianBytes(31, 4));
    b.registry[kSpdrpConfigFlags] = {3, LittleEndianBytes(0x20, 4)}; // not a REG_DWORD
    source.devices = {a, b};
    ASSERT_EQ(GetDeviceListFrom(source, list, 4, test::KnownMd5), 2);
    EXPECT_TRUE(list.Items(0)->Reinstall);
    EXPECT_EQ(list.Items(0)->ProblemCode, 31u);
    EXPECT_FALSE(list.Items(1)->Reinstall);
}

TEST_F(Enumeration, DeviceSetThatCannotOpenGivesMinusOneAndNoRecords) {
    source.devices = {FakeDevice{}};
    source.opens = false;
    EXPECT_EQ(GetDeviceListFrom(source, list, 4, test::KnownMd5), -1);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(Enumeration, KeepsEnumerationOrderAndCountsEveryDevice) {
    source.devices.resize(3);
    source.devices[0].instanceId = u"ROOT\\DISPLAY\\0000";
    source.devices[1].instanceId = u"HID\\VID_046D\u00e9";
    source.devices[2].instanceId = u"USB\\VID_046D&PID_C52B\\5&1A2B3C4D&0&2";
    EXPECT_EQ(GetDeviceListFrom(source, list, 4, test::KnownMd5), 3);
    EXPECT_EQ(list.Items(0)->InstanceId, u"ROOT\\DISPLAY\\0000");
    EXPECT_EQ(list.Items(1)->Key, u"E717BDF0C95D074A4203771F31CF3322"); // of the ANSI bytes
    EXPECT_EQ(list.Items(2)->Key, u"E147BD1E2A604DAFBA01045024C3D635");
}

TEST_F(Enumeration, ErrorDuringTheWalkKeepsAppendedRecordsWithTheOwner) {
    source.devices.resize(2);
    source.throwAtDevice = 1;
    EXPECT_THROW(GetDeviceListFrom(source, list, 4, test::KnownMd5), std::runtime_error);
    EXPECT_EQ(list.Count(), 1); // freed by the owner; ASan reports a leak otherwise
}

} // namespace
} // namespace pv
