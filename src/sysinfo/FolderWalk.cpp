// The breadth-first file walk behind ListFolderFiles.
#include "sysinfo/AppFuncs.h"

#include "platform/Text.h"

#include <deque>

namespace pv {

int WalkFolderFiles(std::vector<std::u16string>& out, const std::u16string& root, bool rootExists,
                    const std::u16string& mask, const std::vector<std::u16string>* exclusions,
                    bool recurse, FolderSearch search, void* context) {
    out.clear();
    if (!rootExists) {
        return 0;
    }
    std::deque<std::u16string> queue{WithTrailingBackslash(root)};
    std::vector<FolderEntry> entries;
    while (!queue.empty()) {
        const std::u16string folder = std::move(queue.front());
        queue.pop_front();
        entries.clear();
        if (!search(context, folder, mask, entries)) {
            break; // folders still queued are not visited
        }
        for (const FolderEntry& e : entries) {
            if (e.Name == u"." || e.Name == u"..") {
                continue;
            }
            if (e.IsFolder) {
                if (recurse && !e.IsLink) {
                    queue.push_back(folder + e.Name + u"\\");
                }
                continue;
            }
            bool excluded = false;
            if (exclusions) {
                for (const auto& x : *exclusions) {
                    if (EqualsIgnoreCaseAscii(x, e.Name)) {
                        excluded = true;
                        break;
                    }
                }
            }
            if (!excluded) {
                out.push_back(folder + e.Name);
            }
        }
    }
    return static_cast<int>(out.size());
}

} // namespace pv
