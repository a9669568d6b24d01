#pragma once

#include <windows.h>

#include <functional>

// A STATIC control that acts as a hyperlink: the hand-pointer cursor over it, and a click when
// the left button is pressed on it and released over it; a double click is one click, not two.
// Assistive technology sees it as a link, named by its caption, whose default action "Jump" is
// the same click. The control (SS_NOTIFY, so that it sees the mouse) and its underlined font are
// the form's; this completes its behaviour for as long as both live.
class TLinkLabel
{
public:
    explicit TLinkLabel(HWND control);
    ~TLinkLabel();
    TLinkLabel(const TLinkLabel&) = delete;
    TLinkLabel& operator=(const TLinkLabel&) = delete;

    // What WM_SETCURSOR over the link asks of the form: the system's hand.
    void ShowHandCursor() const;

    std::function<void()> OnClick;

private:
    static LRESULT CALLBACK Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR link);
    bool OnMouse(UINT message, LPARAM lParam);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);

    HWND m_control;
    bool m_pressed = false; // the left button went down on the link and is still down
};
