#include "platform/TrustedRoots.h"
#include "platform/PathRules.h"

namespace pv {

namespace {

std::u16string Joined(const std::u16string& root, std::u16string_view relative) {
    if (relative.empty()) {
        return root;
    }
    std::u16string out = root;
    if (out.back() != u'\\') {
        out += u'\\';
    }
    out += relative;
    return out;
}

bool Overlap(std::u16string_view a, std::u16string_view b) {
    return IsPathUnder(a, b) || IsPathUnder(b, a);
}

} // namespace

bool TrustedRoots::Add(std::u16string_view named, std::u16string_view resolved) {
    std::u16string n = NormalizeFinalPath(named);
    std::u16string r = NormalizeFinalPath(resolved);
    if (!IsPlainAbsolutePath(n) || !IsPlainAbsolutePath(r)) {
        return false;
    }
    for (const Root& root : roots_) {
        if (SamePath(root.Named, n)) {
            return SamePath(root.Resolved, r); // the first resolution of a spelling stands
        }
    }
    roots_.push_back({std::move(n), std::move(r)});
    return true;
}

std::optional<TrustedRoots::Match> TrustedRoots::Find(std::u16string_view requested) const {
    const std::u16string path = NormalizeFinalPath(requested);
    if (!IsPlainAbsolutePath(path)) {
        return std::nullopt;
    }
    const Root* best = nullptr;
    for (const Root& root : roots_) {
        if (IsPathUnder(path, root.Named) && (!best || root.Named.size() > best->Named.size())) {
            best = &root;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    std::u16string_view relative = std::u16string_view(path).substr(best->Named.size());
    if (!relative.empty() && relative.front() == u'\\') {
        relative.remove_prefix(1);
    }
    return Match{best->Named, best->Resolved, std::u16string(relative)};
}

std::u16string TrustedRoots::ExpectedFinalPath(std::u16string_view requested) const {
    if (const auto match = Find(requested)) {
        return Joined(match->Root, match->Relative);
    }
    const std::u16string path = NormalizeFinalPath(requested);
    return IsPlainAbsolutePath(path) ? path : std::u16string();
}

bool TrustedRoots::Accepts(std::u16string_view requested, std::u16string_view finalPath) const {
    const std::u16string expected = ExpectedFinalPath(requested);
    return !expected.empty() && !finalPath.empty() && SamePath(finalPath, expected);
}

bool TrustedRoots::HoldsFinalPath(std::u16string_view finalPath) const {
    for (const Root& root : roots_) {
        if (IsPathUnder(finalPath, root.Resolved)) {
            return true;
        }
    }
    return false;
}

std::vector<TrustedRoots::FolderCheck>
TrustedRoots::FoldersToCheck(std::u16string_view folder) const {
    std::vector<FolderCheck> checks;
    const auto match = Find(folder);
    if (!match) {
        for (const std::u16string& dir : FolderChain(folder)) {
            checks.push_back({dir, NormalizeFinalPath(dir), false});
        }
        return checks;
    }
    checks.push_back({match->Named, match->Root, true});
    const std::u16string_view relative = match->Relative;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i == relative.size() || relative[i] == u'\\') {
            if (i == 0) {
                continue;
            }
            const std::u16string_view part = relative.substr(0, i);
            checks.push_back({Joined(match->Named, part), Joined(match->Root, part), false});
        }
    }
    return checks;
}

bool EntersLinkedFolder(const TrustedRoots& roots, std::u16string_view targetFinal,
                        std::u16string_view treeFinal,
                        const std::vector<std::u16string>& enteredTargets) {
    if (targetFinal.empty() || treeFinal.empty() || !roots.HoldsFinalPath(targetFinal) ||
        Overlap(targetFinal, treeFinal)) {
        return false;
    }
    for (const std::u16string& entered : enteredTargets) {
        if (Overlap(targetFinal, entered)) {
            return false;
        }
    }
    return true;
}

} // namespace pv
