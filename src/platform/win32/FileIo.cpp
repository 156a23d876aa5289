#include "platform/win32/FileIo.h"
#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include <shlobj.h>
#include <vector>

namespace pv {

bool PlainFileExists(const std::u16string& path) {
    const DWORD attrs = ::GetFileAttributesW(W(path));
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::u16string& path) {
    const DWORD attrs = ::GetFileAttributesW(W(path));
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::u16string FinalPathOf(HANDLE handle) {
    std::u16string buf(1024, u'\0');
    DWORD len = ::GetFinalPathNameByHandleW(handle, W(buf.data()), static_cast<DWORD>(buf.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (len >= buf.size()) {
        buf.assign(len + 1, u'\0');
        len = ::GetFinalPathNameByHandleW(handle, W(buf.data()), static_cast<DWORD>(buf.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (len == 0 || len >= buf.size()) {
        return {};
    }
    buf.resize(len);
    return buf;
}

bool MarkForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                        sizeof(disposition)) != FALSE;
}

bool CopyHandleData(HANDLE from, HANDLE to) {
    constexpr DWORD kChunk = 1u << 16;
    std::vector<char> buffer(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(from, buffer.data(), kChunk, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        DWORD done = 0;
        while (done < read) {
            DWORD written = 0;
            if (!::WriteFile(to, buffer.data() + done, read - done, &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
    }
}

namespace {

std::u16string ProfileFolder() {
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buf))) {
        return {};
    }
    return U16(buf);
}

// Folders of a report's path held open without delete sharing, so none of them can be renamed
// or replaced by a link while the report is written.
class CheckedFolder {
public:
    // Checks `folder` and every folder above it up to the user's profile (or up to the drive root
    // when the folder lies outside the profile). False when any of them is missing, a link, or
    // resolves to another path.
    bool Open(const std::u16string& folder) {
        const std::vector<std::u16string> chain = FolderChain(folder);
        if (chain.empty()) {
            return false;
        }
        const std::u16string profile = ProfileFolder();
        const bool underProfile = !profile.empty() && IsPathUnder(folder, profile);
        for (const auto& dir : chain) {
            if (underProfile && !IsPathUnder(dir, profile)) {
                continue;
            }
            const DWORD attrs = ::GetFileAttributesW(W(dir));
            if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return false;
            }
            UniqueFile handle(::CreateFileW(
                W(dir), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                OPEN_EXISTING,
                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | kNoImpersonation,
                nullptr));
            if (!handle) {
                return false;
            }
            BY_HANDLE_FILE_INFORMATION info{};
            if (!::GetFileInformationByHandle(handle.get(), &info) ||
                (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                !SamePath(FinalPathOf(handle.get()), dir)) {
                return false;
            }
            held_.push_back(std::move(handle));
        }
        return true;
    }

private:
    std::vector<UniqueFile> held_;
};

} // namespace

RemoveResult RemovePlainFile(const std::u16string& path, bool clearReadOnly) {
    if (::GetFileAttributesW(W(path)) == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = ::GetLastError();
        return (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) ? RemoveResult::Absent
                                                                            : RemoveResult::Refused;
    }
    const DWORD access =
        DELETE | FILE_READ_ATTRIBUTES | (clearReadOnly ? FILE_WRITE_ATTRIBUTES : 0);
    UniqueFile file(::CreateFileW(
        W(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | kNoImpersonation, nullptr));
    if (!file) {
        return RemoveResult::Refused;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || !SamePath(FinalPathOf(file.get()), path)) {
        return RemoveResult::Refused;
    }
    if (clearReadOnly && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic));
    }
    return MarkForDeletion(file.get()) ? RemoveResult::Removed : RemoveResult::Refused;
}

bool WriteReportFile(const std::u16string& path, const std::string& bytes) {
    CheckedFolder folder;
    if (!IsPlainAbsolutePath(path) || !folder.Open(FolderPart(path))) {
        return false;
    }
    if (RemovePlainFile(path) == RemoveResult::Refused) {
        return false;
    }
    // CREATE_NEW refuses an existing name, a link planted since the removal included.
    UniqueFile file(::CreateFileW(W(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | kNoImpersonation, nullptr));
    if (!file) {
        return false;
    }
    if (!SamePath(FinalPathOf(file.get()), path)) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t left = bytes.size() - done;
        const DWORD chunk = static_cast<DWORD>(left > (1u << 20) ? (1u << 20) : left);
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool DeleteReportFile(const std::u16string& path) {
    CheckedFolder folder;
    if (!IsPlainAbsolutePath(path) || !folder.Open(FolderPart(path))) {
        return false;
    }
    return RemovePlainFile(path) == RemoveResult::Removed;
}

bool CreatePlainFolder(const std::u16string& folder) {
    const std::vector<std::u16string> chain = FolderChain(folder);
    if (chain.empty()) {
        return false;
    }
    for (size_t i = 1; i < chain.size(); ++i) {
        if (::GetFileAttributesW(W(chain[i])) != INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        CheckedFolder parent; // held until the new folder exists
        if (!parent.Open(chain[i - 1])) {
            return false;
        }
        if (!::CreateDirectoryW(W(chain[i]), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    CheckedFolder whole;
    return whole.Open(folder);
}

bool ClearReadOnlyFlag(const std::u16string& path) {
    UniqueFile file(::CreateFileW(W(path), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | kNoImpersonation,
                                  nullptr));
    if (!file) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        !SamePath(FinalPathOf(file.get()), path)) {
        return false;
    }
    FILE_BASIC_INFO basic{}; // zero times leave them unchanged
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic)) != FALSE;
}

} // namespace pv
