#include "report/win32/PrivateFolder.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/OpenFlags.h"
#include "platform/win32/ResolvedRoots.h"
#include "platform/win32/Bcrypt.h"
#include "report/PackingRules.h"
#include <sddl.h>
#include <vector>

namespace pv {
namespace {

// Full control for SYSTEM and Administrators, inherited by the files made inside; nothing else.
constexpr wchar_t kOwnerOnlyDacl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr int kCreateAttempts = 8;

// Opens a folder for listing and deletion when it is a plain folder that resolves as requested
// (below the temporary folder's resolved root, so a relocated or 8.3-named TEMP is no obstacle).
UniqueFile OpenPlainFolder(const std::u16string& path) {
    UniqueFile dir(::CreateFileW(
        W(path), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | kNoImpersonation, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!dir || !::GetFileInformationByHandle(dir.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !ResolvesAsRequested(dir.get(), path)) {
        return UniqueFile();
    }
    return dir;
}

// Names in a folder, read through the handle that holds it: a directory search by path would be
// refused while that handle (open for deletion, without delete sharing) exists.
std::vector<std::u16string> NamesIn(HANDLE dir) {
    std::vector<std::u16string> names;
    std::vector<unsigned char> buffer(1u << 16);
    FILE_INFO_BY_HANDLE_CLASS query = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(dir, query, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) {
        query = FileIdBothDirectoryInfo;
        size_t offset = 0;
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(&buffer[offset]);
            std::u16string name = U16(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != u"." && name != u"..") {
                names.push_back(std::move(name));
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            offset += entry->NextEntryOffset;
        }
    }
    return names;
}

// Deletes the files of a folder opened by OpenPlainFolder, then the folder itself.
void RemoveFolder(const std::u16string& path, UniqueFile dir) {
    const std::u16string base = WithTrailingBackslash(path);
    for (const std::u16string& name : NamesIn(dir.get())) {
        DeleteOwnFile(base + name);
    }
    MarkForDeletion(dir.get());
}

std::uint64_t RandomBits() {
    std::uint64_t value = 0;
    if (!SystemRandom(&value, sizeof(value))) {
        return 0;
    }
    return value;
}

} // namespace

std::u16string TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    const std::u16string temp = U16(buffer, length);
    wchar_t longBuffer[MAX_PATH + 1];
    const DWORD longLength = ::GetLongPathNameW(W(temp), longBuffer, MAX_PATH + 1);
    if (longLength == 0 || longLength > MAX_PATH) {
        return WithTrailingBackslash(temp);
    }
    return WithTrailingBackslash(U16(longBuffer, longLength));
}

bool DeleteOwnFile(const std::u16string& path) {
    return RemovePlainFile(path, true) == RemoveResult::Removed;
}

std::optional<TPrivateFolder> TPrivateFolder::Create(const std::u16string& tempFolder) {
    if (tempFolder.empty()) {
        return std::nullopt;
    }
    UniqueLocalMemory<void> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kOwnerOnlyDacl, SDDL_REVISION_1,
                                                                descriptor.put(), nullptr)) {
        return std::nullopt;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
    std::optional<TPrivateFolder> result;
    for (int attempt = 0; attempt < kCreateAttempts && !result; ++attempt) {
        const std::uint64_t random = RandomBits();
        if (random == 0) {
            break;
        }
        const std::u16string path = tempFolder + PrivateFolderName(random);
        // Fails on any existing name, a planted link included.
        if (!::CreateDirectoryW(W(path), &security)) {
            continue;
        }
        UniqueFile dir = OpenPlainFolder(path);
        if (dir) {
            result = TPrivateFolder(path + u"\\", std::move(dir));
        } else {
            // Ours but unusable: an empty folder removed by name (a link put in its place is
            // removed itself, never its target), so no such folder outlives the run.
            ::RemoveDirectoryW(W(path));
        }
    }
    return result;
}

TPrivateFolder::~TPrivateFolder() {
    if (handle_) {
        RemoveFolder(path_, std::move(handle_));
    }
}

void RemoveLeftoverFolders(const std::u16string& tempFolder) {
    if (tempFolder.empty()) {
        return;
    }
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    {
        UniqueFind find(
            ::FindFirstFileW(W(tempFolder + std::u16string(kPrivateFolderPrefix) + u"*"), &data));
        if (!find) {
            return;
        }
        do {
            const std::u16string name = U16(data.cFileName);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                IsPrivateFolderName(name)) {
                names.push_back(name);
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    for (const std::u16string& name : names) {
        const std::u16string path = tempFolder + name;
        if (UniqueFile dir = OpenPlainFolder(path)) {
            RemoveFolder(path, std::move(dir));
        }
    }
}

} // namespace pv
