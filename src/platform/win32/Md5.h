#pragma once
// MD5 (RFC 1321) from the system's cryptography provider (BCrypt), fed in pieces.
#include <windows.h>
#include <cstddef>
#include <string>

namespace pv {

class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    // False once the provider failed; later calls then do nothing.
    bool Update(const void* data, size_t bytes);
    // 32 upper-case hexadecimal digits; empty when the provider failed at any point. Ends the
    // stream: further Update calls fail.
    std::u16string Final();

private:
    void* algorithm_ = nullptr; // BCRYPT_ALG_HANDLE
    void* hash_ = nullptr;      // BCRYPT_HASH_HANDLE
    bool ok_ = false;
};

// MD5 text of a whole file, read in pieces while others may read and write it, through the 32-bit
// file view (PathIn32BitView). The digest of empty input when the file cannot be opened or read;
// empty only when the provider fails.
std::u16string FileMd5Text(const std::u16string& path);

inline constexpr const char16_t* kEmptyMd5Text = u"D41D8CD98F00B204E9800998ECF8427E";

} // namespace pv
