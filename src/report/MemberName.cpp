#include "report/MemberName.h"

namespace pv {

std::u16string EscapeMemberName(std::u16string_view name) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(name.size());
    for (const char16_t c : name) {
        if (c < 0x80) {
            out += c;
            continue;
        }
        out += u'#';
        for (int shift = 12; shift >= 0; shift -= 4) {
            out += kHex[(c >> shift) & 0xF];
        }
    }
    return out;
}

} // namespace pv
