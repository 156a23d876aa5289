#pragma once
// When the capture of the ping command's first output stops, and the command line it runs.
#include <string>
#include <string_view>

namespace pv {

// A host name made only of letters, digits, '.' and '-' (no blanks, quotes or shell characters),
// 1 to 253 units long. Only such a name is ever put on a command line or into a request.
bool IsPlainHostName(std::u16string_view host);

// "cmd.exe /k ping " + host.
std::u16string PingCommandLine(std::u16string_view host);

// The capture's stop rules, fed with the converted output chunks as they arrive.
class PingCaptureRule {
public:
    explicit PingCaptureRule(std::u16string host) : host_(std::move(host)) {}
    // Appends a chunk; true when the text now holds both a "[" and a "]" (the resolved address).
    bool AddChunk(std::u16string_view chunk);
    // Asked while no output waits; true when the text names the host or is longer than 65 units.
    bool StopWhenIdle() const;
    const std::u16string& Text() const { return text_; }

private:
    std::u16string host_;
    std::u16string text_;
};

} // namespace pv
