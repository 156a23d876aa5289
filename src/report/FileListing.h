#pragma once
// Rules of the file listings (FileList*.txt): which files a listing holds, in which order, which
// get a digest, the line format and which listing an edition folder goes to.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pv {

// "<path>, <size>, <version>, <digest>"; version and digest may be empty.
std::u16string FileListLine(const std::u16string& path, uint64_t size,
                            const std::u16string& version, const std::u16string& digest);

// Three-way comparison of two paths (<0, 0, >0). On Windows the user's locale, ignoring case.
using PathCompare = std::function<int(const std::u16string&, const std::u16string&)>;

struct ListingEntry {
    std::u16string Path;
    bool Digest = false;
};

// The working list of one listing: the installation folder's files, then the download and backup
// folders' files, sorted by `compare`; a path equal to one already taken is dropped. Installation
// files get a digest; the others only when `digestShared` is set.
std::vector<ListingEntry> GatherListing(const std::vector<std::u16string>& installFiles,
                                        const std::vector<std::u16string>& downloadFiles,
                                        const std::vector<std::u16string>& backupFiles,
                                        bool digestShared, const PathCompare& compare);

// File name of the listing of a games-store edition folder ("FileList_lumen3.txt" ...), or empty
// when the folder matches no edition.
std::u16string EditionListingName(const std::u16string& editionFolder);

} // namespace pv
