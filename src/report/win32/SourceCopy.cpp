#include "report/win32/SourceCopy.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/ResolvedRoots.h"
#include "platform/win32/Wow64View.h"
#include "report/PackingRules.h"
#include <vector>

namespace pv {
namespace {

constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool InPlace(HANDLE handle, const std::u16string& source) {
    const std::u16string resolved = FinalPathOf(handle);
    const TrustedRoots roots = ProcessTrustedRoots();
    return IsCollectedInPlace(roots, resolved, source) ||
           IsCollectedInPlace(roots, resolved, LongForm(source));
}

} // namespace

bool CopyCollectedSource(const std::u16string& source, const std::u16string& copyPath) {
    // Opened through the 32-bit file view but checked against the path as named, as the 32-bit
    // exe's check sees it: a redirected System32 file resolves elsewhere and is refused in both.
    UniqueFile from(::CreateFileW(
        W(PathIn32BitView(source)), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN | kNoImpersonation, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!from || !::GetFileInformationByHandle(from.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !InPlace(from.get(), source)) {
        return false;
    }
    // The archive holds no member of 4 GiB or more; a copy of such a source would only fill the
    // temporary folder before the ZIP writer refuses it.
    if (info.nFileSizeHigh != 0) {
        return false;
    }
    UniqueFile to(::CreateFileW(W(copyPath), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | kNoImpersonation, nullptr));
    if (!to) {
        return false;
    }
    FILE_BASIC_INFO basic{};
    basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(info.ftLastWriteTime.dwHighDateTime);
    basic.FileAttributes = info.dwFileAttributes & kCopiedAttributes;
    if (basic.FileAttributes == 0) {
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    if (!CopyHandleData(from.get(), to.get()) ||
        !::SetFileInformationByHandle(to.get(), FileBasicInfo, &basic, sizeof(basic))) {
        MarkForDeletion(to.get());
        return false;
    }
    return true;
}

} // namespace pv
