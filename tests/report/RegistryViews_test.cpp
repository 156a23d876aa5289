#include "report/RegistryViews.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(RegistryViews, WriterReadsUseThe32BitExesView) {
    const struct {
        const char* Site;
        RegistryView View;
    } sites[] = {
        {"endpoint overrides (ping host, address service)", kEndpointOverrideView},
        {"registry dump of the product key", kRegistryDumpView},
    };
    for (const auto& site : sites) {
        EXPECT_EQ(site.View, RegistryView::Bit32) << site.Site;
    }
}

} // namespace
} // namespace pv
