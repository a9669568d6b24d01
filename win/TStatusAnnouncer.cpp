#include "win/TStatusAnnouncer.h"

#include <algorithm>
#include <commctrl.h>
#include <oleacc.h>

namespace {

constexpr UINT_PTR QuietTimer = 1; // on the status label, which this subclass answers for

// UI Automation's live-setting property, which Narrator reads to speak a region's changes
// (mingw-w64's headers do not have it); its value 1 is "polite".
constexpr GUID LiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr int LivePolite = 1;

// Where the service is missing (no COM here, or Wine, which answers E_NOTIMPL) the live-region
// events still reach MSAA clients.
void MarkLiveRegion(HWND control)
{
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services))))
        return;
    VARIANT polite;
    polite.vt = VT_I4;
    polite.lVal = LivePolite;
    (void)services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                LiveSettingProperty, polite);
    services->Release();
}

} // namespace

TStatusAnnouncer::TStatusAnnouncer(HWND status, TRecalculation& recalculation)
    : m_status(status), m_recalculation(recalculation)
{
    MarkLiveRegion(m_status);
    SetWindowSubclass(m_status, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

TStatusAnnouncer::~TStatusAnnouncer()
{
    RemoveWindowSubclass(m_status, Proc, 0);
}

TMilliseconds TStatusAnnouncer::Now()
{
    return static_cast<TMilliseconds>(GetTickCount64());
}

void TStatusAnnouncer::SettleAt(TMilliseconds due, TMilliseconds now)
{
    SetTimer(m_status, QuietTimer,
             static_cast<UINT>(std::clamp<TMilliseconds>(due - now, 0, USER_TIMER_MAXIMUM)),
             nullptr);
}

LRESULT CALLBACK TStatusAnnouncer::Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR /*id*/, DWORD_PTR announcer)
{
    if (message == WM_TIMER && wParam == QuietTimer) {
        KillTimer(control, QuietTimer);
        reinterpret_cast<TStatusAnnouncer*>(announcer)->Settle();
        return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void TStatusAnnouncer::Settle()
{
    const TMilliseconds now = Now();
    if (m_recalculation.Settle(now))
        // The label shows the settled status: clients read it from there.
        NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, m_status, OBJID_CLIENT, CHILDID_SELF);
    else if (const std::optional<TMilliseconds> due = m_recalculation.SettlesAt())
        // The tick count steps by the system's timer resolution: the timer may run out a
        // little before its interval has passed on it.
        SettleAt(*due, now);
}
