#pragma once

#include <string>
#include <vector>

// What a paste into Edit1 must show, whatever the window: the clipboard's whole text arrives as
// it stands, line breaks included, and the verdict follows the text's own rules. Both windows'
// tests run these rows.
struct TPasteRow
{
    std::string name;
    std::u16string clipboard;
    std::u16string hex;    // Edit16 afterwards; empty: the format message
    std::u16string status; // Label9 afterwards
};

inline std::vector<TPasteRow> PasteRows()
{
    return {
        {"TwoLinesJoinedByLf", u"11 03 00 6B\n00 03", u"7E", u"6 Bytes"},
        {"TwoLinesJoinedByCrLf", u"11 03 00 6B\r\n00 03", u"", u"数据格式不正确"},
        {"OneLineClosedByCrLf", u"11 03 00 6B 00 03\r\n", u"7E", u"6 Bytes"},
        {"ThreeLines", u"01\nA0\n7C", u"E3", u"3 Bytes"},
    };
}
