#include "platform/win32/Md5.h"
#include "platform/Text.h"
#include "platform/win32/Bcrypt.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFlags.h"
#include "platform/win32/Wow64View.h"
#include <vector>

namespace pv {

Md5Stream::Md5Stream() {
    const BcryptApi& api = Bcrypt();
    if (!api.Usable()) {
        return;
    }
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(api.OpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0))) {
        return;
    }
    algorithm_ = algorithm;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!BCRYPT_SUCCESS(api.CreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        return;
    }
    hash_ = hash;
    ok_ = true;
}

Md5Stream::~Md5Stream() {
    if (hash_) {
        Bcrypt().DestroyHash(hash_);
    }
    if (algorithm_) {
        Bcrypt().CloseAlgorithmProvider(algorithm_, 0);
    }
}

bool Md5Stream::Update(const void* data, size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (ok_ && bytes > 0) {
        const ULONG piece = bytes > 0x40000000u ? 0x40000000u : static_cast<ULONG>(bytes);
        ok_ = BCRYPT_SUCCESS(Bcrypt().HashData(hash_, const_cast<PUCHAR>(p), piece, 0));
        p += piece;
        bytes -= piece;
    }
    return ok_;
}

std::u16string Md5Stream::Final() {
    unsigned char digest[16] = {};
    const bool ok = ok_ && BCRYPT_SUCCESS(Bcrypt().FinishHash(hash_, digest, sizeof digest, 0));
    ok_ = false;
    if (!ok) {
        return {};
    }
    std::u16string text;
    for (const unsigned char b : digest) {
        text += HexDigits(b, 2);
    }
    return text;
}

std::u16string FileMd5Text(const std::u16string& path) {
    Md5Stream md5;
    UniqueFile file(::CreateFileW(W(PathIn32BitView(path)), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN | kNoImpersonation, nullptr));
    if (!file) {
        return md5.Final();
    }
    std::vector<unsigned char> buffer(256 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr)) {
            // A read that fails part way gives the digest of empty input, as an unreadable file.
            Md5Stream empty;
            return empty.Final();
        }
        if (got == 0) {
            break;
        }
        md5.Update(buffer.data(), got);
    }
    return md5.Final();
}

} // namespace pv
