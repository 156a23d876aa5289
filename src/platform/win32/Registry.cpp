#include "platform/win32/Registry.h"
#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "platform/win32/GrowBuffer.h"

namespace pv {

REGSAM RegistryViewAccess(RegistryView view) {
    static_assert(kKeyWow64_32Key == KEY_WOW64_32KEY && kKeyWow64_64Key == KEY_WOW64_64KEY);
    return RegistryViewFlag(view);
}

UniqueRegKey RegOpenRead(HKEY root, const std::u16string& subKey, RegistryView view) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(root, W(subKey), 0, KEY_READ | RegistryViewAccess(view), key.put()) !=
        ERROR_SUCCESS) {
        key.release();
        return {};
    }
    return key;
}

bool RegKeyExists(HKEY root, const std::u16string& subKey, RegistryView view) {
    return RegOpenRead(root, subKey, view).valid();
}

LONG RegQueryBytes(HKEY key, const std::u16string& name, DWORD& type, std::vector<uint8_t>& data) {
    type = REG_NONE;
    DWORD bytes = 0;
    LONG rc = ::RegQueryValueExW(key, W(name), nullptr, &type, nullptr, &bytes);
    if (rc != ERROR_SUCCESS) {
        type = REG_NONE;
        data.clear();
        return rc;
    }
    rc = static_cast<LONG>(GrowAndRetry(
        data,
        [&](void* buf, DWORD& size) {
            return static_cast<DWORD>(
                ::RegQueryValueExW(key, W(name), nullptr, &type, static_cast<BYTE*>(buf), &size));
        },
        bytes));
    if (rc != ERROR_SUCCESS) {
        type = REG_NONE;
    }
    return rc;
}

LONG RegReadBytes(HKEY root, const std::u16string& subKey, const std::u16string& name, DWORD& type,
                  std::vector<uint8_t>& data, RegistryView view) {
    const UniqueRegKey key = RegOpenRead(root, subKey, view);
    if (!key) {
        type = REG_NONE;
        data.clear();
        return ERROR_FILE_NOT_FOUND;
    }
    return RegQueryBytes(key.get(), name, type, data);
}

std::u16string RegReadString(HKEY key, const std::u16string& name) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key, name, type, data) != ERROR_SUCCESS) {
        return {};
    }
    return DecodeRegString(type, data);
}

std::u16string RegReadString(HKEY root, const std::u16string& subKey, const std::u16string& name,
                             RegistryView view) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    return RegReadBytes(root, subKey, name, type, data, view) == ERROR_SUCCESS
               ? DecodeRegString(type, data)
               : std::u16string();
}

bool RegReadDword(HKEY root, const std::u16string& subKey, const std::u16string& name,
                  uint32_t& value, RegistryView view) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    return RegReadBytes(root, subKey, name, type, data, view) == ERROR_SUCCESS &&
           DecodeRegDword(type, data, value);
}

namespace {
template <typename Enum> std::vector<std::u16string> EnumNames(Enum enumerate) {
    std::vector<std::u16string> names;
    std::u16string buf(16384, u'\0');
    for (DWORD index = 0;; ++index) {
        DWORD count = static_cast<DWORD>(buf.size());
        const LONG rc = enumerate(index, W(buf.data()), &count);
        if (rc == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (rc == ERROR_MORE_DATA) {
            buf.assign(buf.size() * 2, u'\0');
            --index;
            if (buf.size() > (1u << 20)) {
                break;
            }
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(buf.data(), count);
    }
    return names;
}
} // namespace

std::vector<std::u16string> RegSubKeyNames(HKEY key) {
    return EnumNames([key](DWORD i, wchar_t* name, DWORD* count) {
        return ::RegEnumKeyExW(key, i, name, count, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::u16string> RegValueNames(HKEY key) {
    return EnumNames([key](DWORD i, wchar_t* name, DWORD* count) {
        return ::RegEnumValueW(key, i, name, count, nullptr, nullptr, nullptr, nullptr);
    });
}

} // namespace pv
