#pragma once

// Hex digits recognised sixteen (SSE2) or thirty-two (AVX2) characters at a time, for the vector
// checks of the tool's frames. Every function carries its target itself: no build assumes AVX2,
// the 32-bit Windows build not even SSE2, and these are called only where the processor has it.

#if defined(__x86_64__) || defined(__i386__)
#define SUMVANE_X86 1
#include <immintrin.h>

// Lanes whose byte lies in [low, high]: shifted so that the range starts at the smallest signed
// byte, one signed comparison decides.
[[gnu::target("sse2")]] inline __m128i InRange(__m128i v, char low, char high)
{
    const __m128i shifted = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(0x80 + (high - low + 1))));
}

// The lanes that hold an ASCII hex digit (all ones), and each digit's value: exact in those
// lanes, meaningless in the others.
struct THexLanes
{
    __m128i Hex;
    __m128i Values;
};

[[gnu::target("sse2")]] inline THexLanes HexLanes(__m128i v)
{
    const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'f');
    return {_mm_or_si128(InRange(v, '0', '9'), letter),
            _mm_add_epi8(_mm_and_si128(v, _mm_set1_epi8(0x0F)),
                         _mm_and_si128(letter, _mm_set1_epi8(9)))};
}

[[gnu::target("avx2")]] inline __m256i InRange256(__m256i v, char low, char high)
{
    const __m256i shifted = _mm256_add_epi8(v, _mm256_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + (high - low + 1))), shifted);
}

// The same for thirty-two characters.
struct THexLanes256
{
    __m256i Hex;
    __m256i Values;
};

[[gnu::target("avx2")]] inline THexLanes256 HexLanes256(__m256i v)
{
    const __m256i letter = InRange256(_mm256_or_si256(v, _mm256_set1_epi8(0x20)), 'a', 'f');
    return {_mm256_or_si256(InRange256(v, '0', '9'), letter),
            _mm256_add_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x0F)),
                            _mm256_and_si256(letter, _mm256_set1_epi8(9)))};
}
#endif
