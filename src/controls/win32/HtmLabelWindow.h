#pragma once
// The window that carries a TRdHtmLabel: a child window of the registered class "TRdHtmLabel"
// that paints the label, feeds it the pointer, sets its cursor and shows its hints.
#include "controls/RdHtmLabel.h"
#include <windows.h>
#include <memory>

namespace pv {

inline constexpr const wchar_t* kHtmLabelClass = L"TRdHtmLabel";

// Creates a visible child at the label's bounds; the window owns the label from then on and frees
// it when it is destroyed. Null on failure (label freed). The window text is the caption's plain
// sentence (TRdHtmLabel::PlainText); WM_SETTEXT takes mark-up, which the label draws from while
// the window keeps its plain sentence. WM_SETFONT gives the label its parent font.
HWND CreateHtmLabelWindow(HWND parent, int id, std::unique_ptr<TRdHtmLabel> label);

// The label of a window made by CreateHtmLabelWindow; null for any other window.
TRdHtmLabel* HtmLabelFromWindow(HWND window);

// The system cursor of a label cursor value (crDefault: the arrow).
const wchar_t* SystemCursorFor(TCursor cursor);

} // namespace pv
