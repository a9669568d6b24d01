#include "win/Unit1.h"

#include "form/Placement.h"
#include "product/Product.h"
#include "win/Layout.h"
#include "win/Platform.h"
#include "win/SystemColors.h"
#include "win/TAccessible.h"
#include "win/WinText.h"

#include <commctrl.h>
#include <stdexcept>
#include <uxtheme.h>

namespace {

constexpr wchar_t FormClass[] = L"TForm1";
constexpr DWORD FormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD FormExStyle = WS_EX_APPWINDOW; // its own taskbar button

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

TForm1::TForm1(TOptions options) : m_options(options), m_recalculation(options.StatusQuiet)
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
    const RECT desktop = VirtualDesktop();
    const TPlacePoint at = CentredPosition(
        {desktop.left, desktop.top, desktop.right - desktop.left, desktop.bottom - desktop.top},
        outerSize.cx, outerSize.cy);
    const std::u16string caption(Form1Layout.Caption);
    // Unowned: the window has its own taskbar button with its caption and icon.
    CreateWindowExW(FormExStyle, FormClass, Wide(caption), FormStyle, at.X, at.Y, outerSize.cx,
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

POINT TForm1::TopLeft(const TControlLayout& row) const
{
    POINT at{Scaled(row.Left), Scaled(row.Top)};
    if (const TControlLayout* parent = FindControl(row.Parent)) { // none: the form itself
        const POINT origin = TopLeft(*parent);
        at.x += origin.x;
        at.y += origin.y;
    }
    return at;
}

bool TForm1::IsOfKind(HWND control, TControlKind kind) const
{
    const auto row = m_rows.find(control);
    return row != m_rows.end() && row->second->Kind == kind;
}

void TForm1::CreateControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const TControlLayout* row : CreationOrder()) {
        const TControlLayout& entry = *row;
        const POINT at = TopLeft(entry);
        const std::u16string caption(entry.Caption);
        const TControlClass built = ControlClassOf(entry);
        const HWND control =
            CreateWindowExW(built.ExStyle, built.WindowClass, Wide(caption),
                            WS_CHILD | WS_VISIBLE | built.Style, at.x, at.y, Scaled(entry.Width),
                            Scaled(entry.Height), Handle(), nullptr, instance, nullptr);
        const bool link = entry.Kind == TControlKind::LinkLabel;
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(link ? m_linkFont.Get() : m_font.Get()), FALSE);
        m_controls[entry.Name] = control;
        m_rows[control] = row;
        switch (entry.Kind) {
        case TControlKind::LinkLabel:
            m_links.try_emplace(control, control);
            [[fallthrough]];
        case TControlKind::Label:
            m_fontColors[control] = entry.FontColor;
            FitLabel(control, caption);
            break;
        case TControlKind::Edit:
            SendMessageW(control, EM_SETLIMITTEXT, 0, 0); // no length limit (the default: 30,000)
            SetWindowSubclass(control, FieldProc, 0, reinterpret_cast<DWORD_PTR>(this));
            break;
        case TControlKind::ReadOnlyEdit:
        case TControlKind::GroupBox:
            break;
        }
    }
#define SUMVANE_BIND_CONTROL(name) name = Control(#name);
    SUMVANE_FORM1_CONTROLS(SUMVANE_BIND_CONTROL)
#undef SUMVANE_BIND_CONTROL
    DrawGroupBoxesReadably();
    m_links.at(Label8).OnClick = [this] { RunHandler(Handle(), [this] { Label8Click(Label8); }); };
    m_announcer.emplace(Label9, m_recalculation);
}

