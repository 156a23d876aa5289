#include "product/RegistryViews.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RegistryViews, ProductReads) {
    const struct {
        const char* Site;
        RegistryView View;
        RegistryView Expected;
    } sites[] = {
        {"main and beta uninstall keys", kInstallKeyView, RegistryView::Bit32},
        {"product key (InstDate)", kProductKeyView, RegistryView::Bit32},
        // The edition keys spell out "Wow6432Node" where they mean the 32-bit branch.
        {"games-store edition keys", kEditionKeyView, RegistryView::Bit64},
    };
    for (const auto& site : sites) {
        EXPECT_EQ(site.View, site.Expected) << site.Site;
    }
}

} // namespace
} // namespace pv
