#include "report/win32/JobFileSystem.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Wow64View.h"

namespace pv {
namespace {

class TWin32JobFileSystem final : public IJobFileSystem {
public:
    bool RegularFileExists(const std::u16string& named) override {
        if (named.empty()) {
            return false;
        }
        const std::u16string path = PathIn32BitView(named);
        const DWORD attrs = ::GetFileAttributesW(W(path));
        if (attrs != INVALID_FILE_ATTRIBUTES) {
            return (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME) {
            return false;
        }
        WIN32_FIND_DATAW data;
        UniqueFind find(::FindFirstFileW(W(path), &data));
        return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool FolderExists(const std::u16string& path) override {
        if (path.empty()) {
            return false;
        }
        const DWORD attrs = ::GetFileAttributesW(W(PathIn32BitView(path)));
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    std::vector<TFolderEntry> SearchFolder(const std::u16string& pattern) override {
        std::vector<TFolderEntry> entries;
        WIN32_FIND_DATAW data;
        UniqueFind find(::FindFirstFileW(W(PathIn32BitView(pattern)), &data));
        if (!find) {
            return entries;
        }
        do {
            entries.push_back({U16(data.cFileName), data.dwFileAttributes});
        } while (::FindNextFileW(find.get(), &data));
        return entries;
    }
};

} // namespace

IJobFileSystem& Win32JobFileSystem() {
    static TWin32JobFileSystem fs;
    return fs;
}

} // namespace pv
