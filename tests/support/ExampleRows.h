#pragma once

#include "form/Colors.h"

#include <string>
#include <vector>

// What the window shows after each keystroke of the example "01 A0 7C FF 02", worked out by
// hand: every first digit of a pair makes the text malformed, every completed pair and every
// blank after it shows the LRC so far. Every front end's tests, the page's too, type the example
// against these rows.
struct TPrefixRow
{
    std::u16string typed;
    std::u16string hex, decimal, octal, binary; // empty: the format message
    std::u16string status;                      // Label9
    TColor color;                               // Label9's font colour
};

// In tests/data/rows.json.
std::vector<TPrefixRow> ExamplePrefixRows();
