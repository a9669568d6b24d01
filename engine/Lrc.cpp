#include "engine/Lrc.h"

#include "engine/HexDigits.h"
#include "engine/HexMatcher.h"
#include "engine/Utf8.h"

#include <array>
#include <limits>

namespace {

// Sums the bytes of a text that has passed validation. Such a text is a run of three-character
// groups (two digits and one separator), the last possibly without its separator, then at most
// one closing newline sequence, which holds no hexadecimal digit. So byte k starts at offset 3k,
// and the first offset of that stride without a digit ends the bytes.
TLrcResult SumValidated(std::string_view utf8)
{
    if (utf8.size() / 3 + 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");

    const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::uint32_t sum = 0; // only its low eight bits matter; unsigned wrap-around keeps them
    std::size_t at = 0;
    for (; at + 1 < size && HexDigitValues[text[at]] >= 0; at += 3)
        sum += static_cast<std::uint32_t>(HexDigitValues[text[at]] * 16 +
                                          HexDigitValues[text[at + 1]]);

    TLrcResult result;
    result.Valid = true;
    result.ByteCount = static_cast<std::int32_t>(at / 3);
    result.Lrc = static_cast<int>((256 - (sum % 256)) % 256);
    return result;
}

// ASCII is well-formed UTF-8; for the usual all-ASCII text this pass is far cheaper than
// PCRE2's own UTF-8 check.
bool IsAscii(std::string_view bytes)
{
    unsigned char seen = 0;
    for (const char c : bytes)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

} // namespace

TLrcResult CalculateLrcUtf8(std::string_view utf8, TUtf8 encoding)
{
    HexMatcher matcher;
    return CalculateLrcUtf8(matcher, utf8, encoding);
}

TLrcResult CalculateLrcUtf8(HexMatcher& matcher, std::string_view utf8, TUtf8 encoding)
{
    const bool knownValid = encoding == TUtf8::KnownValid || IsAscii(utf8);
    if (matcher.Match(utf8, knownValid) != HexMatcher::TVerdict::Match)
        return {};
    return SumValidated(utf8);
}

TLrcResult CalculateLrc(std::u16string_view text)
{
    const std::string utf8 = ToUtf8(text); // always well-formed: lone surrogates become U+FFFD
    return CalculateLrcUtf8(utf8, TUtf8::KnownValid);
}

std::vector<std::u16string> SplitByDelimiter(std::u16string_view text, char16_t delimiter)
{
    std::vector<std::u16string> tokens;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(delimiter, start)) != std::u16string_view::npos;
         start = at + 1)
        tokens.emplace_back(text.substr(start, at - start));
    tokens.emplace_back(text.substr(start));
    return tokens;
}
