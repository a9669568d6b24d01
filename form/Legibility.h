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

// The least contrast at which a colour the layout fixes is painted as it is (WCAG 2's for large
// or bold text; the classic light theme's red, grey and blue all reach it).
inline constexpr double LegibleContrast = 3.0;

// What a colour the window picks in place of a fixed one aims for: WCAG 2 AA's for normal-size
// text, which the 8-point captions are. Black or white reads at more than this on any
// background, so lightening or darkening a colour always gets there.
inline constexpr double SubstituteContrast = 4.5;

// The platform's theme as far as the labels are concerned.
struct TTheme
{
    TRgb Background;           // what the labels are drawn on: the window colour
    TRgb Text;                 // the theme's window text colour
    TRgb Link;                 // the theme's link colour
    bool HighContrast = false; // the platform's high-contrast mode is on
};

// The colour a label whose font colour is `fixed` is painted with. A fixed colour that reads at
// LegibleContrast or more against the background is painted as it is, so the classic light
// theme looks exactly as laid out. Below that it gives way to a colour of the same meaning that
// reads at SubstituteContrast, changed as little as gets there: the error red, the theme's link
// colour for the link blue and the theme's text colour for anything else (the black status),
// each lightened or darkened; for the grey hint the most muted grey between background and text,
// or the text itself where the text reads at less (and where not even that reads at
// LegibleContrast, what the black status gets). clWindowText is the theme's text colour as every
// caption shows it, changed only where it reads at less than LegibleContrast. In high-contrast
// mode every text takes the theme's own colours: the link colour for the link, the text colour
// for the rest.
TRgb LegibleColor(TColor fixed, const TTheme& theme);