void TForm1::FitLabel(HWND label, std::u16string_view caption)
{
    const TControlLayout& row = *m_rows.at(label);
    AutoSizeLabel(label, caption,
                  row.RightAligned ? std::optional(TopLeft(row).x + Scaled(row.Width))
                                   : std::nullopt);
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
    const TMilliseconds now = TStatusAnnouncer::Now();
    const TDisplay display = m_recalculation.Change(TextOf(Edit1), now);
    SetText(Edit16, display.Edit16);
    SetText(Edit10, display.Edit10);
    SetText(Edit8, display.Edit8);
    SetText(Edit2, display.Edit2);
    SetCaption(Label9, display.Label9Caption);
    SetFontColor(Label9, display.Label9Color);
    m_announcer->SettleAt(*m_recalculation.SettlesAt(), now);
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

LRESULT CALLBACK TForm1::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR /*id*/, DWORD_PTR form)
{
    LRESULT result = 0;
    if (reinterpret_cast<TForm1*>(form)->DispatchField(field, message, wParam, lParam, result))
        return result;
    return DefSubclassProc(field, message, wParam, lParam);
}

bool TForm1::DispatchField(HWND field, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_PASTE:
        OnPaste(field);
        return true;
    case WM_GETOBJECT:
        result = OnGetObject(field, wParam, lParam);
        return result != 0;
    default:
        return false;
    }
}

LRESULT TForm1::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
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
    return DefWindowProcW(m_window.Get(), message, wParam, lParam);
}

void TForm1::OnCommand(HWND control, UINT notification)
{
    // The link's STN_CLICKED comes on the press; its click counts on the release (TLinkLabel).
    if (control == Edit1 && notification == EN_CHANGE)
        RunHandler(Handle(), [&] { Edit1Change(control); });
}

LRESULT TForm1::OnCtlColorStatic(HDC dc, HWND control)
{
    // Read-only fields ask here too: they keep the ordinary field background, not grey.
    const bool field = IsOfKind(control, TControlKind::ReadOnlyEdit);
    const TColor background = field ? clWindow : Form1Layout.Color;
    SetTextColor(dc, field ? ToColorRef(clWindowText) : PaintedColor(FontColor(control)));
    SetBkColor(dc, ToColorRef(background));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(SystemColorIndex(background)));
}

bool TForm1::OnSetCursor(HWND under)
{
    const auto link = m_links.find(under);
    if (link == m_links.end())
        return false;
    link->second.ShowHandCursor();
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
    DrawGroupBoxesReadably();
    // Every control asks for its colours again as it repaints.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm1::DrawGroupBoxesReadably()
{
    // Where the visual style's caption colour does not read, the group boxes are drawn the
    // classic way, in the colours WM_CTLCOLORSTATIC gives them, as Windows itself draws them in
    // high-contrast mode.
    const bool styleReads = GroupBoxStyleReads(Handle());
    if (styleReads == m_groupBoxesStyled)
        return;
    m_groupBoxesStyled = styleReads;
    for (const auto& [control, row] : m_rows)
        if (row->Kind == TControlKind::GroupBox)
            // A blank names no visual style (an empty name would mean the default one to some
            // systems).
            SetWindowTheme(control, styleReads ? nullptr : L" ", styleReads ? nullptr : L" ");
}

void TForm1::OnPaste(HWND field)
{
    // The single-line field would cut the clipboard's text at its first line break and so show
    // the LRC of fewer bytes than were copied: the text goes in whole, as one undoable change.
    if (const std::optional<std::u16string> text = ClipboardText(Handle()))
        SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text->c_str()));
}

LRESULT TForm1::OnGetObject(HWND field, WPARAM wParam, LPARAM lParam)
{
    if (static_cast<long>(lParam) != OBJID_CLIENT)
        return 0;
    // The data field's name is its label's, as Windows' own object finds it; its description
    // is the example of the format under it.
    TAccessibleOverrides overrides;
    overrides.Description = TextOf(Label6);
    return AccessibleObjectFor(field, wParam, overrides);
}

void TForm1::OnDestroy()
{
    SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
    (void)m_window.Detach(); // destroyed by now: the window closed itself
    if (m_options.EndsApplication)
        PostQuitMessage(0);
}
