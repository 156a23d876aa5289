#include "platform/win32/Bcrypt.h"
#include "platform/win32/SystemLibrary.h"

namespace pv {

bool BcryptApi::Usable() const {
    return OpenAlgorithmProvider && CloseAlgorithmProvider && CreateHash && HashData &&
           FinishHash && DestroyHash && GenRandom;
}

const BcryptApi& Bcrypt() {
    static const BcryptApi api = [] {
        BcryptApi a;
        const HMODULE library = LoadSystemLibrary(L"bcrypt.dll"); // kept for the process's life
        if (!library) {
            return a;
        }
        a.OpenAlgorithmProvider =
            SystemEntry<decltype(a.OpenAlgorithmProvider)>(library, "BCryptOpenAlgorithmProvider");
        a.CloseAlgorithmProvider = SystemEntry<decltype(a.CloseAlgorithmProvider)>(
            library, "BCryptCloseAlgorithmProvider");
        a.CreateHash = SystemEntry<decltype(a.CreateHash)>(library, "BCryptCreateHash");
        a.HashData = SystemEntry<decltype(a.HashData)>(library, "BCryptHashData");
        a.FinishHash = SystemEntry<decltype(a.FinishHash)>(library, "BCryptFinishHash");
        a.DestroyHash = SystemEntry<decltype(a.DestroyHash)>(library, "BCryptDestroyHash");
        a.GenRandom = SystemEntry<decltype(a.GenRandom)>(library, "BCryptGenRandom");
        return a;
    }();
    return api;
}

bool SystemRandom(void* buffer, std::size_t bytes) {
    const BcryptApi& api = Bcrypt();
    if (!api.GenRandom || bytes > 0xFFFFFFFFu) {
        return false;
    }
    return BCRYPT_SUCCESS(api.GenRandom(nullptr, static_cast<PUCHAR>(buffer),
                                        static_cast<ULONG>(bytes),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

} // namespace pv
