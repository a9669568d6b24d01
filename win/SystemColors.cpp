#include "win/SystemColors.h"

#include <uxtheme.h>
#include <vssym32.h>

COLORREF ToColorRef(TColor color)
{
    return IsSystemColor(color) ? GetSysColor(SystemColorIndex(color))
                                : static_cast<COLORREF>(color);
}

TTheme SystemTheme()
{
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof highContrast;
    const bool on =
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
        (highContrast.dwFlags & HCF_HIGHCONTRASTON);
    return {RgbOf(GetSysColor(COLOR_BTNFACE)), RgbOf(GetSysColor(COLOR_WINDOWTEXT)),
            RgbOf(GetSysColor(COLOR_HOTLIGHT)), on};
}

COLORREF PaintedColor(TColor fixed)
{
    return static_cast<COLORREF>(BgrOf(LegibleColor(fixed, SystemTheme())));
}

bool GroupBoxStyleReads(HWND window)
{
    const TTheme system = SystemTheme();
    bool reads = !system.HighContrast;
    if (const HTHEME style = OpenThemeData(window, L"BUTTON")) {
        COLORREF text = 0;
        if (SUCCEEDED(GetThemeColor(style, BP_GROUPBOX, GBS_NORMAL, TMT_TEXTCOLOR, &text)))
            reads = reads && ContrastRatio(RgbOf(text), system.Background) >= LegibleContrast;
        CloseThemeData(style);
    }
    return reads;
}
