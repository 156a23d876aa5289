#include "devices/RegistryViews.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RegistryViews, DeviceReads) {
    EXPECT_EQ(kDriverKeyView, RegistryView::Bit32);
    EXPECT_EQ(kServiceKeyView, RegistryView::Bit32);
}

TEST(RegistryViews, RollbackEntriesNativeOnlyOnXpX64) {
    const struct {
        uint32_t OsFlag;
        RegistryView View;
    } cases[] = {
        {0x1, RegistryView::Bit32},       // XP x86
        {0x2, RegistryView::Bit64},       // XP x64
        {0x80, RegistryView::Bit32},      // 7 x64: the property method reads no reinstall entry
        {0x2000000, RegistryView::Bit32}, // 10 x64
        {0, RegistryView::Bit32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RollbackRegistryView(c.OsFlag), c.View) << std::hex << c.OsFlag;
    }
}

} // namespace
} // namespace pv
