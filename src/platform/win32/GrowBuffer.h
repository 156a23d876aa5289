#pragma once
// The one "ask size, grow, retry while it changes" loop for Win32 calls that report the size they
// need: registry values, device properties, service enumeration, module names.
#include <windows.h>
#include <cstdint>
#include <vector>

namespace pv {

// `call(void* buffer, DWORD& bytes)` fills at most `bytes` bytes and returns a Win32 error code; on
// ERROR_MORE_DATA or ERROR_INSUFFICIENT_BUFFER it sets `bytes` to the size it needs (or leaves it,
// in which case the buffer is doubled). Retries at most `maxTries` times. On success `buffer` is
// resized to the bytes returned; on failure it is empty and the last error code is returned.
template <typename Call>
DWORD GrowAndRetry(std::vector<uint8_t>& buffer, Call call, DWORD initialBytes = 256,
                   int maxTries = 16) {
    DWORD bytes = initialBytes;
    for (int attempt = 0; attempt < maxTries; ++attempt) {
        if (bytes == 0) {
            bytes = 2;
        }
        buffer.assign(bytes, 0);
        DWORD asked = bytes;
        const DWORD rc = call(buffer.data(), asked);
        if (rc == ERROR_SUCCESS) {
            buffer.resize(asked <= bytes ? asked : bytes);
            return rc;
        }
        if (rc != ERROR_MORE_DATA && rc != ERROR_INSUFFICIENT_BUFFER) {
            buffer.clear();
            return rc;
        }
        bytes = asked > bytes ? asked : bytes * 2;
    }
    buffer.clear();
    return ERROR_MORE_DATA;
}

} // namespace pv
