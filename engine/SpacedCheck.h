#pragma once

#include "engine/Lrc.h"

#include <cstddef>
#include <string_view>

// Spaced data text checked without a matcher, for the command-line tool, which reads files of
// any size. It gives exactly the verdict, count and LRC that CalculateLrcUtf8 gives (PCRE2 with
// HexDataPattern), on every text: set aside at most one final newline sequence, a valid text is
// pairs of ASCII hex digits at offsets 0 and 1 modulo 3 with one separator at 2, so checking is
// a classification of each byte by its offset, a vector of bytes at a time, and the byte sum is
// 16 × (sum of high digits) + (sum of low digits), with no byte assembled.

// What does the checking: the portable loop, or one of the processor's vector units.
enum class TSpacedCheckUnit
{
    Scalar,
    Sse2,
    Avx2,
};

struct TSpacedCheck
{
    TLrcResult Result;
    int LastByte = -1; // the last pair's byte, for a valid text
    // For a refused text: the length of the leading run of whole pair-and-separator groups the
    // check passed, a multiple of 3, where finding the first flaw may start.
    std::size_t Clean = 0;
};

// Whether this build, on this processor, can check with the unit.
bool HasSpacedCheckUnit(TSpacedCheckUnit unit);

// The fastest unit the processor has, chosen once.
TSpacedCheckUnit BestSpacedCheckUnit();

// Checks with the fastest unit, or with the one given (which HasSpacedCheckUnit must allow).
TSpacedCheck CheckSpaced(std::string_view utf8);
TSpacedCheck CheckSpaced(std::string_view utf8, TSpacedCheckUnit unit);
