#pragma once

#include "form/Colors.h"
#include "form/Legibility.h"

#include <windows.h>

// The layout's colours on Windows: a system colour is the system's current one.
COLORREF ToColorRef(TColor color);

// The system's colours the labels are read against: the button face they stand on, the window
// text, the link colour, and whether high-contrast mode is on.
TTheme SystemTheme();

// The colour a label with this fixed font colour is painted with on the system's colours: the
// fixed colour itself where it reads on the button face, a readable one of the same meaning
// where it does not (the theme's own colours in high-contrast mode).
COLORREF PaintedColor(TColor fixed);

// Whether the visual style's own caption colour for a group box, as the style draws it in this
// window, reads on the button face. A visual style keeps that colour whatever the colour scheme,
// so a dark or high-contrast scheme can leave it unreadable. Asked of the form, not of a group
// box already drawn without the style, which has no style left to ask.
bool GroupBoxStyleReads(HWND window);
