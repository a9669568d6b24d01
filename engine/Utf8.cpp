#include "engine/Utf8.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code point starting at `at`, and how many code units it takes.
char32_t CodePointAt(std::u16string_view text, std::size_t at, std::size_t& units)
{
    const char16_t c = text[at];
    units = 1;
    if (IsHighSurrogate(c) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[at + 1] - 0xDC00);
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c))
        return Replacement;
    return c;
}

std::size_t EncodedLength(char32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// Copies the leading run of ASCII code units, eight at a time, and returns how many it copied:
// the data text is almost always all ASCII, and this is the loop the compiler vectorises.
std::size_t CopyAsciiPrefix(std::u16string_view text, char* out)
{
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        char16_t any = 0;
        for (std::size_t k = 0; k < 8; ++k)
            any |= text[at + k];
        if (any >= 0x80)
            break;
        for (std::size_t k = 0; k < 8; ++k)
            out[at + k] = static_cast<char>(text[at + k]);
    }
    for (; at < text.size() && text[at] < 0x80; ++at)
        out[at] = static_cast<char>(text[at]);
    return at;
}

} // namespace

std::string ToUtf8(std::u16string_view text)
{
    std::string utf8(text.size(), '\0');
    const std::size_t ascii = CopyAsciiPrefix(text, utf8.data());
    if (ascii == text.size())
        return utf8;

    // The rest is measured first, so that a text of many mebibytes is written into one block of
    // its exact size.
    std::size_t length = ascii;
    for (std::size_t at = ascii, units = 0; at < text.size(); at += units) {
        if (text[at] < 0x80) {
            units = 1;
            ++length;
            continue;
        }
        length += EncodedLength(CodePointAt(text, at, units));
    }
    utf8.resize(length);
    char* out = utf8.data() + ascii;
    for (std::size_t at = ascii, units = 0; at < text.size(); at += units) {
        if (text[at] < 0x80) {
            units = 1;
            *out++ = static_cast<char>(text[at]);
            continue;
        }
        const char32_t cp = CodePointAt(text, at, units);
        const auto put = [&](char32_t byte) { *out++ = static_cast<char>(byte); };
        if (cp < 0x800) {
            put(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            put(0xE0 | (cp >> 12));
            put(0x80 | ((cp >> 6) & 0x3F));
        } else {
            put(0xF0 | (cp >> 18));
            put(0x80 | ((cp >> 12) & 0x3F));
            put(0x80 | ((cp >> 6) & 0x3F));
        }
        put(0x80 | (cp & 0x3F));
    }
    return utf8;
}

TUtf8Char DecodeUtf8At(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (text.size() - at < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {};
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {code, length};
}

std::u16string ToUtf16(std::string_view utf8)
{
    std::u16string text;
    text.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const TUtf8Char c = DecodeUtf8At(utf8, at);
        const char32_t code = c.length ? c.code : Replacement;
        if (code > 0xFFFF) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        at += c.length ? c.length : 1;
    }
    return text;
}
