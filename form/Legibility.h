#pragma once

#include "form/Colors.h"

#include <cstdint>

// A colour as painted: red, green and blue, never a system colour index.
struct TRgb
{
    std::uint8_t Red = 0, Green = 0, Blue = 0;
    friend constexpr bool operator==(TRgb, TRgb) = default;
};

// From and to the 0x00BBGGRR layout that TColor and Windows' COLORREF share.
constexpr TRgb RgbOf(std::uint32_t bgr)
{
    return {static_cast<std::uint8_t>(bgr & 0xFF), static_cast<std::uint8_t>((bgr >> 8) & 0xFF),
            static_cast<std::uint8_t>((bgr >> 16) & 0xFF)};
}
constexpr std::uint32_t BgrOf(TRgb rgb)
{
    return static_cast<std::uint32_t>(rgb.Red) | static_cast<std::uint32_t>(rgb.Green) << 8 |
           static_cast<std::uint32_t>(rgb.Blue) << 16;
}

// WCAG 2's relative luminance (0 black .. 1 white) and contrast ratio (1 .. 21).
double RelativeLuminance(TRgb color);
double ContrastRatio(TRgb a, TRgb b);

// The least contrast at which a label's text counts as readable (WCAG 2's for large or bold
// text and for graphics; the window's 8-point captions are short words and numbers).
inline constexpr double LegibleContrast = 3.0;

// The platform's theme as far as the labels are concerned.
struct TTheme
{
    TRgb Background;           // what the labels are drawn on: the window colour
    TRgb Text;                 // the theme's window text colour
    TRgb Link;                 // the theme's link colour
    bool HighContrast = false; // the platform's high-contrast mode is on
};

// The colour a label whose font colour is `fixed` is painted with. A fixed colour that reads
// at LegibleContrast or more against the background is painted as it is, so the classic light
// theme looks exactly as laid out. Below that it gives way to a colour that keeps its meaning:
// the link blue to the theme's link colour, the error red to a red just light or dark enough,
// the grey hint to the most muted grey between background and text that still reads, anything
// else (the black status) to the theme's text colour; and where even that does not read, to
// black or white, whichever contrasts more. In high-contrast mode every text takes the theme's
// own colours: the link colour for the link, the text colour for the rest. A system colour
// (clWindowText) is the theme's text colour.
TRgb LegibleColor(TColor fixed, const TTheme& theme);
