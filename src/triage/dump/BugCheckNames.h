#pragma once
// Names of bug-check codes and of the exception codes their parameters carry, as facts from the
// platform's bug check code reference and its status-code list.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pv::triage {

// The code's symbolic name ("SYSTEM_THREAD_EXCEPTION_NOT_HANDLED"). A code with 0x10000000
// added is the same bug check reported by another path and gets the name with "_M"
// ("SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M" for 0x1000007E). Empty for a code not in the table.
std::string BugCheckName(uint32_t code);

// What an exception code means ("access violation" for 0xC0000005); empty when unknown.
std::string_view ExceptionCodeName(uint32_t code);

// The exception code among the parameters of a bug check that reports one (the first parameter
// of KMODE_EXCEPTION_NOT_HANDLED, SYSTEM_SERVICE_EXCEPTION, SYSTEM_THREAD_EXCEPTION_NOT_HANDLED,
// KERNEL_MODE_EXCEPTION_NOT_HANDLED and their _M forms); a 64-bit system sign-extends it.
std::optional<uint32_t> ExceptionCodeParameter(uint32_t code,
                                               const std::array<uint64_t, 4>& parameters);

// The table's size, for the tests that walk it.
size_t BugCheckNameCount();

} // namespace pv::triage
