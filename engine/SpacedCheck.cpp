#include "engine/SpacedCheck.h"

#include "engine/HexDigits.h"

#include <array>
#include <cstdint>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#define SUMVANE_X86 1
#include <immintrin.h>
#endif

namespace {

// Byte classes: a hex digit, or a separator between pairs (tab, LF, FF, CR, blank).
constexpr std::uint8_t Hex = 1, Separator = 2;
constexpr std::array<std::uint8_t, 256> Classes = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c)
        classes[c] = HexDigitValues[c] >= 0 ? Hex : 0;
    for (const int c : {'\t', '\n', '\f', '\r', ' '})
        classes[c] = Separator;
    return classes;
}();

// The length of the newline sequence at the end of the text that the pattern's $ may stand
// before (LF, VT, FF, CR, CR LF, U+0085, U+2028, U+2029), or 0. Where the text ends in CR LF,
// setting both aside reads every text the pattern reads with the CR as the last separator too.
std::size_t FinalNewline(std::string_view t)
{
    const std::size_t n = t.size();
    if (n >= 2 && t[n - 2] == '\r' && t[n - 1] == '\n')
        return 2;
    if (n >= 1 && t[n - 1] >= '\n' && t[n - 1] <= '\r')
        return 1;
    if (n >= 2 && t.substr(n - 2) == "\xC2\x85")
        return 2;
    if (n >= 3 && (t.substr(n - 3) == "\xE2\x80\xA8" || t.substr(n - 3) == "\xE2\x80\xA9"))
        return 3;
    return 0;
}

// The digit sums of the pairs a vector unit has passed, and how far it got: a multiple of 3.
struct TSums
{
    std::uint64_t High = 0, Low = 0;
    std::size_t At = 0;
};

// Whole groups from `sums.At` on, one at a time, up to the body's end or the first group that is
// not one; then the last pair without its separator, if the body ends with one.
TSpacedCheck Finish(const unsigned char* body, std::size_t size, TSums sums)
{
    TSpacedCheck check;
    std::size_t at = sums.At;
    for (; at + 3 <= size; at += 3) {
        const int high = HexDigitValues[body[at]], low = HexDigitValues[body[at + 1]];
        if ((high | low) < 0 || Classes[body[at + 2]] != Separator) {
            check.Clean = at;
            return check;
        }
        sums.High += static_cast<std::uint64_t>(high);
        sums.Low += static_cast<std::uint64_t>(low);
    }
    check.Clean = at;
    if (size - at == 1 || size == 0) // a lone digit or separator; nothing at all
        return check;
    if (size - at == 2) {
        const int high = HexDigitValues[body[at]], low = HexDigitValues[body[at + 1]];
        if ((high | low) < 0)
            return check;
        sums.High += static_cast<std::uint64_t>(high);
        sums.Low += static_cast<std::uint64_t>(low);
    }
    const std::size_t last = size % 3 == 2 ? size - 2 : size - 3;
    const std::size_t bytes = (size + 1) / 3;
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");
    check.Result.Valid = true;
    check.Result.ByteCount = static_cast<std::int32_t>(bytes);
    const auto sum = static_cast<unsigned>((16 * sums.High + sums.Low) % 256);
    check.Result.Lrc = static_cast<int>((256 - sum) % 256);
    check.LastByte = HexDigitValues[body[last]] * 16 + HexDigitValues[body[last + 1]];
    return check;
}

#ifdef SUMVANE_X86

// Each vector's lanes by their offset modulo 3 in a block of three vectors (48 or 96 bytes, a
// multiple of 3, so every block starts a group): 0 a high digit, 1 a low digit, 2 a separator.
template <std::size_t Lanes> constexpr auto PhaseMasks(int phase)
{
    std::array<std::array<std::uint8_t, Lanes>, 3> masks{};
    for (std::size_t vector = 0; vector < 3; ++vector)
        for (std::size_t lane = 0; lane < Lanes; ++lane)
            masks[vector][lane] =
                (vector * Lanes + lane) % 3 == static_cast<std::size_t>(phase) ? 0xFF : 0x00;
    return masks;
}

alignas(32) constexpr auto HighLanes16 = PhaseMasks<16>(0);
alignas(32) constexpr auto LowLanes16 = PhaseMasks<16>(1);
alignas(32) constexpr auto SeparatorLanes16 = PhaseMasks<16>(2);
alignas(32) constexpr auto HighLanes32 = PhaseMasks<32>(0);
alignas(32) constexpr auto LowLanes32 = PhaseMasks<32>(1);
alignas(32) constexpr auto SeparatorLanes32 = PhaseMasks<32>(2);

// Lanes whose byte lies in [low, high]: shifted so that the range starts at the smallest signed
// byte, one signed comparison decides.
[[gnu::target("sse2")]] inline __m128i InRange(__m128i v, char low, char high)
{
    const __m128i shifted = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(0x80 + (high - low + 1))));
}

[[gnu::target("sse2")]] inline __m128i Load(const std::array<std::uint8_t, 16>& lanes)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.data()));
}

