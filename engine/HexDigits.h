#pragma once

#include <array>
#include <cstdint>

// Value of an ASCII hexadecimal digit (either case), -1 for every other byte.
inline constexpr std::array<std::int8_t, 256> HexDigitValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        values[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        values[c] = static_cast<std::int8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        values[c] = static_cast<std::int8_t>(c - 'A' + 10);
    return values;
}();

constexpr int HexDigitValue(char c)
{
    return HexDigitValues[static_cast<unsigned char>(c)];
}
