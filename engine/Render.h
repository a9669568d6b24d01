#pragma once

#include "engine/Lrc.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The five texts the window shows for a valid result.
struct TLrcTexts
{
    std::u16string Hex;     // two uppercase digits: "E2", "0A"
    std::u16string Decimal; // "226"
    std::u16string Octal;   // "342"
    std::u16string Binary;  // eight digits in two groups of four: "1110 0010"
    std::u16string
        ByteCountText; // the count and the unit, the same word for every count: "1 Bytes"
};

// Only for a valid result; throws ELrcError for an invalid one or an Lrc outside 0..255.
TLrcTexts RenderLrc(const TLrcResult& result);

// A byte as two uppercase hex digits: "E2", "0A". Throws ELrcError outside 0..255.
std::u16string ByteToHex(int byte);

// Digits of the value, most significant first, without leading zeros; 0 gives "0".
std::u16string IntToBinary(std::uint32_t value);
std::u16string IntToOctal(std::uint32_t value);

// Prepends fill until the text is width characters long; never truncates.
std::u16string PadLeft(std::u16string_view text, std::ptrdiff_t width, char16_t fill);
