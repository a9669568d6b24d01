#pragma once

#include <windows.h>

#include <functional>
#include <oleacc.h> // needs windows.h first
#include <optional>
#include <string>

// What a control tells assistive technology beyond what Windows' standard object for it says.
struct TAccessibleOverrides
{
    std::optional<long> Role; // ROLE_SYSTEM_LINK, ...
    std::optional<std::u16string> Name;
    std::optional<std::u16string> Description;
    std::optional<std::u16string> DefaultAction; // with DoDefaultAction: the action's name
    std::function<void()> DoDefaultAction;
    bool Focusable = true; // false: the focusable state is taken away
};

// The answer to WM_GETOBJECT for OBJID_CLIENT: Windows' standard accessible object for the
// control (CreateStdAccessibleObject), with the overrides laid over it. Everything else is the
// standard object's own. Returns 0 (let the control answer) when the standard object cannot be
// had.
LRESULT AccessibleObjectFor(HWND control, WPARAM wParam, const TAccessibleOverrides& overrides);
