#pragma once

#include "form/Colors.h"

#include <string>
#include <vector>

// What the window shows after each keystroke of the example "01 A0 7C FF 02", worked out by
// hand: every first digit of a pair makes the text malformed, every completed pair and every
// blank after it shows the LRC so far. Both windows' tests type the example against these rows.
struct TPrefixRow
{
    std::u16string typed;
    std::u16string hex, decimal, octal, binary; // empty: the format message
    std::u16string status;                      // Label9
    TColor color;                               // Label9's font colour
};

inline std::vector<TPrefixRow> ExamplePrefixRows()
{
    const std::u16string bad = u"数据格式不正确";
    return {
        {u"0", u"", u"", u"", u"", bad, clRed},
        {u"01", u"FF", u"255", u"377", u"1111 1111", u"1 Bytes", clBlack},
        {u"01 ", u"FF", u"255", u"377", u"1111 1111", u"1 Bytes", clBlack},
        {u"01 A", u"", u"", u"", u"", bad, clRed},
        {u"01 A0", u"5F", u"95", u"137", u"0101 1111", u"2 Bytes", clBlack},
        {u"01 A0 ", u"5F", u"95", u"137", u"0101 1111", u"2 Bytes", clBlack},
        {u"01 A0 7", u"", u"", u"", u"", bad, clRed},
        {u"01 A0 7C", u"E3", u"227", u"343", u"1110 0011", u"3 Bytes", clBlack},
        {u"01 A0 7C ", u"E3", u"227", u"343", u"1110 0011", u"3 Bytes", clBlack},
        {u"01 A0 7C F", u"", u"", u"", u"", bad, clRed},
        {u"01 A0 7C FF", u"E4", u"228", u"344", u"1110 0100", u"4 Bytes", clBlack},
        {u"01 A0 7C FF ", u"E4", u"228", u"344", u"1110 0100", u"4 Bytes", clBlack},
        {u"01 A0 7C FF 0", u"", u"", u"", u"", bad, clRed},
        {u"01 A0 7C FF 02", u"E2", u"226", u"342", u"1110 0010", u"5 Bytes", clBlack},
    };
}
