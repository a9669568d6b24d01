#pragma once

#include "engine/LrcError.h"

class HexMatcher;

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The data text as typed: pairs of hexadecimal digits, each but the last followed by exactly
// one whitespace character (tab, line feed, form feed, carriage return or blank), the last
// optionally followed by one, the whole optionally closed by one newline sequence.
// The whitespace class is written out because PCRE2's own \s also takes the vertical tab.
inline constexpr std::string_view HexDataPattern =
    R"(^([0-9a-fA-F]{2}[\t\n\f\r ])*([0-9a-fA-F]{2})?$)";

// The outcome of one calculation. ByteCount and Lrc mean something only when Valid.
struct TLrcResult
{
    bool Valid = false;
    std::int32_t ByteCount = 0;
    int Lrc = 0; // 0..255: the byte that brings the byte sum to 0 modulo 256
};

// The LRC of bytes whose sum is `sum`: the byte that brings that sum to 0 modulo 256.
constexpr int LrcOfSum(unsigned long long sum)
{
    return static_cast<int>((256 - sum % 256) % 256);
}

// Whether the caller already knows the bytes are well-formed UTF-8.
enum class TUtf8
{
    Unchecked,
    KnownValid
};

// Validates the window's text (UTF-16), counts its bytes and computes their LRC. Holds no state
// between calls. A lone surrogate makes the text malformed. Throws ELrcError only when the
// matcher itself fails (out of memory and the like).
TLrcResult CalculateLrc(std::u16string_view text);

// The same calculation on UTF-8 text, for callers that never had UTF-16 (the command-line
// tool). Bytes that are not UTF-8 make the text malformed.
TLrcResult CalculateLrcUtf8(std::string_view utf8, TUtf8 encoding = TUtf8::Unchecked);

// The same with a matcher the caller keeps, for callers that check many texts in a row.
TLrcResult CalculateLrcUtf8(HexMatcher& matcher, std::string_view utf8,
                            TUtf8 encoding = TUtf8::Unchecked);

// Splits at every occurrence of the delimiter, keeping empty tokens, including an empty last
// one after a trailing delimiter: "01 A0 " -> "01", "A0", "".
std::vector<std::u16string> SplitByDelimiter(std::u16string_view text, char16_t delimiter);
