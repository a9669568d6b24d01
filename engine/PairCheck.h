#pragma once

#include "engine/Lrc.h"

#include <cstddef>
#include <string_view>

// Pairs of hex digits checked and summed a vector of bytes at a time, for the command-line tool,
// which reads files of any size and logs of millions of frames.
//
// Spaced text: set aside at most one final newline sequence, a valid text is pairs of ASCII hex
// digits at offsets 0 and 1 modulo 3 with one separator at 2, so CheckSpaced gives exactly the
// verdict, count and LRC that CalculateLrcUtf8 gives (PCRE2 with HexDataPattern) on every text,
// without a matcher. Packed pairs: hex digits at every offset, an even number of them. Either
// way the byte sum is 16 × (sum of high digits) + (sum of low digits), with no byte assembled.

// What does the checking: the portable loop, or one of the processor's vector units.
enum class TPairCheckUnit
{
    Scalar,
    Sse2,
    Avx2,
};

struct TPairCheck
{
    TLrcResult Result;
    int LastByte = -1; // the last pair's byte, for a valid text
    // For a refused text: the length of the leading run of whole pairs (with their separators)
    // the check passed, where finding the first flaw may start: a multiple of 3 for spaced text,
    // of 2 for packed pairs.
    std::size_t Clean = 0;
};

// Whether this build, on this processor, can check with the unit.
bool HasPairCheckUnit(TPairCheckUnit unit);

// The fastest unit the processor has, chosen once.
TPairCheckUnit BestPairCheckUnit();

// Spaced data text, as the window's pattern reads it.
TPairCheck CheckSpaced(std::string_view utf8);
TPairCheck CheckSpaced(std::string_view utf8, TPairCheckUnit unit);

// Packed pairs and nothing else (no line end): at least one pair, no digit left over.
TPairCheck CheckPacked(std::string_view pairs);
TPairCheck CheckPacked(std::string_view pairs, TPairCheckUnit unit);
