#include "engine/Lrc.h"

#include "engine/HexMatcher.h"

#include <array>
#include <limits>

namespace {

// Value of an ASCII hexadecimal digit, -1 for every other byte.
constexpr std::array<std::int8_t, 256> HexDigitValues = [] {
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

// Sums the bytes of a text that has passed validation. In such a text every hexadecimal digit
// belongs to a byte and the digits stand in pairs, so reading them two at a time yields the
// bytes in order; every other character is a separator (blank, tab, line feed, form feed,
// carriage return) or part of the closing newline sequence, and ends no byte early.
TLrcResult SumValidated(std::string_view utf8)
{
    // At most one byte per three characters (two digits and a separator), plus the last.
    if (utf8.size() / 3 + 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");

    std::uint32_t sum = 0; // only its low eight bits matter; unsigned wrap-around keeps them
    std::int32_t digits = 0;
    unsigned high = 0;
    for (const char ch : utf8) {
        const int value = HexDigitValues[static_cast<unsigned char>(ch)];
        if (value < 0)
            continue;
        if (digits & 1)
            sum += high * 16 + static_cast<unsigned>(value);
        else
            high = static_cast<unsigned>(value);
        ++digits;
    }

    TLrcResult result;
    result.Valid = true;
    result.ByteCount = digits / 2;
    result.Lrc = static_cast<int>((256 - (sum % 256)) % 256);
    return result;
}

} // namespace

TLrcResult CalculateLrcUtf8(std::string_view utf8, TUtf8 encoding)
{
    const HexMatcher matcher;
    if (matcher.Match(utf8, encoding == TUtf8::KnownValid) != HexMatcher::TVerdict::Match)
        return {};
    return SumValidated(utf8);
}

TLrcResult CalculateLrc(const QString& text)
{
    // toUtf8 always writes well-formed UTF-8 (a lone surrogate becomes '?').
    const QByteArray utf8 = text.toUtf8();
    return CalculateLrcUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                            TUtf8::KnownValid);
}

QStringList SplitByDelimiter(const QString& text, QChar delimiter)
{
    QStringList tokens;
    qsizetype start = 0;
    for (qsizetype at; (at = text.indexOf(delimiter, start)) >= 0; start = at + 1)
        tokens.append(text.mid(start, at - start));
    tokens.append(text.mid(start));
    return tokens;
}
