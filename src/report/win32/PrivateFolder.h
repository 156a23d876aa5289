#pragma once
// The job's private folder inside the user's temporary folder: created fresh under a random name,
// open to SYSTEM and Administrators only, and removed when the job ends. Everything the job puts
// in the temporary folder lives in it, so no file of the user's there is ever replaced or deleted.
#include "platform/win32/Handles.h"
#include <optional>
#include <string>

namespace pv {

class TPrivateFolder {
public:
    // Creates a new private folder in `tempFolder` (a folder value); none when that fails, and
    // then no folder of ours is left there.
    static std::optional<TPrivateFolder> Create(const std::u16string& tempFolder);

    TPrivateFolder(TPrivateFolder&&) = default;
    TPrivateFolder& operator=(TPrivateFolder&&) = default;
    // Removes the folder with the files left in it.
    ~TPrivateFolder();

    // The folder's path, ending in a backslash.
    const std::u16string& Path() const { return path_; }

private:
    TPrivateFolder(std::u16string path, UniqueFile handle)
        : path_(std::move(path)), handle_(std::move(handle)) {}

    std::u16string path_;
    UniqueFile handle_; // held open so the folder cannot be renamed or replaced while in use
};

// Removes the private folders an interrupted run left in `tempFolder`. Only plain folders named
// like ours that resolve as requested below the temporary folder's resolved root are touched, and
// in them only regular single-link files.
void RemoveLeftoverFolders(const std::u16string& tempFolder);

// Deletes a regular single-link file whose handle resolves as requested (ResolvesAsRequested),
// clearing its read-only flag first. False when the file is anything else or could not be deleted.
bool DeleteOwnFile(const std::u16string& path);

// The user's temporary folder in its long form, ending in a backslash; empty when unknown.
std::u16string TemporaryFolder();

} // namespace pv
