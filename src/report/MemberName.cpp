#include "report/MemberName.h"
#include "platform/Text.h"

namespace pv {

std::u16string EscapeMemberName(std::u16string_view name) {
    std::u16string out;
    out.reserve(name.size());
    for (const char16_t c : name) {
        if (c < 0x80) {
            out += c;
            continue;
        }
        out += u'#';
        out += HexDigits(c, 4);
    }
    return out;
}

} // namespace pv
