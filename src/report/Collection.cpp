#include "report/Collection.h"
#include "platform/Text.h"

namespace pv {
namespace {

constexpr std::uint32_t kListedAttributes = 0x1FF;

bool MatchesExtension(std::u16string_view name, std::u16string_view extensions) {
    const std::u16string ext = ExtensionPart(name);
    size_t start = 0;
    while (start <= extensions.size()) {
        size_t end = extensions.find(u'|', start);
        if (end == std::u16string_view::npos) {
            end = extensions.size();
        }
        if (EqualsIgnoreCaseAscii(ext, extensions.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

std::vector<std::u16string> SelectListedFiles(std::u16string_view folder,
                                              const std::vector<TFolderEntry>& entries,
                                              std::u16string_view extensions) {
    const std::u16string base = WithTrailingBackslash(folder);
    std::vector<std::u16string> result;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->Name == u"." || it->Name == u".." || (it->Attributes & kListedAttributes) == 0) {
            continue;
        }
        if (MatchesExtension(it->Name, extensions)) {
            result.push_back(base + it->Name);
        }
    }
    return result;
}

void TCollection::AddItem(const std::u16string& source, const std::u16string& member) {
    SourceFiles.push_back(source);
    try {
        MemberNames.push_back(member);
    } catch (...) {
        SourceFiles.pop_back();
        throw;
    }
}

bool TCollection::AddItemIfExists(const std::u16string& source, const std::u16string& member) {
    if (!fs_.RegularFileExists(source)) {
        return false;
    }
    AddItem(source, member);
    return true;
}

void TCollection::AddFolderItems(const std::u16string& folder, std::u16string_view extensions,
                                 const std::u16string& memberPrefix) {
    for (const std::u16string& path : ListFolder(folder, extensions)) {
        AddItem(path, memberPrefix + FileNamePart(path));
    }
}

void TCollection::PruneMissing() {
    for (size_t i = SourceFiles.size(); i-- > 0;) {
        if (!fs_.RegularFileExists(SourceFiles[i])) {
            SourceFiles.erase(SourceFiles.begin() + static_cast<std::ptrdiff_t>(i));
            MemberNames.erase(MemberNames.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

std::vector<std::u16string> TCollection::ListFolder(const std::u16string& folder,
                                                    std::u16string_view extensions) {
    if (folder.empty() || !fs_.FolderExists(folder)) {
        return {};
    }
    return SelectListedFiles(folder, fs_.SearchFolder(WithTrailingBackslash(folder) + u"*"),
                             extensions);
}

} // namespace pv
