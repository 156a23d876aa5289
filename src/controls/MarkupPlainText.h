#pragma once
// The sentence a label's mark-up shows, as plain text: what its window text and the name read by
// accessibility tools carry, while the label keeps drawing from the mark-up.
#include <string>
#include <string_view>

namespace pv {

// The text runs of `caption` as the label shows them: tags dropped, entities replaced, text inside
// "<Z>" hidden left out, accelerator marks resolved as drawing resolves them ("&&" is "&", "&x" is
// "x", a last lone "&" is dropped) when `showAccelChar` holds and the caption has no " & ", and
// each line break ("<BR>", "<P>", "<HR>" or CR) written as CR LF without doubling.
std::u16string PlainTextOfMarkup(std::u16string_view caption, bool showAccelChar);

} // namespace pv
