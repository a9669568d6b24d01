#include "engine/Utf8.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

} // namespace

std::string ToUtf8(std::u16string_view text)
{
    // Two passes, so that a text of many mebibytes is written into one block of its exact size.
    std::size_t length = 0;
    for (std::size_t at = 0, units = 0; at < text.size(); at += units) {
        if (text[at] < 0x80) {
            units = 1;
            ++length;
            continue;
        }
        length += EncodedLength(CodePointAt(text, at, units));
    }

    std::string utf8(length, '\0');
    char* out = utf8.data();
    for (std::size_t at = 0, units = 0; at < text.size(); at += units) {
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
