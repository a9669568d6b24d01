#pragma once

#include "form/Display.h"

#include <windows.h>

#include <string>

// Tells assistive technology the status the display settles on. The status label is a polite
// live region for UI Automation clients (Narrator), and its live-region event, which MSAA clients
// hear too, has them read its accessible name, its caption.
//
// Typing "01 A0" passes through a malformed text after every first digit; announcing each of
// those would drown the user in "malformed" and byte counts. The event is raised only after the
// text has been left alone for a short quiet time, and only when the status differs from the one
// last announced. The window itself is not delayed: it follows every keystroke.
class TStatusAnnouncer
{
public:
    static constexpr int QuietMilliseconds = StatusQuietMilliseconds;

    explicit TStatusAnnouncer(HWND status);
    ~TStatusAnnouncer();
    TStatusAnnouncer(const TStatusAnnouncer&) = delete;
    TStatusAnnouncer& operator=(const TStatusAnnouncer&) = delete;

    // The display has changed to this status; it is announced once it settles.
    void StatusChanged(std::u16string status);

private:
    static LRESULT CALLBACK Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR announcer);
    void Announce();

    HWND m_status;
    std::u16string m_pending;
    std::u16string m_announced;
};
