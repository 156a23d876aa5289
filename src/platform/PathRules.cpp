#include "platform/PathRules.h"
#include "platform/Text.h"
#include <algorithm>

namespace pv {

std::u16string NormalizeFinalPath(std::u16string_view path) {
    std::u16string out(path);
    if (out.rfind(u"\\\\?\\UNC\\", 0) == 0) {
        out = u"\\\\" + out.substr(8);
    } else if (out.rfind(u"\\\\?\\", 0) == 0) {
        out = out.substr(4);
    }
    while (out.size() > 3 && out.back() == u'\\') {
        out.pop_back();
    }
    if (out.size() == 2 && out[1] == u':') {
        out += u'\\';
    }
    return out;
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
    return EqualsIgnoreCaseAscii(NormalizeFinalPath(a), NormalizeFinalPath(b));
}

namespace {

// True when a component of the path is "." or "..": such a path is not compared textually.
bool HasDotComponent(std::u16string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(u'\\', start), path.size());
        const std::u16string_view part = path.substr(start, end - start);
        if (part == u"." || part == u"..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

bool IsPathUnder(std::u16string_view path, std::u16string_view root) {
    if (HasDotComponent(path) || HasDotComponent(root)) {
        return false;
    }
    const std::u16string p = NormalizeFinalPath(path);
    const std::u16string r = NormalizeFinalPath(root);
    if (r.empty() || p.size() < r.size() ||
        !EqualsIgnoreCaseAscii(std::u16string_view(p).substr(0, r.size()), r)) {
        return false;
    }
    return p.size() == r.size() || r.back() == u'\\' || p[r.size()] == u'\\';
}

namespace {

// Characters no component of a path the tool writes to may hold: a forward slash would be read
// as a separator by some APIs and not by others, a colon names a stream, the rest are wildcards.
constexpr std::u16string_view kForbidden = u"/:*?\"<>|";

// True when every backslash-separated component of `rest` is a usable name: none is "." or "..",
// none holds a forbidden character, and no two backslashes meet (one trailing is allowed).
bool PlainComponents(std::u16string_view rest) {
    if (rest.find_first_of(kForbidden) != std::u16string_view::npos) {
        return false;
    }
    size_t start = 0;
    while (start <= rest.size()) {
        const size_t end = std::min(rest.find(u'\\', start), rest.size());
        const std::u16string_view part = rest.substr(start, end - start);
        if (part == u"." || part == u"..") {
            return false;
        }
        if (part.empty() && end < rest.size()) {
            return false; // doubled backslash
        }
        start = end + 1;
    }
    return true;
}

} // namespace

size_t PathRootLength(std::u16string_view path) {
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') {
        const char16_t drive = UpperAscii(path[0]);
        return drive >= u'A' && drive <= u'Z' ? 3 : 0;
    }
    if (path.size() < 5 || path[0] != u'\\' || path[1] != u'\\') {
        return 0;
    }
    const size_t serverEnd = path.find(u'\\', 2);
    if (serverEnd == std::u16string_view::npos || serverEnd == 2) {
        return 0;
    }
    const std::u16string_view server = path.substr(2, serverEnd - 2);
    // "\\.\" and "\\?\" name devices and raw namespaces, not servers.
    if (server == u"." || server == u"?" ||
        server.find_first_of(kForbidden) != std::u16string_view::npos) {
        return 0;
    }
    const size_t shareEnd = std::min(path.find(u'\\', serverEnd + 1), path.size());
    const std::u16string_view share = path.substr(serverEnd + 1, shareEnd - serverEnd - 1);
    if (share.empty() || share == u"." || share == u".." ||
        share.find_first_of(kForbidden) != std::u16string_view::npos) {
        return 0;
    }
    return shareEnd;
}

bool IsPlainAbsolutePath(std::u16string_view path) {
    const size_t root = PathRootLength(path);
    if (root == 0) {
        return false;
    }
    std::u16string_view rest = path.substr(root);
    if (path[0] == u'\\' && !rest.empty()) {
        rest.remove_prefix(1); // the backslash after the share's name
    }
    return PlainComponents(rest);
}

std::vector<std::u16string> FolderChain(std::u16string_view folder) {
    std::vector<std::u16string> chain;
    if (!IsPlainAbsolutePath(folder)) {
        return chain;
    }
    const std::u16string f = NormalizeFinalPath(folder);
    const size_t root = PathRootLength(f);
    // A share's root keeps its backslash like a drive's: "\\srv\share\".
    chain.push_back(f[0] == u'\\' ? f.substr(0, root) + u'\\' : f.substr(0, root));
    const size_t first = f[0] == u'\\' ? root + 1 : root;
    for (size_t i = first; i <= f.size(); ++i) {
        if ((i == f.size() || f[i] == u'\\') && i > first) {
            chain.push_back(f.substr(0, i));
        }
    }
    return chain;
}

} // namespace pv
