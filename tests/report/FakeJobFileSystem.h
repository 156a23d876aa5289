#pragma once
// In-memory stand-in for the job's file system: a set of files, a set of folders and the raw
// directory-search results per pattern.
#include "report/Collection.h"
#include <map>
#include <set>

namespace pv::test {

class FakeJobFileSystem : public IJobFileSystem {
public:
    std::set<std::u16string> Files;
    std::set<std::u16string> Folders;
    std::map<std::u16string, std::vector<TFolderEntry>> Searches;
    std::vector<std::u16string> SearchedPatterns;
    bool EveryFileExists = false; // any non-empty path that is not a known folder is a file

    bool RegularFileExists(const std::u16string& path) override {
        if (EveryFileExists) {
            return !path.empty() && Folders.count(path) == 0;
        }
        return Files.count(path) != 0;
    }
    bool FolderExists(const std::u16string& path) override {
        return Folders.count(path) != 0 ||
               (!path.empty() && path.back() == u'\\' &&
                Folders.count(path.substr(0, path.size() - 1)) != 0) ||
               Folders.count(path + u"\\") != 0;
    }
    std::vector<TFolderEntry> SearchFolder(const std::u16string& pattern) override {
        SearchedPatterns.push_back(pattern);
        auto it = Searches.find(pattern);
        return it == Searches.end() ? std::vector<TFolderEntry>{} : it->second;
    }

    // A folder (with trailing backslash) whose search returns `names` as plain files, in order;
    // every listed name also exists as a file.
    void AddFolder(const std::u16string& folder, const std::vector<std::u16string>& names) {
        Folders.insert(folder);
        auto& entries = Searches[folder + u"*"];
        entries.push_back({u".", 0x10});
        entries.push_back({u"..", 0x10});
        for (const auto& name : names) {
            entries.push_back({name, 0x20});
            Files.insert(folder + name);
        }
    }
};

} // namespace pv::test
