#pragma once

#include "engine/Lrc.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// How a frame is written.
enum class TFrameFormat
{
    Spaced,      // the window's data text: "11 03 00 6B 00 03 7E"
    Packed,      // pairs with nothing between them: "1103006B00037E"
    ModbusAscii, // a Modbus ASCII frame as on the wire: ":1103006B00037E" and CR LF
    CArray,      // bytes as C or Python arrays write them: "0x11, 0x03, 0x00", perhaps in {} or []
    Colon,       // pairs separated by colons, as packet analysers copy them: "11:03:00:6B"
};

// What is wrong at the first place where a text stops being a frame of its format.
enum class TFlawKind
{
    NoPairs,     // nothing but (at most) a line end: no byte at all
    NotHexDigit, // a character that is neither a hex digit nor, where one may stand, a separator
    SingleDigit, // a hex digit without its partner
    MissingSeparator,  // a third hex digit where a separator belongs ("0102" in spaced text)
    LeadingSeparator,  // a separator before the first pair
    DoubleSeparator,   // a separator right after another
    AfterLineEnd,      // text after the line break that may only close the text
    MissingColon,      // a Modbus ASCII frame that does not start with ':'
    BadUtf8,           // bytes that are not UTF-8
    ByteOrderMark,     // a UTF-8 byte-order mark at the start
    Utf16,             // UTF-16 text (by its byte-order mark or its NUL bytes)
    MissingPrefix,     // an array's byte without its "0x"
    MissingDigits,     // an array's "0x" with no digit after it before the text ends
    Misplaced,         // an array's character where a byte, a separator or the end belongs
    Unclosed,          // an array opened with '{' or '[' that is not closed by its partner
    TrailingSeparator, // a colon-separated frame ending with its separator
};

struct TFlaw
{
    TFlawKind Kind = TFlawKind::NoPairs;
    std::size_t Byte = 0;   // offset of the offending place in the UTF-8 text
    char32_t Character = 0; // the character there, for NotHexDigit
};

// One frame read: the verdict, count and LRC as the window computes them, the frame's last byte
// (for checking a frame that ends with its LRC), and for a malformed text its first flaw.
struct TFrame
{
    TLrcResult Result;
    int LastByte = -1;
    std::optional<TFlaw> Flaw;
};

// The first flaw of spaced data text, by the same rules as the window's verdict: a flaw exactly
// when CalculateLrcUtf8 says malformed. `from` may skip a leading run of whole pair-and-separator
// groups already checked (TPairCheck::Clean).
std::optional<TFlaw> DiagnoseSpaced(std::string_view utf8, std::size_t from = 0);

// Reads frames of any format, each by its own reader; spaced text is checked by CheckSpaced,
// which gives the pattern's verdicts without compiling it. Where `bytes` is given, a well-formed
// frame's bytes are appended to it, in order.
class TFrameReader
{
public:
    TFrame Read(std::string_view utf8, TFrameFormat format,
                std::vector<std::uint8_t>* bytes = nullptr) const;
};
