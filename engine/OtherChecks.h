#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The common 8-bit checks that devices send in place of the LRC, which a frame whose last byte
// is not its LRC may have been sent with.
enum class TOtherCheck
{
    Sum,                   // the byte sum modulo 256, not negated
    OnesComplement,        // the byte sum's one's complement
    Xor,                   // the XOR of the bytes (a BCC)
    CharacterLrc,          // the LRC of the digits' characters as written rather than their bytes
    CharacterLrcWithColon, // the same with a Modbus ASCII frame's ':' counted in
};

// The checks of `others` (the frame's bytes before its last) that equal `last`, in the order
// above. `characters` are the digits of those bytes as the frame writes them; `colon` asks for
// the character check with a leading ':' as well. None for a frame of one byte: with nothing
// before it, every check is a constant and says nothing of the sender.
std::vector<TOtherCheck> OtherChecksMatching(std::span<const std::uint8_t> others,
                                             std::string_view characters, bool colon,
                                             std::uint8_t last);
