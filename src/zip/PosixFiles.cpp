// The file layer on POSIX systems (native builds: tests, fuzzing, benchmarks).
#ifndef _WIN32
#include "zip/ZipFiles.h"

#include "platform/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pv {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

class PosixOutput final : public ZipOutput {
public:
    explicit PosixOutput(int fd) : fd_(fd) {}

    std::uint32_t Write(const void* data, std::uint32_t size) override {
        const auto* p = static_cast<const char*>(data);
        std::uint32_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_.get(), p + done, size - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<std::uint32_t>(n);
        }
        return done;
    }

    bool Seek(std::uint64_t offset) override {
        return ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) ==
               static_cast<off_t>(offset);
    }

    bool Truncate(std::uint64_t size) override {
        return ::ftruncate(fd_.get(), static_cast<off_t>(size)) == 0 && Seek(size);
    }

private:
    Descriptor fd_;
};

class PosixSource final : public ZipSource {
public:
    explicit PosixSource(int fd) : fd_(fd) {}

    std::int64_t Read(void* buffer, std::uint32_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return n < 0 ? -1 : static_cast<std::int64_t>(n);
        }
    }

    int fd() const { return fd_.get(); }

private:
    Descriptor fd_;
};

// POSIX has no read-only, hidden, system or archive attributes: read-only is a file without
// owner write permission, and every file carries the archive bit, as freshly written Windows
// files do. Creation time is the status-change time, the nearest POSIX keeps.
class PosixFileSystem final : public ZipFileSystem {
public:
    // POSIX files have no security descriptor; the mode is the usual 0644 under the umask.
    std::unique_ptr<ZipOutput> CreateOutput(const std::u16string& path,
                                            const std::u16string&) override {
        const int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return nullptr;
        }
        return std::make_unique<PosixOutput>(fd);
    }

    std::unique_ptr<ZipSource> OpenSource(const std::u16string& path,
                                          ZipSourceInfo& info) override {
        const int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        auto source = std::make_unique<PosixSource>(fd);
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            return nullptr;
        }
        info.attributes = kAttrArchive;
        if ((st.st_mode & S_IWUSR) == 0) {
            info.attributes |= kAttrReadOnly;
        }
        info.lastWrite = st.st_mtime;
        info.lastAccess = st.st_atime;
        info.creation = st.st_ctime;
        info.size = static_cast<std::uint64_t>(st.st_size);
        return source;
    }
};

} // namespace

ZipFileSystem& DefaultZipFileSystem() {
    static PosixFileSystem files;
    return files;
}

} // namespace pv
#endif
