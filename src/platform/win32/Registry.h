#pragma once
// Registry reads. Views: pass KEY_WOW64_64KEY in `view` for the 64-bit view, 0 for the view of this
// 32-bit process.
#include "platform/win32/Handles.h"
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// Opens root\subKey with KEY_READ | view. On failure the result is invalid.
UniqueRegKey RegOpenRead(HKEY root, const std::u16string& subKey, REGSAM view = 0);
bool RegKeyExists(HKEY root, const std::u16string& subKey, REGSAM view = 0);

// Reads a value's type and bytes, growing the buffer while the value changes size. Returns the
// Win32 error; on failure `type` is REG_NONE and `data` is empty.
LONG RegQueryBytes(HKEY key, const std::u16string& name, DWORD& type, std::vector<uint8_t>& data);
// RegQueryBytes of a value of root\subKey (opened as RegOpenRead does); ERROR_FILE_NOT_FOUND when
// the key does not open, `type` then REG_NONE and `data` empty.
LONG RegReadBytes(HKEY root, const std::u16string& subKey, const std::u16string& name, DWORD& type,
                  std::vector<uint8_t>& data, REGSAM view = 0);

// Text of a REG_SZ, REG_EXPAND_SZ (not expanded) or REG_MULTI_SZ value up to its first NUL; empty
// when the key, the value or a string type is missing.
std::u16string RegReadString(HKEY key, const std::u16string& name);
std::u16string RegReadString(HKEY root, const std::u16string& subKey, const std::u16string& name,
                             REGSAM view = 0);
// REG_DWORD (or REG_DWORD_BIG_ENDIAN, bytes as stored) value; false and `value` untouched
// otherwise.
bool RegReadDword(HKEY root, const std::u16string& subKey, const std::u16string& name,
                  uint32_t& value, REGSAM view = 0);

// Names of the direct subkeys / values, in enumeration order; empty on failure.
std::vector<std::u16string> RegSubKeyNames(HKEY key);
std::vector<std::u16string> RegValueNames(HKEY key);

} // namespace pv
