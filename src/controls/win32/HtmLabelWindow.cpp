#include "controls/win32/HtmLabelWindow.h"
#include "controls/win32/GdiCanvas.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include <commctrl.h>
#include <windowsx.h>

namespace pv {

namespace {

class LabelWindow : public ILabelHost {
public:
    explicit LabelWindow(std::unique_ptr<TRdHtmLabel> label) : label_(std::move(label)) {
        label_->SetHost(this);
    }
    ~LabelWindow() override {
        label_->SetHost(nullptr);
        if (tooltip_) {
            ::DestroyWindow(tooltip_);
        }
    }
    LabelWindow(const LabelWindow&) = delete;
    LabelWindow& operator=(const LabelWindow&) = delete;

    TRdHtmLabel& Label() { return *label_; }

    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // ILabelHost
    void Invalidate(const TRect* rect) override {
        if (!window_) {
            return;
        }
        if (rect) {
            const RECT r{rect->Left, rect->Top, rect->Right, rect->Bottom};
            ::InvalidateRect(window_, &r, FALSE);
        } else {
            ::InvalidateRect(window_, nullptr, FALSE);
        }
    }
    ICanvas* MeasureCanvas() override {
        if (!measureCanvas_) {
            measureDc_.reset(::CreateCompatibleDC(nullptr));
            if (!measureDc_) {
                return nullptr;
            }
            measureCanvas_ = std::make_unique<TGdiCanvas>(measureDc_.get());
        }
        return measureCanvas_.get();
    }
    void BoundsChanged() override {
        if (!window_ || syncingBounds_) {
            return;
        }
        syncingBounds_ = true;
        ::SetWindowPos(window_, nullptr, label_->Left(), label_->Top(), label_->Width(),
                       label_->Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        syncingBounds_ = false;
    }
    void CursorChanged() override {
        if (window_ && tracking_) {
            ::SetCursor(::LoadCursorW(nullptr, SystemCursorFor(label_->Cursor())));
        }
    }
    void HintChanged() override {
        if (tooltip_) {
            ::SendMessageW(tooltip_, TTM_UPDATE, 0, 0);
        }
    }

private:
    void Paint();
    void PaintParentBackground(HDC dc, const RECT& client);
    void EnsureTooltip();

    std::unique_ptr<TRdHtmLabel> label_;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    HFONT font_ = nullptr;
    bool tracking_ = false;
    bool releasing_ = false;
    bool syncingBounds_ = false;
    std::u16string hintBuffer_;
    UniqueMemoryDc measureDc_;
    std::unique_ptr<TGdiCanvas> measureCanvas_;
};

void LabelWindow::PaintParentBackground(HDC dc, const RECT& client) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND parent = ::GetParent(window_);
    if (!parent) {
        return;
    }
    POINT origin{0, 0};
    ::MapWindowPoints(window_, parent, &origin, 1);
    POINT old{};
    ::SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void LabelWindow::Paint() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(window_, &ps);
    if (!dc) {
        return;
    }
    RECT client{};
    ::GetClientRect(window_, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    UniqueGdiObject bitmap(memory ? ::CreateCompatibleBitmap(dc, width, height) : nullptr);
    if (memory && bitmap && width > 0 && height > 0) {
        HGDIOBJ oldBitmap = ::SelectObject(memory.get(), bitmap.get());
        if (label_->Transparent()) {
            PaintParentBackground(memory.get(), client);
        }
        {
            TGdiCanvas canvas(memory.get());
            label_->Paint(canvas);
        }
        ::BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
        ::SelectObject(memory.get(), oldBitmap);
    }
    ::EndPaint(window_, &ps);
}

void LabelWindow::EnsureTooltip() {
    if (tooltip_ || !label_->ShowHint()) {
        return;
    }
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) {
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT LabelWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    window_ = window;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
            tracking_ = ::TrackMouseEvent(&track) != FALSE;
            label_->MouseEnter();
            EnsureTooltip();
        }
        label_->MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        label_->MouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ::SetCapture(window);
        label_->MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        releasing_ = true;
        if (::GetCapture() == window) {
            ::ReleaseCapture();
        }
        releasing_ = false;
        label_->MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        if (!releasing_ && reinterpret_cast<HWND>(lParam) != window) {
            label_->CancelPress();
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, SystemCursorFor(label_->Cursor())));
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (info && info->hdr.hwndFrom == tooltip_ && info->hdr.code == TTN_GETDISPINFOW) {
            POINT pt{};
            ::GetCursorPos(&pt);
            ::ScreenToClient(window, &pt);
            hintBuffer_ = label_->HintToShow(pt.x, pt.y);
            info->lpszText = const_cast<wchar_t*>(W(hintBuffer_));
            return 0;
        }
        break;
    }
    case WM_SETFONT: {
        font_ = reinterpret_cast<HFONT>(wParam);
        LOGFONTW lf{};
        if (font_ && ::GetObjectW(font_, sizeof(lf), &lf) == sizeof(lf)) {
            TFontData data = label_->Font().Data();
            data.Name = U16(lf.lfFaceName);
            data.Height = lf.lfHeight;
            data.Style = static_cast<TFontStyles>(
                (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
                (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0));
            data.Charset = lf.lfCharSet;
            label_->ParentFontChanged(data);
        }
        if (LOWORD(lParam)) {
            ::InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETTEXT: {
        // The label draws from the mark-up; the window keeps the plain sentence, which is what
        // GetWindowText and accessibility tools read.
        label_->SetCaption(lParam ? U16(reinterpret_cast<const wchar_t*>(lParam)) : u"");
        const std::u16string plain = label_->PlainText();
        return ::DefWindowProcW(window, message, wParam, reinterpret_cast<LPARAM>(W(plain)));
    }
    case WM_ENABLE:
        label_->SetEnabled(wParam != FALSE);
        return 0;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!syncingBounds_ && pos && !(pos->flags & SWP_NOSIZE && pos->flags & SWP_NOMOVE)) {
            RECT r{};
            ::GetWindowRect(window, &r);
            ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
            syncingBounds_ = true;
            label_->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            syncingBounds_ = false;
        }
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Passed through CreateWindowExW: tells the creator whether the window took ownership.
struct CreateParams {
    LabelWindow* Self = nullptr;
    bool Adopted = false;
};

LRESULT CALLBACK HtmLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            auto* params = static_cast<CreateParams*>(create->lpCreateParams);
            if (params) {
                params->Adopted = true;
                ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                    reinterpret_cast<LONG_PTR>(params->Self));
            }
        }
        auto* self = reinterpret_cast<LabelWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            delete self;
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        if (self) {
            return self->Handle(window, message, wParam, lParam);
        }
    } catch (...) {
        // A failing paint or click handler must not unwind into the system's dispatch.
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterHtmLabelClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(instance, kHtmLabelClass, &existing)) {
        return true;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = HtmLabelProc;
    wc.hInstance = instance;
    wc.hCursor = nullptr; // WM_SETCURSOR picks the label's cursor
    wc.lpszClassName = kHtmLabelClass;
    return ::RegisterClassExW(&wc) != 0;
}

} // namespace

