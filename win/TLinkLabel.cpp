#include "win/TLinkLabel.h"

#include "win/TAccessible.h"
#include "win/WinText.h"

#include <commctrl.h>
#include <windowsx.h>

TLinkLabel::TLinkLabel(HWND control) : m_control(control)
{
    SetWindowSubclass(m_control, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

TLinkLabel::~TLinkLabel()
{
    RemoveWindowSubclass(m_control, Proc, 0);
}

void TLinkLabel::ShowHandCursor() const
{
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
}

LRESULT CALLBACK TLinkLabel::Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR /*id*/, DWORD_PTR link)
{
    auto* self = reinterpret_cast<TLinkLabel*>(link);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (self->OnMouse(message, lParam))
            return 0;
        break;
    case WM_GETOBJECT:
        if (const LRESULT object = self->OnGetObject(wParam, lParam))
            return object;
        break;
    default:
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

bool TLinkLabel::OnMouse(UINT message, LPARAM lParam)
{
    // The second press of a double click (WM_LBUTTONDBLCLK) starts no click, so a double click
    // opens the page once. The control's own STN_CLICKED comes on the press and is not a click.
    switch (message) {
    case WM_LBUTTONDOWN:
        m_pressed = true;
        SetCapture(m_control); // the release comes here even off the link
        return true;
    case WM_LBUTTONUP: {
        const bool pressed = m_pressed;
        m_pressed = false;
        if (GetCapture() == m_control)
            ReleaseCapture();
        RECT client;
        GetClientRect(m_control, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (pressed && PtInRect(&client, at) && OnClick)
            OnClick();
        return true;
    }
    case WM_CAPTURECHANGED:
        m_pressed = false;
        return false;
    default: // WM_LBUTTONDBLCLK
        return true;
    }
}

LRESULT TLinkLabel::OnGetObject(WPARAM wParam, LPARAM lParam)
{
    if (static_cast<long>(lParam) != OBJID_CLIENT)
        return 0;
    TAccessibleOverrides overrides;
    overrides.Role = ROLE_SYSTEM_LINK;
    overrides.Name = TextOf(m_control);
    overrides.DefaultAction = u"Jump";
    // A screen reader may keep the object after the window has gone, and with it the link and
    // the form: then it opens nothing and touches neither.
    overrides.DoDefaultAction = [link = m_control, click = OnClick] {
        if (IsWindow(link) && click)
            click();
    };
    overrides.Focusable = false;
    return AccessibleObjectFor(m_control, wParam, overrides);
}
