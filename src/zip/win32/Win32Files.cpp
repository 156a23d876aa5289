// The file layer on Windows.
#include "zip/ZipFiles.h"

#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/win32/FileIo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/ResolvedRoots.h"

#include <windows.h>
#include <sddl.h>

namespace pv {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kUnixEpochTicks = 116444736000000000; // 1970-01-01 in FILETIME ticks

std::int64_t UnixFromFileTime(const FILETIME& ft) {
    const auto ticks =
        static_cast<std::int64_t>((std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) -
        kUnixEpochTicks;
    const auto perSecond = static_cast<std::int64_t>(kTicksPerSecond);
    return ticks >= 0 ? ticks / perSecond : -((-ticks + perSecond - 1) / perSecond);
}

class Win32Output final : public ZipOutput {
public:
    explicit Win32Output(UniqueFile file) : file_(std::move(file)) {}

    std::uint32_t Write(const void* data, std::uint32_t size) override {
        DWORD done = 0;
        if (!::WriteFile(file_.get(), data, size, &done, nullptr)) {
            return 0;
        }
        return done;
    }

    bool Seek(std::uint64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN) != 0;
    }

    bool Truncate(std::uint64_t size) override {
        return Seek(size) && ::SetEndOfFile(file_.get()) != 0;
    }

private:
    UniqueFile file_;
};

class Win32Source final : public ZipSource {
public:
    explicit Win32Source(UniqueFile file) : file_(std::move(file)) {}

    std::int64_t Read(void* buffer, std::uint32_t size) override {
        DWORD done = 0;
        if (!::ReadFile(file_.get(), buffer, size, &done, nullptr)) {
            return -1;
        }
        return done;
    }

    HANDLE handle() const { return file_.get(); }

private:
    UniqueFile file_;
};

class Win32FileSystem final : public ZipFileSystem {
public:
    std::unique_ptr<ZipOutput> CreateOutput(const std::u16string& path,
                                            const std::u16string& securityDescriptor) override {
        // The descriptor goes to CreateFileW itself: the file never exists, not even briefly,
        // with the security its folder would pass on.
        UniqueLocalMemory<void> descriptor;
        if (!securityDescriptor.empty() &&
            !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                W(securityDescriptor), SDDL_REVISION_1, descriptor.put(), nullptr)) {
            return nullptr;
        }
        SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
        // The tool runs elevated and the archive may go into a user-writable folder: an existing
        // file at the name is replaced only when it is a regular single-link file that resolves to
        // the name itself, deleted through its handle, never by name.
        if (RemovePlainFile(path) == RemoveResult::Refused) {
            return nullptr;
        }
        // CREATE_NEW refuses any name that exists again, a link planted since included; a file
        // that landed elsewhere through a linked folder is removed again.
        UniqueFile file(::CreateFileW(W(path), GENERIC_WRITE | DELETE, 0,
                                      descriptor ? &security : nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return nullptr;
        }
        if (!ResolvesAsRequested(file.get(), path)) {
            MarkForDeletion(file.get());
            return nullptr;
        }
        return std::make_unique<Win32Output>(std::move(file));
    }

    std::unique_ptr<ZipSource> OpenSource(const std::u16string& path,
                                          ZipSourceInfo& info) override {
        UniqueFile file(::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION fi{};
        if (!::GetFileInformationByHandle(file.get(), &fi) ||
            (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return nullptr;
        }
        info.attributes = static_cast<std::uint8_t>(
            fi.dwFileAttributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive));
        info.lastWrite = UnixFromFileTime(fi.ftLastWriteTime);
        info.lastAccess = UnixFromFileTime(fi.ftLastAccessTime);
        info.creation = UnixFromFileTime(fi.ftCreationTime);
        info.size = (std::uint64_t(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
        return std::make_unique<Win32Source>(std::move(file));
    }
};

} // namespace

ZipFileSystem& DefaultZipFileSystem() {
    static Win32FileSystem files;
    return files;
}

} // namespace pv
