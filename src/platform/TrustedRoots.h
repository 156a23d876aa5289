#pragma once
// The one rule behind every elevated write, delete, copy and read of a user's file: a path is
// trusted below a known root (AppData, the desktop, TEMP, an installation folder, ...), the root is
// taken as whatever final path its folder had when the tool resolved it, and a file is the one the
// tool asked for only when its own final path is that resolved root followed by the same relative
// part. A link or junction planted below the root changes the final path and is refused; how the
// root is spelled (8.3 name, share, link, subst or mapped drive above it) no longer matters.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

class TrustedRoots {
public:
    // Records a root spelled `named` whose opened folder resolved to `resolved` (both may carry the
    // "\\?\" prefixes of final paths). False, with nothing recorded, when either is not a plain
    // absolute path. A root may be recorded under several spellings.
    bool Add(std::u16string_view named, std::u16string_view resolved);

    struct Match {
        std::u16string Named;    // the spelling that matched, normalized
        std::u16string Root;     // the resolved root, normalized
        std::u16string Relative; // below it, no leading or trailing backslash; empty for the root
    };
    // The root holding `requested`, the longest spelling that contains it winning; none when no
    // root holds it or `requested` is not a plain absolute path.
    std::optional<Match> Find(std::u16string_view requested) const;

    // The final path a handle opened on `requested` must have: the resolved root plus the relative
    // part; for a path under no root, the path itself. Normalized; empty when `requested` is not a
    // plain absolute path.
    std::u16string ExpectedFinalPath(std::u16string_view requested) const;

    // True when `finalPath` (GetFinalPathNameByHandleW's DOS form) is ExpectedFinalPath(requested),
    // A-Z case ignored. An empty final path (the query failed) is never accepted.
    bool Accepts(std::u16string_view requested, std::u16string_view finalPath) const;

    // True when `finalPath` is a resolved root or lies inside one.
    bool HoldsFinalPath(std::u16string_view finalPath) const;

    struct FolderCheck {
        std::u16string Path;          // as requested, normalized
        std::u16string ExpectedFinal; // what its opened handle must resolve to
        bool IsRoot = false;          // the root itself may be a link; the folders below may not
    };
    // The folders a write into `folder` depends on, from its root down to `folder` itself: for a
    // trusted root the root and each folder below it; for a path under no root every folder from
    // the volume root, each expected to resolve to itself. Empty when `folder` is not plain
    // absolute.
    std::vector<FolderCheck> FoldersToCheck(std::u16string_view folder) const;

private:
    struct Root {
        std::u16string Named;
        std::u16string Resolved;
    };
    std::vector<Root> roots_;
};

// A directory link met while listing a tree is entered only when its target (final path) lies
// inside a trusted root and shares no part with the listed tree (`treeFinal`, the final path of
// the listing's top folder) nor with any link target entered before: a link back to an ancestor,
// into the tree itself or into a tree already entered would loop or list files twice.
bool EntersLinkedFolder(const TrustedRoots& roots, std::u16string_view targetFinal,
                        std::u16string_view treeFinal,
                        const std::vector<std::u16string>& enteredTargets);

} // namespace pv
