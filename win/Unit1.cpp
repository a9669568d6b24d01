#include "win/Unit1.h"

#include "engine/Lrc.h"
#include "form/Display.h"
#include "packaging/Product.h"
#include "win/Platform.h"
#include "win/TAccessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <uxtheme.h>
#include <vssym32.h>

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace {

constexpr wchar_t FormClass[] = L"TForm1";
constexpr UINT_PTR StatusTimer = 1; // the quiet time before the status is announced

// UI Automation's live-setting property, which Narrator reads to speak a region's changes
// (mingw-w64's headers do not have it); its value 1 is "polite".
constexpr GUID LiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr int LivePolite = 1;
constexpr DWORD FormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD FormExStyle = WS_EX_APPWINDOW; // its own taskbar button

// Marks a control as a polite live region for UI Automation clients (Narrator). Where the
// service is missing (no COM here, or Wine, which answers E_NOTIMPL) the window still raises its
// live-region events, which MSAA clients hear.
void MarkLiveRegion(HWND control)
{
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services))))
        return;
    VARIANT polite;
    polite.vt = VT_I4;
    polite.lVal = LivePolite;
    (void)services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, LiveSettingProperty, polite);
    services->Release();
}

const wchar_t* Wide(std::u16string_view text)
{
    return reinterpret_cast<const wchar_t*>(text.data());
}

std::u16string TextOf(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(got));
    return text;
}

// Writing an equal text would still send EN_CHANGE and repaint.
void SetText(HWND control, std::u16string_view text)
{
    if (TextOf(control) != text) {
        const std::u16string terminated(text);
        SetWindowTextW(control, Wide(terminated));
    }
}

COLORREF ColorRef(TColor color)
{
    return IsSystemColor(color) ? GetSysColor(SystemColorIndex(color)) : static_cast<COLORREF>(color);
}

TFont CreateWindowFont(int pixelsPerInch, bool underline)
{
    const std::u16string name(Form1Layout.FontName);
    return TFont(CreateFontW(::MulDiv(Form1Layout.FontHeight, pixelsPerInch, Form1Layout.DesignPixelsPerInch), 0,
                             0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Wide(name)));
}

SIZE TextExtent(HFONT font, std::u16string_view text)
{
    const TScreenDc screen(GetDC(nullptr));
    const HGDIOBJ previous = SelectObject(screen.Get(), font);
    SIZE size{};
    GetTextExtentPoint32W(screen.Get(), Wide(text), static_cast<int>(text.size()), &size);
    SelectObject(screen.Get(), previous);
    return size;
}

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure)
{
    static const bool registered = [&] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(SystemColorIndex(Form1Layout.Color));
        windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                          0, 0, LR_DEFAULTSIZE | LR_SHARED));
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        windowClass.lpszClassName = FormClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

TForm1::TForm1(TOptions options) : m_options(options)
{
    if (m_options.PixelsPerInch <= 0)
        m_options.PixelsPerInch = SystemPixelsPerInch();
    m_font = CreateWindowFont(m_options.PixelsPerInch, false);
    m_linkFont = CreateWindowFont(m_options.PixelsPerInch, true);
    m_textHeight = TextExtent(m_font.Get(), u"0").cy;

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFormClass(instance, WindowProc);
    RECT outer{0, 0, Scaled(Form1Layout.ClientWidth), Scaled(Form1Layout.ClientHeight)};
    AdjustWindowRectEx(&outer, FormStyle, FALSE, FormExStyle);
    const SIZE outerSize{outer.right - outer.left, outer.bottom - outer.top};
    const POINT at = CentredPosition(VirtualDesktop(), outerSize);
    const std::u16string caption(Form1Layout.Caption);
    // Unowned: the window has its own taskbar button with its caption and icon.
    CreateWindowExW(FormExStyle, FormClass, Wide(caption), FormStyle, at.x, at.y, outerSize.cx,
                    outerSize.cy, nullptr, nullptr, instance, this);
    if (!m_window)
        throw std::runtime_error("cannot create the window");
    CreateControls();
}

