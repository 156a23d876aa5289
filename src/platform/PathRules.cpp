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

bool IsPlainAbsolutePath(std::u16string_view path) {
    if (path.size() < 3 || path[1] != u':' || path[2] != u'\\') {
        return false;
    }
    const char16_t drive = UpperAscii(path[0]);
    if (drive < u'A' || drive > u'Z') {
        return false;
    }
    const std::u16string_view rest = path.substr(3);
    if (rest.find_first_of(u"/:*?\"<>|") != std::u16string_view::npos) {
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

std::vector<std::u16string> FolderChain(std::u16string_view folder) {
    std::vector<std::u16string> chain;
    if (!IsPlainAbsolutePath(folder)) {
        return chain;
    }
    const std::u16string f = NormalizeFinalPath(folder);
    chain.push_back(f.substr(0, 3));
    for (size_t i = 3; i <= f.size(); ++i) {
        if (i == f.size() || f[i] == u'\\') {
            if (i > 3) {
                chain.push_back(f.substr(0, i));
            }
        }
    }
    return chain;
}

} // namespace pv
