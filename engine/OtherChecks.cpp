#include "engine/OtherChecks.h"

#include "engine/Lrc.h"

std::vector<TOtherCheck> OtherChecksMatching(std::span<const std::uint8_t> others,
                                             std::string_view characters, bool colon,
                                             std::uint8_t last)
{
    std::vector<TOtherCheck> matching;
    if (others.empty())
        return matching;
    unsigned sum = 0, xored = 0, characterSum = 0;
    for (const std::uint8_t byte : others) {
        sum += byte;
        xored ^= byte;
    }
    for (const char c : characters)
        characterSum += static_cast<unsigned char>(c);
    const auto is = [&](unsigned value, TOtherCheck check) {
        if (value % 256 == last)
            matching.push_back(check);
    };
    is(sum, TOtherCheck::Sum);
    is(~sum, TOtherCheck::OnesComplement);
    is(xored, TOtherCheck::Xor);
    is(LrcOfSum(characterSum), TOtherCheck::CharacterLrc);
    if (colon)
        is(LrcOfSum(characterSum + ':'), TOtherCheck::CharacterLrcWithColon);
    return matching;
}
