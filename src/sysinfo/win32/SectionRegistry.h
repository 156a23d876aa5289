#pragma once
// The registry reads and the section start shared by the inventory section builders. Reads use
// the native registry view (kSectionView), so "Wow6432Node" paths reach the 32-bit one; no read
// throws.
#include "platform/win32/Handles.h"

#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace pv::sections {

// Opens `path` (leading and trailing backslashes dropped) for reading; empty when it cannot.
UniqueRegKey OpenKey(HKEY root, std::u16string_view path);
bool ValueExists(HKEY key, const std::u16string& name);
// A REG_SZ or REG_EXPAND_SZ value's text (not expanded); empty for any other type or a failure.
std::u16string ReadStringValue(HKEY key, const std::u16string& name);
std::u16string ReadStringValue(HKEY root, std::u16string_view path, const std::u16string& name);
// The key's subkey names; `opened` tells whether the key could be opened at all.
std::vector<std::u16string> SubKeyNames(HKEY root, std::u16string_view path, bool& opened);
// Replaces `lines` with the section's head.
void StartSection(std::vector<std::u16string>& lines, std::u16string_view title);

} // namespace pv::sections
