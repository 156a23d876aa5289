#include "app/RegistryViews.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace pv {
namespace {

TEST(RegistryViews, PrivacyLinkReads) {
    // The browser checks read what the 32-bit exe reads by default.
    EXPECT_EQ(kBrowserFactsView, RegistryView::Bit32);
    // The protected roots come from both views, or the native Program Files folder would be
    // missing from the 32-bit exe's list.
    ASSERT_EQ(std::size(kProtectedRootViews), 2u);
    EXPECT_NE(std::find(std::begin(kProtectedRootViews), std::end(kProtectedRootViews),
                        RegistryView::Bit32),
              std::end(kProtectedRootViews));
    EXPECT_NE(std::find(std::begin(kProtectedRootViews), std::end(kProtectedRootViews),
                        RegistryView::Bit64),
              std::end(kProtectedRootViews));
}

} // namespace
} // namespace pv
