#pragma once
// The system's cryptography provider (bcrypt.dll), bound at run time from System32: it is not a
// known system library, so a static import would be looked up first in the program's folder.
#include <windows.h>
#include <bcrypt.h>
#include <cstddef>

namespace pv {

struct BcryptApi {
    decltype(&::BCryptOpenAlgorithmProvider) OpenAlgorithmProvider = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) CloseAlgorithmProvider = nullptr;
    decltype(&::BCryptCreateHash) CreateHash = nullptr;
    decltype(&::BCryptHashData) HashData = nullptr;
    decltype(&::BCryptFinishHash) FinishHash = nullptr;
    decltype(&::BCryptDestroyHash) DestroyHash = nullptr;
    decltype(&::BCryptGenRandom) GenRandom = nullptr;
    // True when every entry point above was found.
    bool Usable() const;
};

// Bound once for the life of the process; every entry is null when the library cannot be loaded.
const BcryptApi& Bcrypt();

// Fills `buffer` with random bytes from the system's generator; false (buffer unspecified) when
// the provider is unavailable or fails.
bool SystemRandom(void* buffer, std::size_t bytes);

} // namespace pv
