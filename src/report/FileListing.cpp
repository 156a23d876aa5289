#include "report/FileListing.h"
#include "platform/Text.h"
#include <algorithm>

namespace pv {

std::u16string FileListLine(const std::u16string& path, uint64_t size,
                            const std::u16string& version, const std::u16string& digest) {
    return path + u", " + ToText(static_cast<long long>(size)) + u", " + version + u", " + digest;
}

std::vector<ListingEntry> GatherListing(const std::vector<std::u16string>& installFiles,
                                        const std::vector<std::u16string>& downloadFiles,
                                        const std::vector<std::u16string>& backupFiles,
                                        bool digestShared, const PathCompare& compare) {
    std::vector<ListingEntry> list;
    list.reserve(installFiles.size() + downloadFiles.size() + backupFiles.size());
    for (const auto& path : installFiles) {
        list.push_back({path, true});
    }
    for (const auto* shared : {&downloadFiles, &backupFiles}) {
        for (const auto& path : *shared) {
            list.push_back({path, digestShared});
        }
    }
    // Stable, so of equal paths the one gathered first (an installation file) stays.
    std::stable_sort(list.begin(), list.end(), [&](const ListingEntry& a, const ListingEntry& b) {
        return compare(a.Path, b.Path) < 0;
    });
    list.erase(std::unique(list.begin(), list.end(),
                           [&](const ListingEntry& a, const ListingEntry& b) {
                               return compare(a.Path, b.Path) == 0;
                           }),
               list.end());
    return list;
}

std::u16string EditionListingName(const std::u16string& editionFolder) {
    std::u16string_view trimmed = editionFolder;
    if (!trimmed.empty() && trimmed.back() == u'\\') {
        trimmed.remove_suffix(1);
    }
    const std::u16string last = FileNamePart(trimmed);
    const std::u16string upper = UpperAscii(editionFolder);
    std::u16string name;
    if (EqualsIgnoreCaseAscii(last, u"Plenvia")) {
        name = u"FileList_lumen3.txt";
    } else if (EqualsIgnoreCaseAscii(last, u"Plenvia 4")) {
        name = u"FileList_lumen4.txt";
    } else if (upper.find(u"PLENVIA 5") != std::u16string::npos) {
        name = u"FileList_lumen5.txt";
    }
    if (upper.find(u"PLENVIA FOR LUMEN") != std::u16string::npos) {
        name = u"FileList_lumen.txt";
    }
    return name;
}

} // namespace pv
