#include "platform/win32/FileIo.h"
#include "platform/PathRules.h"
#include "platform/ReportSave.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Bcrypt.h"
#include "platform/win32/OpenFlags.h"
#include "platform/win32/ResolvedRoots.h"
#include <algorithm>
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

// Folders of a report's path held open without delete sharing, so none of them can be renamed
// or replaced by a link while the report is written.
class CheckedFolder {
public:
    // Checks `folder` from its trusted root down (TrustedRoots::FoldersToCheck): the root must
    // still resolve where it did, and each folder below it must be a plain folder, no link or
    // junction, that resolves to the root's final path plus its own relative part. False when
    // any of them is missing or fails.
    bool Open(const std::u16string& folder) {
        const auto checks = ProcessTrustedRoots().FoldersToCheck(folder);
        if (checks.empty()) {
            return false;
        }
        for (const auto& check : checks) {
            const DWORD attrs = ::GetFileAttributesW(W(check.Path));
            if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                (!check.IsRoot && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
                return false;
            }
            const DWORD linkFlag = check.IsRoot ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
            UniqueFile handle(::CreateFileW(
                W(check.Path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | linkFlag | kNoImpersonation, nullptr));
            if (!handle) {
                return false;
            }
            BY_HANDLE_FILE_INFORMATION info{};
            if (!::GetFileInformationByHandle(handle.get(), &info) ||
                (!check.IsRoot && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) ||
                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                !SamePath(FinalPathOf(handle.get()), check.ExpectedFinal)) {
                return false;
            }
            held_.push_back(std::move(handle));
        }
        return true;
    }

private:
    std::vector<UniqueFile> held_;
};

// Opens the entry at `path` itself (a link, never its target) with `access`, and keeps the handle
// only when it is a regular single-link file that resolves as requested; `info` then holds its
// facts. Invalid otherwise: a planted link or hard link must not let the tool touch another file.
UniqueFile OpenPlainOwnFile(const std::u16string& path, DWORD access,
                            BY_HANDLE_FILE_INFORMATION& info) {
    UniqueFile file(::CreateFileW(
        W(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | kNoImpersonation, nullptr));
    if (!file || !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || !ResolvesAsRequested(file.get(), path)) {
        return UniqueFile();
    }
    return file;
}

// True when `path` is a regular single-link file whose handle resolves as requested.
bool IsPlainOwnFile(const std::u16string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    return static_cast<bool>(OpenPlainOwnFile(path, FILE_READ_ATTRIBUTES, info));
}

// Renames the file behind `handle` to `path`, replacing whatever entry is there (a link itself,
// never its target). The handle needs DELETE access.
bool RenameByHandle(HANDLE handle, const std::u16string& path) {
    const size_t nameBytes = path.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(path.begin(), path.end(), reinterpret_cast<char16_t*>(rename->FileName));
    return ::SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                        static_cast<DWORD>(buffer.size())) != FALSE;
}

// The save's file operations on Windows: the fresh file is created only where it resolves as
// requested and is renamed through its own handle, so no name can be swapped in between.
class Win32ReportOps final : public ReportFileOps {
public:
    bool CreateFresh(const std::u16string& fresh) override {
        file_.reset(::CreateFileW(W(fresh), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | kNoImpersonation, nullptr));
        if (file_ && !ResolvesAsRequested(file_.get(), fresh)) {
            DiscardFresh();
        }
        return static_cast<bool>(file_);
    }

    size_t Write(const char* data, size_t size) override {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        return ::WriteFile(file_.get(), data, chunk, &written, nullptr) ? written : 0;
    }

    bool RenameOver(const std::u16string& path) override {
        return RenameByHandle(file_.get(), path);
    }

    void DiscardFresh() override {
        if (file_) {
            MarkForDeletion(file_.get());
            file_.reset();
        }
    }

    void RemoveReport(const std::u16string& path) override { RemovePlainFile(path); }

private:
    UniqueFile file_;
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
    BY_HANDLE_FILE_INFORMATION info{};
    const UniqueFile file = OpenPlainOwnFile(path, access, info);
    if (!file) {
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
    // An existing entry that is not a plain report of ours (a link, a hard link, a folder) is
    // left alone and nothing is written.
    const DWORD existing = ::GetFileAttributesW(W(path));
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (!IsPlainOwnFile(path)) {
            return false;
        }
        // An earlier report made read-only would refuse the rename and stay, looking current.
        if ((existing & FILE_ATTRIBUTE_READONLY) != 0) {
            ClearReadOnlyFlag(path);
        }
    }
    std::uint64_t random = 0;
    if (!SystemRandom(&random, sizeof(random))) {
        random = (std::uint64_t(::GetCurrentProcessId()) << 32) ^ ::GetTickCount64();
    }
    Win32ReportOps ops;
    return SaveReportBytes(ops, path, FreshReportName(path, random), bytes);
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
    BY_HANDLE_FILE_INFORMATION info{};
    const UniqueFile file =
        OpenPlainOwnFile(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, info);
    if (!file || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return false;
    }
    FILE_BASIC_INFO basic{}; // zero times leave them unchanged
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic)) != FALSE;
}

} // namespace pv
