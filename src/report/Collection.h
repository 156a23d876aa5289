#pragma once
// The report job's paired lists of files to pack and the operations that fill them. Portable: the
// file system is reached through IJobFileSystem so the rules run natively against a fake.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

struct TFolderEntry {
    std::u16string Name;
    std::uint32_t Attributes = 0; // FILE_ATTRIBUTE_* bits as the directory search reports them
};

class IJobFileSystem {
public:
    virtual ~IJobFileSystem() = default;
    // A regular file (not a folder) exists at the path now. False for the empty path.
    virtual bool RegularFileExists(const std::u16string& path) = 0;
    virtual bool FolderExists(const std::u16string& path) = 0;
    // Entries of a directory search for `pattern` ("folder\*"), in the order the search returns
    // them, "." and ".." included; empty when the search finds nothing or fails.
    virtual std::vector<TFolderEntry> SearchFolder(const std::u16string& pattern) = 0;
};

// Files of `folder` (a folder value with or without its trailing backslash) kept from `entries`:
// "." and ".." dropped, only entries with one of the attribute bits 0x1FF, only names whose
// extension equals one of the "|"-separated `extensions` (A-Z case ignored), walked from the last
// entry to the first so the result is in reverse enumeration order.
std::vector<std::u16string> SelectListedFiles(std::u16string_view folder,
                                              const std::vector<TFolderEntry>& entries,
                                              std::u16string_view extensions);

// The job's collection state. Entry i of SourceFiles is packed under MemberNames[i]; change them
// only through the operations below so the two stay paired.
class TCollection {
public:
    explicit TCollection(IJobFileSystem& fileSystem) : fs_(fileSystem) {}
    virtual ~TCollection() = default;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    std::u16string ArchivePath;
    std::u16string AppPath;  // main edition's installation folder, or empty
    std::u16string BetaPath; // beta edition's installation folder, or empty
    std::vector<std::u16string> EditionPaths;
    std::vector<std::u16string> SourceFiles;
    std::vector<std::u16string> MemberNames;

    // The source need not exist yet; PruneMissing drops it at the end of the plan if it still
    // does not.
    void AddItem(const std::u16string& source, const std::u16string& member);
    // Adds only when a regular file exists at `source` now; true when added.
    bool AddItemIfExists(const std::u16string& source, const std::u16string& member);
    // Adds every file ListFolder returns, in its order, as `memberPrefix` + the file's name.
    void AddFolderItems(const std::u16string& folder, std::u16string_view extensions,
                        const std::u16string& memberPrefix);
    // Removes, in pairs, every entry whose source is not a regular file now.
    void PruneMissing();
    // Full paths of the folder's files with one of the extensions, in reverse enumeration order;
    // empty when the folder does not exist.
    std::vector<std::u16string> ListFolder(const std::u16string& folder,
                                           std::u16string_view extensions);

    IJobFileSystem& FileSystem() { return fs_; }

private:
    IJobFileSystem& fs_;
};

} // namespace pv
