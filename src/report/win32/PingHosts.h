#pragma once
// The ping report's capture of the ping command's first output.
#include <string>

namespace pv {

// Longest the capture waits for the ping command's first line before it gives up.
inline constexpr unsigned long kPingCaptureLimitMs = 60 * 1000;

// Runs "cmd.exe /k ping <host>" (cmd.exe from the system folder) and returns its output up to the
// first line with the address in brackets, or up to the first pause once the host is named; empty
// when the host is not a plain host name or the process cannot be started.
std::u16string CapturePing(const std::u16string& host);

} // namespace pv
