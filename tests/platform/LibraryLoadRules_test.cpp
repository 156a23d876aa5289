#include "platform/LibraryLoadRules.h"
#include <gtest/gtest.h>

namespace pv {
namespace {

// Wine exports AddDllDirectory, so no Wine run shows the loader of Vista or of 7 without
// KB2533623, which rejects the search flags: there every load by full path would fail and the
// device list, the digests and the restore points would be missing without a word.
TEST(FullPathLoadFlags, NoSearchFlagsWhereTheLoaderLacksThem) {
    constexpr uint32_t searchFlags = kLoadLibrarySearchDllLoadDir | kLoadLibrarySearchSystem32;
    EXPECT_EQ(FullPathLoadFlags(false, searchFlags), kLoadWithAlteredSearchPath);
    EXPECT_EQ(FullPathLoadFlags(false, kLoadLibrarySearchSystem32), kLoadWithAlteredSearchPath);
    // Where they exist they are used as asked: the current folder never joins the search.
    EXPECT_EQ(FullPathLoadFlags(true, searchFlags), searchFlags);
}

} // namespace
} // namespace pv
