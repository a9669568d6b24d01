#pragma once

// Where the window opens, in the desktop's own pixels, for every front end.

struct TPlacePoint
{
    int X = 0, Y = 0;
    friend constexpr bool operator==(TPlacePoint, TPlacePoint) = default;
};

// A desktop: the virtual one of all monitors, whose top-left may lie left of or above the main
// monitor's.
struct TDesktop
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The top-left that centres a window of this outer size on the desktop (each half rounded
// down), never above or left of the desktop's own top-left, so that its caption stays reachable.
TPlacePoint CentredPosition(TDesktop desktop, int outerWidth, int outerHeight);
