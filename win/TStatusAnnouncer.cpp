#include "win/TStatusAnnouncer.h"

#include <commctrl.h>
#include <oleacc.h>
#include <utility>

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

TStatusAnnouncer::TStatusAnnouncer(HWND status) : m_status(status)
{
    MarkLiveRegion(m_status);
    SetWindowSubclass(m_status, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

TStatusAnnouncer::~TStatusAnnouncer()
{
    RemoveWindowSubclass(m_status, Proc, 0);
}

void TStatusAnnouncer::StatusChanged(std::u16string status)
{
    m_pending = std::move(status);
    // Every change starts the quiet time again.
    SetTimer(m_status, QuietTimer, QuietMilliseconds, nullptr);
}

LRESULT CALLBACK TStatusAnnouncer::Proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR /*id*/, DWORD_PTR announcer)
{
    if (message == WM_TIMER && wParam == QuietTimer) {
        KillTimer(control, QuietTimer);
        reinterpret_cast<TStatusAnnouncer*>(announcer)->Announce();
        return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void TStatusAnnouncer::Announce()
{
    // A blank that changes nothing, or a detour through "malformed" and back, says nothing new.
    if (m_pending == m_announced)
        return;
    m_announced = m_pending;
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, m_status, OBJID_CLIENT, CHILDID_SELF);
}
