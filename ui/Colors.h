#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

// Colours as the layout names them: 0x00BBGGRR, or with the top byte 0xFF the index of one of
// the system's colours in the low byte.
enum TColor : std::uint32_t {
    clBlack = 0x000000,
    clRed = 0x0000FF,
    clBlue = 0xFF0000,
    clGray = 0x808080,
    clWindow = 0xFF000005,     // edit field background
    clWindowText = 0xFF000008, // ordinary text
};

// The colour to paint; system colours come from the palette.
QColor ToQColor(TColor color, const QPalette& palette = QPalette());
