#include "platform/win32/FileIo.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"

namespace pv {

bool PlainFileExists(const std::u16string& path) {
    const DWORD attrs = ::GetFileAttributesW(W(path));
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::u16string& path) {
    const DWORD attrs = ::GetFileAttributesW(W(path));
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteReportFile(const std::u16string& path, const std::string& bytes) {
    UniqueFile file(::CreateFileW(W(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(
            bytes.size() - done > (1u << 20) ? (1u << 20) : bytes.size() - done);
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool DeleteReportFile(const std::u16string& path) { return ::DeleteFileW(W(path)) != FALSE; }

} // namespace pv