[[gnu::target("sse2")]] TSums Sse2Sums(const unsigned char* body, std::size_t size)
{
    __m128i high = _mm_setzero_si128(), low = _mm_setzero_si128();
    std::size_t at = 0;
    for (; at + 48 <= size; at += 48) {
        __m128i values[3];
        bool passed = true;
        for (int k = 0; k < 3; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(body + at + 16 * k));
            const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'f');
            const __m128i hex = _mm_or_si128(InRange(v, '0', '9'), letter);
            const __m128i separator = _mm_or_si128(
                _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\v')), InRange(v, '\t', '\r')),
                _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
            const __m128i digitLanes = _mm_or_si128(Load(HighLanes16[k]), Load(LowLanes16[k]));
            const __m128i good = _mm_or_si128(_mm_and_si128(hex, digitLanes),
                                              _mm_and_si128(separator, Load(SeparatorLanes16[k])));
            passed = passed && _mm_movemask_epi8(good) == 0xFFFF;
            values[k] = _mm_add_epi8(_mm_and_si128(v, _mm_set1_epi8(0x0F)),
                                     _mm_and_si128(letter, _mm_set1_epi8(9)));
        }
        if (!passed)
            break;
        for (int k = 0; k < 3; ++k) {
            const __m128i zero = _mm_setzero_si128();
            high = _mm_add_epi64(
                high, _mm_sad_epu8(_mm_and_si128(values[k], Load(HighLanes16[k])), zero));
            low = _mm_add_epi64(low,
                                _mm_sad_epu8(_mm_and_si128(values[k], Load(LowLanes16[k])), zero));
        }
    }
    alignas(16) std::uint64_t h[2], l[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(h), high);
    _mm_store_si128(reinterpret_cast<__m128i*>(l), low);
    return {h[0] + h[1], l[0] + l[1], at};
}

[[gnu::target("avx2")]] inline __m256i InRange256(__m256i v, char low, char high)
{
    const __m256i shifted = _mm256_add_epi8(v, _mm256_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + (high - low + 1))), shifted);
}

[[gnu::target("avx2")]] inline __m256i Load(const std::array<std::uint8_t, 32>& lanes)
{
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.data()));
}

[[gnu::target("avx2")]] TSums Avx2Sums(const unsigned char* body, std::size_t size)
{
    __m256i high = _mm256_setzero_si256(), low = _mm256_setzero_si256();
    std::size_t at = 0;
    for (; at + 96 <= size; at += 96) {
        __m256i values[3];
        bool passed = true;
        for (int k = 0; k < 3; ++k) {
            const __m256i v =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(body + at + 32 * k));
            const __m256i letter = InRange256(_mm256_or_si256(v, _mm256_set1_epi8(0x20)), 'a', 'f');
            const __m256i hex = _mm256_or_si256(InRange256(v, '0', '9'), letter);
            const __m256i separator =
                _mm256_or_si256(_mm256_andnot_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\v')),
                                                    InRange256(v, '\t', '\r')),
                                _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')));
            const __m256i digitLanes = _mm256_or_si256(Load(HighLanes32[k]), Load(LowLanes32[k]));
            const __m256i good =
                _mm256_or_si256(_mm256_and_si256(hex, digitLanes),
                                _mm256_and_si256(separator, Load(SeparatorLanes32[k])));
            passed = passed && _mm256_movemask_epi8(good) == -1;
            values[k] = _mm256_add_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x0F)),
                                        _mm256_and_si256(letter, _mm256_set1_epi8(9)));
        }
        if (!passed)
            break;
        for (int k = 0; k < 3; ++k) {
            high = _mm256_add_epi64(
                high, _mm256_sad_epu8(_mm256_and_si256(values[k], Load(HighLanes32[k])),
                                      _mm256_setzero_si256()));
            low = _mm256_add_epi64(low,
                                   _mm256_sad_epu8(_mm256_and_si256(values[k], Load(LowLanes32[k])),
                                                   _mm256_setzero_si256()));
        }
    }
    alignas(32) std::uint64_t h[4], l[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(h), high);
    _mm256_store_si256(reinterpret_cast<__m256i*>(l), low);
    return {h[0] + h[1] + h[2] + h[3], l[0] + l[1] + l[2] + l[3], at};
}

#endif

} // namespace

bool HasSpacedCheckUnit(TSpacedCheckUnit unit)
{
    switch (unit) {
    case TSpacedCheckUnit::Scalar:
        return true;
#ifdef SUMVANE_X86
    case TSpacedCheckUnit::Sse2:
        return __builtin_cpu_supports("sse2");
    case TSpacedCheckUnit::Avx2:
        return __builtin_cpu_supports("avx2");
#else
    case TSpacedCheckUnit::Sse2:
    case TSpacedCheckUnit::Avx2:
        return false;
#endif
    }
    return false;
}

TSpacedCheckUnit BestSpacedCheckUnit()
{
    static const TSpacedCheckUnit best = [] {
        for (const auto unit : {TSpacedCheckUnit::Avx2, TSpacedCheckUnit::Sse2})
            if (HasSpacedCheckUnit(unit))
                return unit;
        return TSpacedCheckUnit::Scalar;
    }();
    return best;
}

TSpacedCheck CheckSpaced(std::string_view utf8)
{
    return CheckSpaced(utf8, BestSpacedCheckUnit());
}

TSpacedCheck CheckSpaced(std::string_view utf8, TSpacedCheckUnit unit)
{
    const auto* body = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size() - FinalNewline(utf8);
    TSums sums;
#ifdef SUMVANE_X86
    if (unit == TSpacedCheckUnit::Avx2)
        sums = Avx2Sums(body, size);
    else if (unit == TSpacedCheckUnit::Sse2)
        sums = Sse2Sums(body, size);
#else
    (void)unit;
#endif
    return Finish(body, size, sums);
}
