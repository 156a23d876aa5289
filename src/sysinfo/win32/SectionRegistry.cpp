#include "sysinfo/win32/SectionRegistry.h"
#include "sysinfo/FactRules.h"
#include "sysinfo/RegistryViews.h"

#include "platform/RegistryData.h"
#include "platform/Text.h"
#include "platform/win32/Registry.h"

namespace pv::sections {

namespace {

// Key paths as written may carry leading or trailing backslashes; the registry wants neither.
std::u16string KeyPath(std::u16string_view path) {
    size_t begin = 0;
    size_t end = path.size();
    while (begin < end && path[begin] == u'\\') {
        ++begin;
    }
    while (end > begin && path[end - 1] == u'\\') {
        --end;
    }
    return std::u16string(path.substr(begin, end - begin));
}

} // namespace

UniqueRegKey OpenKey(HKEY root, std::u16string_view path) {
    return RegOpenRead(root, KeyPath(path), kSectionView);
}

bool ValueExists(HKEY key, const std::u16string& name) {
    return ::RegQueryValueExW(key, W(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::u16string ReadStringValue(HKEY key, const std::u16string& name) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (RegQueryBytes(key, name, type, data) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return DecodeRegString(type, data);
}

std::u16string ReadStringValue(HKEY root, std::u16string_view path, const std::u16string& name) {
    const UniqueRegKey key = OpenKey(root, path);
    return key ? ReadStringValue(key.get(), name) : std::u16string();
}

std::vector<std::u16string> SubKeyNames(HKEY root, std::u16string_view path, bool& opened) {
    const UniqueRegKey key = OpenKey(root, path);
    opened = key.valid();
    return key ? RegSubKeyNames(key.get()) : std::vector<std::u16string>();
}

void StartSection(std::vector<std::u16string>& lines, std::u16string_view title) {
    lines = SectionHead(title);
}

} // namespace pv::sections
