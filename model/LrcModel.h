#pragma once

#include "engine/Lrc.h"

#include <string_view>

// An independent model of the data text and its LRC, written from the description of the
// format rather than from the engine: a non-empty body of pairs and separators, alone or closed
// by one newline sequence. Tests and the fuzz target hold the engine to it.
TLrcResult ModelLrc(std::u16string_view text);

// The same for UTF-8 bytes: malformed UTF-8 (overlong forms, encoded surrogates, truncated or
// stray continuation bytes, code points beyond U+10FFFF) is malformed text.
TLrcResult ModelLrcUtf8(std::string_view bytes);
