#include "sysinfo/RegistryViews.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RegistryViews, SystemReportReads) {
    const struct {
        const char* Site;
        RegistryView View;
        RegistryView Expected;
    } sites[] = {
        // Without "Wow6432Node" the section paths mean the native keys.
        {"inventory sections", kSectionView, RegistryView::Bit64},
        {"processor names", kProcessorKeyView, RegistryView::Bit32},
        {"crash settings", kCrashControlView, RegistryView::Bit32},
    };
    for (const auto& site : sites) {
        EXPECT_EQ(site.View, site.Expected) << site.Site;
    }
}

} // namespace
} // namespace pv
