#pragma once

#include <string>
#include <string_view>

// UTF-16 text as UTF-8. A lone surrogate becomes U+FFFD, so the result is always well-formed
// UTF-8 and a text holding one stays as malformed as it was.
std::string ToUtf8(std::u16string_view text);
