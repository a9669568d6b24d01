#pragma once

#include <cstdint>

// Colours as the layout names them: 0x00BBGGRR, or with the top byte 0xFF the index of one of
// the system's colours in the low byte.
enum TColor : std::uint32_t
{
    clBlack = 0x000000,
    clRed = 0x0000FF,
    clBlue = 0xFF0000,
    clGray = 0x808080,
    clBtnFace = 0xFF00000F,    // window background
    clWindow = 0xFF000005,     // edit field background
    clWindowText = 0xFF000008, // ordinary text
};

constexpr bool IsSystemColor(TColor color)
{
    return (color & 0xFF000000) == 0xFF000000;
}

// The system colour index of a system colour (COLOR_WINDOW and its kin on Windows).
constexpr int SystemColorIndex(TColor color)
{
    return static_cast<int>(color & 0xFF);
}
