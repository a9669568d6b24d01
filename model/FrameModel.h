#pragma once

#include "engine/Frame.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// An independent model of the tool's frame formats, written from their descriptions rather than
// from the engine's readers: the bytes of a well-formed frame, or nothing for a malformed one.
// Every format but spaced text may close with one LF or CR LF.
//   packed        pairs of hex digits and nothing else: "1103006B"
//   Modbus ASCII  ':' and then packed pairs
//   colon         pairs with one ':' between each two: "11:03:00"
//   C array       items "0x" or "0X" and two hex digits, joined by ',' and blanks after it, one
//                 ',' after the last allowed; or the same in "{ }" or "[ ]", with blanks allowed
//                 inside the brackets' edges
//   spaced        the data text (ModelLrcUtf8), its bytes at every third character
std::optional<std::vector<std::uint8_t>> ModelFrameBytes(std::string_view text,
                                                         TFrameFormat format);