TForm1::~TForm1()
{
    // The window goes first: it still refers to the fonts while it is destroyed.
    m_window.Reset();
}

int TForm1::Scaled(int value) const
{
    return ::MulDiv(value, m_textHeight, Form1Layout.DesignTextHeight);
}

HWND TForm1::Control(std::string_view name) const
{
    const auto found = m_controls.find(name);
    return found == m_controls.end() ? nullptr : found->second;
}

TColor TForm1::FontColor(HWND label) const
{
    const auto found = m_fontColors.find(label);
    return found == m_fontColors.end() ? clWindowText : found->second;
}

void TForm1::CreateControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    std::map<std::string_view, POINT> origins{{Form1Layout.Name, POINT{0, 0}}};
    for (const TControlLayout& entry : Form1Controls()) {
        const POINT origin = origins.at(entry.Parent);
        const int left = origin.x + Scaled(entry.Left);
        const int top = origin.y + Scaled(entry.Top);
        const std::u16string caption(entry.Caption);
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (entry.Kind) {
        case TControlKind::Label:
            style |= (entry.RightAligned ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX;
            break;
        case TControlKind::LinkLabel:
            style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
            break;
        case TControlKind::Edit:
        case TControlKind::ReadOnlyEdit:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | (entry.Kind == TControlKind::ReadOnlyEdit ? ES_READONLY : 0);
            exStyle = WS_EX_CLIENTEDGE; // single sunken border
            break;
        case TControlKind::GroupBox:
            windowClass = L"BUTTON";
            style |= BS_GROUPBOX;
            break;
        }
        // Created in table order: the stacking order, and so the dialog manager's tab order.
        const HWND control = CreateWindowExW(exStyle, windowClass, Wide(caption), style, left, top,
                                             Scaled(entry.Width), Scaled(entry.Height), Handle(),
                                             nullptr, instance, nullptr);
        const HFONT font = entry.Kind == TControlKind::LinkLabel ? m_linkFont.Get() : m_font.Get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        m_controls[entry.Name] = control;
        origins[entry.Name] = POINT{left, top};
        if (entry.Kind == TControlKind::Label || entry.Kind == TControlKind::LinkLabel) {
            m_fontColors[control] = entry.FontColor;
            if (entry.RightAligned)
                m_rightEdges[control] = left + Scaled(entry.Width);
            FitLabel(control, caption);
        }
    }
    for (const auto& [name, member] :
         std::array<std::pair<std::string_view, HWND*>, 15>{{{"Edit1", &Edit1}, {"Label1", &Label1},
          {"Label6", &Label6}, {"Label7", &Label7}, {"Label8", &Label8}, {"GroupBox1", &GroupBox1},
          {"Label2", &Label2}, {"Label3", &Label3}, {"Label4", &Label4}, {"Label5", &Label5},
          {"Edit16", &Edit16}, {"Edit10", &Edit10}, {"Edit8", &Edit8}, {"Edit2", &Edit2},
          {"Label9", &Label9}}})
        *member = Control(name);
    SendMessageW(Edit1, EM_SETLIMITTEXT, 0, 0); // no length limit (the default is 30,000)
    DrawGroupBoxReadably();
    for (const HWND control : {Edit1, Label8})
        SetWindowSubclass(control, ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    MarkLiveRegion(Label9);
}

SIZE TForm1::CaptionSize(HWND label, std::u16string_view caption) const
{
    const HFONT font = label == Label8 ? m_linkFont.Get() : m_font.Get();
    return TextExtent(font, caption);
}

void TForm1::FitLabel(HWND label, std::u16string_view caption)
{
    // A label fits its one-line caption; a right-aligned one keeps its right edge, any other its
    // left edge, and the top never moves. The old pixels are not carried along: a right-aligned
    // caption moved with its left edge would stand in the wrong place.
    RECT rect;
    GetWindowRect(label, &rect);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    const SIZE size = CaptionSize(label, caption);
    const auto rightEdge = m_rightEdges.find(label);
    const int left = rightEdge != m_rightEdges.end() ? rightEdge->second - size.cx : rect.left;
    SetWindowPos(label, nullptr, left, rect.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void TForm1::SetCaption(HWND label, std::u16string_view caption)
{
    if (TextOf(label) == caption)
        return;
    // The place first, then the text: a static control paints a new text at once, into
    // whatever place it has then.
    FitLabel(label, caption);
    const std::u16string terminated(caption);
    SetWindowTextW(label, Wide(terminated));
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void TForm1::SetFontColor(HWND label, TColor color)
{
    if (m_fontColors[label] == color)
        return;
    m_fontColors[label] = color;
    InvalidateRect(label, nullptr, TRUE);
}

void TForm1::Edit1Change(HWND /*sender*/)
{
    const TDisplay display = DisplayFor(CalculateLrc(TextOf(Edit1)));
    SetText(Edit16, display.Edit16);
    SetText(Edit10, display.Edit10);
    SetText(Edit8, display.Edit8);
    SetText(Edit2, display.Edit2);
    SetCaption(Label9, display.Label9Caption);
    SetFontColor(Label9, display.Label9Color);
    // Heard once the text has rested; every keystroke starts the quiet time again.
    SetTimer(Handle(), StatusTimer, StatusQuietMilliseconds, nullptr);
}

void TForm1::Label8Click(HWND /*sender*/)
{
    ShellExecuteAddress(Wide(WebPageAddress));
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->m_window = TWindow(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    return form->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK TForm1::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*id*/, DWORD_PTR form)
{
    LRESULT result = 0;
    if (reinterpret_cast<TForm1*>(form)->DispatchControl(control, message, wParam, lParam, result))
        return result;
    return DefSubclassProc(control, message, wParam, lParam);
}

bool TForm1::DispatchControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_PASTE:
        if (control != Edit1)
            return false;
        OnPaste();
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        return control == Label8 && OnLinkMouse(message, lParam);
    case WM_GETOBJECT:
        result = OnGetObject(control, wParam, lParam);
        return result != 0;
    default:
        return false;
    }
}

LRESULT TForm1::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = m_window.Get();
    switch (message) {
    case WM_COMMAND:
        OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam)))
            return TRUE;
        break;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE: // high-contrast mode switched on or off
        OnThemeChange();
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TForm1::OnCommand(HWND control, UINT notification)
{
    // The link's STN_CLICKED comes on the press; a click counts on the release (OnLinkMouse).
    if (control == Edit1 && notification == EN_CHANGE)
        RunHandler(Handle(), [&] { Edit1Change(control); });
}

LRESULT TForm1::OnCtlColorStatic(HDC dc, HWND control)
{
    // Read-only fields ask here too: they keep the ordinary field background, not grey.
    const bool field = control == Edit16 || control == Edit10 || control == Edit8 || control == Edit2;
    const TColor background = field ? clWindow : Form1Layout.Color;
    // A label's fixed colour where it reads on the system's button face, else a readable one of
    // the same meaning (the theme's own colours in high-contrast mode).
    SetTextColor(dc, field ? ColorRef(clWindowText)
                           : static_cast<COLORREF>(BgrOf(LegibleColor(FontColor(control), SystemTheme()))));
    SetBkColor(dc, ColorRef(background));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(SystemColorIndex(background)));
}

