#pragma once

#include "engine/Frame.h"
#include "engine/HexDigits.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The pieces the frame readers (SpacedFrames.cpp, PackedFrames.cpp, ListFrames.cpp) are built
// of. They depend on nothing but this; Frame.cpp chooses among them.

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

// The byte written by the two hex digits at `at`.
inline int PairAt(std::string_view text, std::size_t at)
{
    return HexDigitValue(text[at]) * 16 + HexDigitValue(text[at + 1]);
}

// The flaw of a character that may not stand at `at` in a frame that ends with LF or CR LF:
// bytes that are not UTF-8, text after such a line end, or else `kind` with the character.
TFlaw CharacterFlaw(std::string_view text, std::size_t at, TFlawKind kind = TFlawKind::NotHexDigit);

// A text that is not UTF-8 at all, told apart by its first bytes so the user learns why.
std::optional<TFlaw> EncodingFlaw(std::string_view text);

// A refused frame.
TFrame Refused(TFlaw flaw);

// The finished frame of `count` bytes; throws ELrcError when there are more than a count can
// hold.
TFrame Accepted(std::size_t count, int lrc, int lastByte);

// The bytes of a frame, `count` pairs `step` characters apart from `first`: how a frame whose
// layout its check has already proved hands its bytes on.
void AddPairs(std::vector<std::uint8_t>& bytes, std::string_view text, std::size_t first,
              std::size_t step, std::size_t count);

// The count, sum and last byte of a frame's bytes as they are read, and the bytes themselves
// where the caller wants them.
class TByteTally
{
public:
    explicit TByteTally(std::vector<std::uint8_t>* bytes) : m_bytes(bytes) {}

    void Add(int byte)
    {
        m_last = byte;
        m_sum += static_cast<std::uint32_t>(byte);
        ++m_count;
        if (m_bytes)
            m_bytes->push_back(static_cast<std::uint8_t>(byte));
    }
    std::size_t Count() const { return m_count; }

    TFrame Frame() const
    {
        return Accepted(m_count, static_cast<int>((256 - m_sum % 256) % 256), m_last);
    }

private:
    std::vector<std::uint8_t>* m_bytes;
    std::uint32_t m_sum = 0;
    std::size_t m_count = 0;
    int m_last = -1;
};

// The readers, one per format. Each gives the frame and, where `bytes` is given, appends the
// frame's bytes to it (the list readers as they read them, so a refused frame may leave some).
TFrame ReadSpaced(std::string_view text, std::vector<std::uint8_t>* bytes);
// Packed pairs from `start` on: the packed format, and a Modbus ASCII frame after its colon.
TFrame ReadPacked(std::string_view text, std::size_t start, std::vector<std::uint8_t>* bytes);
TFrame ReadCArray(std::string_view text, std::vector<std::uint8_t>* bytes);
TFrame ReadColonSeparated(std::string_view text, std::vector<std::uint8_t>* bytes);
