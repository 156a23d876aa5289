#include "platform/LibraryLoadRules.h"

namespace pv {

uint32_t FullPathLoadFlags(bool hasSearchFlags, uint32_t searchFlags) {
    return hasSearchFlags ? searchFlags : kLoadWithAlteredSearchPath;
}

} // namespace pv
