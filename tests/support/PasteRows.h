#pragma once

#include <string>
#include <vector>

// What a paste into Edit1 must show, whatever the window: the clipboard's whole text arrives as
// it stands, line breaks included, and the verdict follows the text's own rules. Both windows'
// tests run these rows, and the page's.
struct TPasteRow
{
    std::string name;
    std::u16string clipboard;
    std::u16string hex;    // Edit16 afterwards; empty: the format message
    std::u16string status; // Label9 afterwards
};

// In tests/data/rows.json.
std::vector<TPasteRow> PasteRows();
