#include "report/PackingRules.h"
#include "platform/PathRules.h"
#include "platform/Text.h"

namespace pv {

std::u16string PrivateFolderName(std::uint64_t random) {
    return std::u16string(kPrivateFolderPrefix) + HexDigits(random, 16);
}

bool IsPrivateFolderName(std::u16string_view name) {
    const size_t prefix = kPrivateFolderPrefix.size();
    if (name.size() != prefix + 16 ||
        !EqualsIgnoreCaseAscii(name.substr(0, prefix), kPrivateFolderPrefix)) {
        return false;
    }
    for (const char16_t c : name.substr(prefix)) {
        const char16_t u = UpperAscii(c);
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F'))) {
            return false;
        }
    }
    return true;
}

bool IsCollectedInPlace(const TrustedRoots& roots, std::u16string_view finalPath,
                        std::u16string_view sourcePath) {
    const std::u16string folder = roots.ExpectedFinalPath(FolderPart(sourcePath));
    if (folder.empty() || finalPath.empty()) {
        return false;
    }
    const std::u16string resolved = NormalizeFinalPath(finalPath);
    // The folder itself is never a file that could be packed.
    return IsPathUnder(resolved, folder) && !SamePath(resolved, folder);
}

} // namespace pv
