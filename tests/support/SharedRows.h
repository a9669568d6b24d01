#pragma once

#include "tests/support/ExampleRows.h"
#include "tests/support/PasteRows.h"

#include <string>
#include <vector>

// The rows of tests/data/rows.json, which the web edition's tests read too: each is written
// once, for every platform.

// The engine's verdict, count and LRC of short texts.
struct TVerdictRow
{
    std::string name;
    std::u16string text;
    bool valid;
    int byteCount = 0;
    int lrc = 0;
};
std::vector<TVerdictRow> VerdictRows();

// The four renderings of an LRC and the count's text.
struct TRenderRow
{
    std::string name;
    int lrc;
    int count;
    std::u16string hex, decimal, octal, binary, countText;
};
std::vector<TRenderRow> RenderRows();

// A control where the window must show it at one density.
struct TPlaceRow
{
    std::string name, parent;
    std::u16string caption;
    std::string fits; // a label sized to its caption: the edge it keeps, "left" or "right"
    int left, top, width, height; // in the parent's client area
};

// The window at one density (96 or 144 pixels per inch): its font, the text height measured in
// it, its client area and every control's place.
struct TWindowPlaces
{
    int fontHeight; // the Windows font's LOGFONT height
    int textHeight;
    int clientWidth, clientHeight;
    std::vector<TPlaceRow> controls;
};
TWindowPlaces WindowPlacesAt(int pixelsPerInch);
