#include "report/PingCapture.h"

namespace pv {

bool IsPlainHostName(std::u16string_view host) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    for (const char16_t c : host) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                        (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
        if (!ok) {
            return false;
        }
    }
    return host.front() != u'-' && host.front() != u'.';
}

std::u16string PingCommandLine(std::u16string_view host) {
    return u"cmd.exe /k ping " + std::u16string(host);
}

bool PingCaptureRule::AddChunk(std::u16string_view chunk) {
    text_ += chunk;
    return text_.find(u'[') != std::u16string::npos && text_.find(u']') != std::u16string::npos;
}

bool PingCaptureRule::StopWhenIdle() const {
    return text_.find(host_) != std::u16string::npos || text_.size() > 65;
}

} // namespace pv
