#include "model/LrcModel.h"

#include <optional>
#include <string>
#include <vector>

namespace {

bool IsHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsSeparator(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == u' ';
}

int HexValue(char16_t c)
{
    return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

struct TBytes
{
    std::int32_t count = 0;
    unsigned sum = 0;
};

// The byte count and sum of a body ("01 A0 7C"), or nothing when it is not one.
std::optional<TBytes> ModelBody(std::u16string_view body)
{
    TBytes bytes;
    std::size_t i = 0;
    while (i < body.size()) {
        if (i + 1 >= body.size() || !IsHexDigit(body[i]) || !IsHexDigit(body[i + 1]))
            return std::nullopt;
        ++bytes.count;
        bytes.sum += static_cast<unsigned>(HexValue(body[i]) * 16 + HexValue(body[i + 1]));
        i += 2;
        if (i == body.size())
            break;
        if (!IsSeparator(body[i]))
            return std::nullopt;
        ++i;
    }
    return bytes;
}

// Strict UTF-8 to UTF-16, or nothing for bytes that are not UTF-8.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes)
{
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length = 0;
        char32_t cp = 0, least = 0;
        if (lead < 0x80) {
            length = 1, cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + length > bytes.size())
            return std::nullopt;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        if (cp >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return text;
}

} // namespace

TLrcResult ModelLrc(std::u16string_view text)
{
    // The text is a non-empty body, alone or followed by one newline sequence.
    std::vector<std::u16string_view> bodies{text};
    for (const std::u16string_view newline :
         {u"\n", u"\v", u"\f", u"\r", u"\r\n", u"\u0085", u"\u2028", u"\u2029"}) {
        if (text.ends_with(newline))
            bodies.push_back(text.substr(0, text.size() - newline.size()));
    }
    for (const std::u16string_view body : bodies) {
        if (body.empty())
            continue;
        if (const auto bytes = ModelBody(body))
            return {true, bytes->count, static_cast<int>((256 - bytes->sum % 256) % 256)};
    }
    return {};
}

TLrcResult ModelLrcUtf8(std::string_view bytes)
{
    const auto text = DecodeUtf8(bytes);
    return text ? ModelLrc(*text) : TLrcResult{};
}
