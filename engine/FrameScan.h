#pragma once

#include "engine/Frame.h"
#include "engine/HexDigits.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// The pieces every frame reader is built of; the readers themselves are in Frame.cpp and
// ListFrames.cpp.

// Inline, as these run for every character of a log.
inline bool IsHex(char c)
{
    return HexDigitValue(c) >= 0;
}

// Whether the text from `at` on is exactly the line end a packed, Modbus ASCII, array or
// colon-separated frame may close with: LF or CR LF. A lone CR is not one: a frame cut at a CR
// would lose whatever the CR hides.
inline bool IsFinalLineEnd(std::string_view text, std::size_t at)
{
    const std::size_t rest = text.size() - at;
    return (rest == 1 && text[at] == '\n') ||
           (rest == 2 && text[at] == '\r' && text[at + 1] == '\n');
}

// Whether `at` is the end of a frame's bytes: the end of the text or its final line end.
inline bool IsFrameEnd(std::string_view text, std::size_t at)
{
    return at == text.size() || IsFinalLineEnd(text, at);
}

// The flaw of a character that may not stand at `at` in a frame that ends with LF or CR LF:
// bytes that are not UTF-8, text after such a line end, or else `kind` with the character.
TFlaw CharacterFlaw(std::string_view text, std::size_t at, TFlawKind kind = TFlawKind::NotHexDigit);

// The count, sum and last byte of a frame's bytes as they are read.
class TByteTally
{
public:
    void Add(int byte)
    {
        m_last = byte;
        m_sum += static_cast<std::uint32_t>(byte);
        ++m_count;
    }
    std::size_t Count() const { return m_count; }

    // The finished frame; throws ELrcError when there are more bytes than a count can hold.
    TFrame Frame() const;

private:
    std::uint32_t m_sum = 0;
    std::size_t m_count = 0;
    int m_last = -1;
};

// The byte written by the two hex digits at `at`.
int PairAt(std::string_view text, std::size_t at);

// Readers of the formats from ListFrames.cpp.
TFrame ReadCArray(std::string_view text);
TFrame ReadColonSeparated(std::string_view text);
