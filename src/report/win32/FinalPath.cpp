#include "report/win32/FinalPath.h"
#include "platform/Text.h"
#include <vector>

namespace pv {

std::u16string FinalPathOf(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return U16(buffer.data(), length);
        }
        buffer.resize(length + 1);
    }
    return {};
}

} // namespace pv
