#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <string_view>

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

// An unexpected failure of the calculation itself (never malformed text, which is a verdict).
class ELrcError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Whether the caller already knows the bytes are well-formed UTF-8 (QString::toUtf8 output is).
enum class TUtf8 { Unchecked, KnownValid };

// Validates the text, counts its bytes and computes their LRC. Holds no state between calls.
// Throws ELrcError only when the matcher itself fails (out of memory and the like).
TLrcResult CalculateLrc(const QString& text);

// The same calculation on UTF-8 text, for callers that never had a QString (the command-line
// tool). Bytes that are not UTF-8 make the text malformed.
TLrcResult CalculateLrcUtf8(std::string_view utf8, TUtf8 encoding = TUtf8::Unchecked);

// Splits at every occurrence of the delimiter, keeping empty tokens, including an empty last
// one after a trailing delimiter: "01 A0 " -> "01", "A0", "".
QStringList SplitByDelimiter(const QString& text, QChar delimiter);