const wchar_t* SystemCursorFor(TCursor cursor) {
    switch (cursor) {
    case crHandPoint:
        return IDC_HAND;
    case crIBeam:
        return IDC_IBEAM;
    case crCross:
        return IDC_CROSS;
    case crHourGlass:
        return IDC_WAIT;
    case crNo:
        return IDC_NO;
    case crAppStart:
        return IDC_APPSTARTING;
    case crHelp:
        return IDC_HELP;
    default:
        return IDC_ARROW;
    }
}

HWND CreateHtmLabelWindow(HWND parent, int id, std::unique_ptr<TRdHtmLabel> label) {
    if (!label) {
        return nullptr;
    }
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!RegisterHtmLabelClass(instance)) {
        return nullptr;
    }
    const TRdHtmLabel& l = *label;
    const std::u16string text = l.PlainText();
    const int left = l.Left(), top = l.Top(), width = l.Width(), height = l.Height();
    // From WM_NCCREATE on the window owns the label window state and frees it at WM_NCDESTROY.
    CreateParams params{new LabelWindow(std::move(label)), false};
    HWND window = ::CreateWindowExW(
        0, kHtmLabelClass, W(text), WS_CHILD | WS_VISIBLE, left, top, width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, &params);
    if (!window && !params.Adopted) {
        delete params.Self;
    }
    return window;
}

TRdHtmLabel* HtmLabelFromWindow(HWND window) {
    wchar_t cls[64] = {};
    if (!window || !::GetClassNameW(window, cls, 64) || lstrcmpW(cls, kHtmLabelClass) != 0) {
        return nullptr;
    }
    auto* self = reinterpret_cast<LabelWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? &self->Label() : nullptr;
}

} // namespace pv
