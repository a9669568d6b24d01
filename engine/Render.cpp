#include "engine/Render.h"

#include <bit>
#include <string>

namespace {

// Decimal digits of a number, with its sign: ASCII, so widening each character is exact.
std::u16string Decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

std::u16string IntToBinary(std::uint32_t value)
{
    if (value == 0)
        return u"0";
    std::u16string digits;
    for (std::uint32_t mask = std::bit_floor(value); mask != 0; mask >>= 1)
        digits.push_back((value & mask) ? u'1' : u'0');
    return digits;
}

std::u16string IntToOctal(std::uint32_t value)
{
    if (value == 0)
        return u"0";
    std::u16string digits;
    for (; value != 0; value /= 8)
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 8));
    return digits;
}

std::u16string PadLeft(std::u16string_view text, std::ptrdiff_t width, char16_t fill)
{
    const auto length = static_cast<std::ptrdiff_t>(text.size());
    if (length >= width)
        return std::u16string(text);
    return std::u16string(static_cast<std::size_t>(width - length), fill) + std::u16string(text);
}

std::u16string ByteToHex(int byte)
{
    if (byte < 0 || byte > 255)
        throw ELrcError("a byte is 0..255");
    constexpr char16_t HexDigits[] = u"0123456789ABCDEF";
    return {HexDigits[byte >> 4], HexDigits[byte & 0xF]};
}

TLrcTexts RenderLrc(const TLrcResult& result)
{
    if (!result.Valid)
        throw ELrcError("only a valid result has an LRC to render");
    if (result.Lrc < 0 || result.Lrc > 255)
        throw ELrcError("an LRC is a single byte (0..255)");
    const auto v = static_cast<std::uint32_t>(result.Lrc);

    const std::u16string bits = PadLeft(IntToBinary(v), 8, u'0');
    TLrcTexts texts;
    texts.Hex = ByteToHex(result.Lrc);
    texts.Decimal = Decimal(v);
    texts.Octal = IntToOctal(v);
    texts.Binary = bits.substr(0, 4) + u' ' + bits.substr(4, 4);
    texts.ByteCountText = Decimal(result.ByteCount) + u" Bytes";
    return texts;
}
