#pragma once

#include "form/Recalculation.h"

#include <windows.h>

// Tells assistive technology the status the display settles on. The status label is a polite
// live region for UI Automation clients (Narrator), and its live-region event, which MSAA clients
// hear too, has them read its accessible name, its caption.
//
// When a status is due and whether it is new is the recalculation's rule; this runs the timer
// that asks it and raises the event.
class TStatusAnnouncer
{
public:
    // The label shows the recalculation's display; both outlive the announcer.
    TStatusAnnouncer(HWND status, TRecalculation& recalculation);
    ~TStatusAnnouncer();
    TStatusAnnouncer(const TStatusAnnouncer&) = delete;
    TStatusAnnouncer& operator=(const TStatusAnnouncer&) = delete;

    // The clock the recalculation runs on: monotonic milliseconds.
    static TMilliseconds Now();

    // The recalculation's status settles at `due`, the clock reading `now`: the timer runs
    // (again) until then.
    void SettleAt(TMilliseconds due, TMilliseconds now);

private:
    static LRESULT CALLBACK Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR announcer);
    void Settle();

    HWND m_status;
    TRecalculation& m_recalculation;
};
