#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-16 text as UTF-8. A lone surrogate becomes U+FFFD, so the result is always well-formed
// UTF-8 and a text holding one stays as malformed as it was.
std::string ToUtf8(std::u16string_view text);

// UTF-8 text as UTF-16; each byte that starts no UTF-8 character becomes U+FFFD.
std::u16string ToUtf16(std::string_view utf8);

// One character of UTF-8 text, as far as it is one.
struct TUtf8Char
{
    char32_t code = 0;
    std::size_t length = 0; // 0: the bytes here are not UTF-8
};

// The character starting at `at` (< text.size()), decoded as strictly as PCRE2 checks UTF-8: no
// overlong forms, no encoded surrogates, nothing beyond U+10FFFF, no truncated sequence.
TUtf8Char DecodeUtf8At(std::string_view text, std::size_t at);
