#pragma once
// Registry reads. Every open names its view (RegistryView, platform/Wow64Rules.h): Bit32 is the
// view the shipped 32-bit exe reads without a view flag on 64-bit Windows, Bit64 the native one.
// There is no default and no "this process's view", so an x86_64 build reads the same keys; on
// 32-bit Windows the flag is ignored. No read throws: failures are stated at each declaration.
#include "platform/Wow64Rules.h"
#include "platform/win32/Handles.h"
#include <cstdint>
#include <string>
#include <vector>

namespace pv {

// The access flag of `view`: KEY_WOW64_32KEY or KEY_WOW64_64KEY, never 0.
REGSAM RegistryViewAccess(RegistryView view);

// Opens root\subKey with KEY_READ and the view's flag. On failure the result is invalid.
UniqueRegKey RegOpenRead(HKEY root, const std::u16string& subKey, RegistryView view);
// True when root\subKey opens for reading in `view`.
bool RegKeyExists(HKEY root, const std::u16string& subKey, RegistryView view);

// Reads a value's type and bytes, growing the buffer while the value changes size. Returns the
// Win32 error; on failure `type` is REG_NONE and `data` is empty.
LONG RegQueryBytes(HKEY key, const std::u16string& name, DWORD& type, std::vector<uint8_t>& data);
// RegQueryBytes of a value of root\subKey (opened as RegOpenRead does); ERROR_FILE_NOT_FOUND when
// the key does not open, `type` then REG_NONE and `data` empty.
LONG RegReadBytes(HKEY root, const std::u16string& subKey, const std::u16string& name, DWORD& type,
                  std::vector<uint8_t>& data, RegistryView view);

// Text of a REG_SZ, REG_EXPAND_SZ (not expanded) or REG_MULTI_SZ value up to its first NUL; empty
// when the key, the value or a string type is missing.
std::u16string RegReadString(HKEY key, const std::u16string& name);
std::u16string RegReadString(HKEY root, const std::u16string& subKey, const std::u16string& name,
                             RegistryView view);
// REG_DWORD (or REG_DWORD_BIG_ENDIAN, bytes as stored) value; false and `value` untouched
// otherwise.
bool RegReadDword(HKEY root, const std::u16string& subKey, const std::u16string& name,
                  uint32_t& value, RegistryView view);

// Names of the direct subkeys / values, in enumeration order; empty on failure.
std::vector<std::u16string> RegSubKeyNames(HKEY key);
std::vector<std::u16string> RegValueNames(HKEY key);

} // namespace pv
