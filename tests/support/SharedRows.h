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