bool TForm1::OnSetCursor(HWND under)
{
    if (under != Label8)
        return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}

void TForm1::OnActivate(bool active)
{
    // As a dialog does: the focus leaves with the window and comes back to the same field.
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus))
            m_focus = focus;
    } else {
        SetFocus(m_focus ? m_focus : Edit1);
    }
}

void TForm1::OnThemeChange()
{
    DrawGroupBoxReadably();
    // Every control asks for its colours again as it repaints.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm1::DrawGroupBoxReadably()
{
    // A visual style draws the group box's caption in its own text colour, which a dark or
    // high-contrast colour scheme leaves as it was. Where that colour does not read on the
    // button face, the group box is drawn the classic way, in the colours WM_CTLCOLORSTATIC
    // gives it, as Windows itself draws it in high-contrast mode.
    const TTheme system = SystemTheme();
    bool styleReads = !system.HighContrast;
    if (const HTHEME style = OpenThemeData(Handle(), L"BUTTON")) {
        COLORREF text = 0;
        if (SUCCEEDED(GetThemeColor(style, BP_GROUPBOX, GBS_NORMAL, TMT_TEXTCOLOR, &text)))
            styleReads = styleReads && ContrastRatio(RgbOf(text), system.Background) >= LegibleContrast;
        CloseThemeData(style);
    }
    if (styleReads == m_groupBoxStyled)
        return;
    m_groupBoxStyled = styleReads;
    // A blank names no visual style (an empty name would mean the default one to some systems).
    SetWindowTheme(GroupBox1, styleReads ? nullptr : L" ", styleReads ? nullptr : L" ");
}

void TForm1::OnTimer(UINT_PTR id)
{
    if (id != StatusTimer)
        return;
    KillTimer(Handle(), StatusTimer);
    AnnounceStatus();
}

void TForm1::AnnounceStatus()
{
    // Only a status that differs from the one last heard: a blank that changes nothing, or a
    // detour through "malformed" and back, says nothing new. Label9 is a polite live region;
    // its accessible name, its caption, is what is read.
    const std::u16string status = TextOf(Label9);
    if (status == m_announced)
        return;
    m_announced = status;
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, Label9, OBJID_CLIENT, CHILDID_SELF);
}

