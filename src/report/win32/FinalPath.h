#pragma once
// The path an open handle resolves to, links followed.
#include <windows.h>
#include <string>

namespace pv {

// GetFinalPathNameByHandleW's normalized DOS path ("\\?\" prefix kept); empty on failure.
std::u16string FinalPathOf(HANDLE handle);

} // namespace pv