void TForm1::OnPaste()
{
    // The single-line field would cut the clipboard's text at its first line break and so show
    // the LRC of fewer bytes than were copied: the text goes in whole, as one undoable change.
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(Handle()))
        return;
    std::u16string text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data))) {
            const std::size_t most = GlobalSize(data) / sizeof(char16_t);
            text.assign(chars, std::find(chars, chars + most, u'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    SendMessageW(Edit1, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

bool TForm1::OnLinkMouse(UINT message, LPARAM lParam)
{
    // A click counts when the left button comes up over the link after going down on it; the
    // second press of a double click (WM_LBUTTONDBLCLK) starts no click, so a double click
    // opens the page once.
    switch (message) {
    case WM_LBUTTONDOWN:
        m_linkPressed = true;
        SetCapture(Label8); // the release comes here even off the link
        return true;
    case WM_LBUTTONUP: {
        const bool pressed = m_linkPressed;
        m_linkPressed = false;
        if (GetCapture() == Label8)
            ReleaseCapture();
        RECT client;
        GetClientRect(Label8, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (pressed && PtInRect(&client, at))
            RunHandler(Handle(), [&] { Label8Click(Label8); });
        return true;
    }
    case WM_CAPTURECHANGED:
        m_linkPressed = false;
        return false;
    default: // WM_LBUTTONDBLCLK
        return true;
    }
}

LRESULT TForm1::OnGetObject(HWND control, WPARAM wParam, LPARAM lParam)
{
    if (static_cast<long>(lParam) != OBJID_CLIENT)
        return 0;
    TAccessibleOverrides overrides;
    if (control == Label8) {
        overrides.Role = ROLE_SYSTEM_LINK;
        overrides.Name = std::u16string(WebPageAddress);
        overrides.DefaultAction = u"Jump";
        // A screen reader may keep the object after the window has gone: then it opens nothing.
        overrides.DoDefaultAction = [this, link = Label8] {
            if (IsWindow(link))
                RunHandler(Handle(), [this] { Label8Click(Label8); });
        };
        overrides.Focusable = false;
    } else if (control == Edit1) {
        overrides.Description = TextOf(Label6); // the example of the format
    } else {
        return 0;
    }
    return AccessibleObjectFor(control, wParam, overrides);
}

void TForm1::OnDestroy()
{
    SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
    (void)m_window.Detach(); // destroyed by now: the window closed itself
    if (m_options.EndsApplication)
        PostQuitMessage(0);
}
