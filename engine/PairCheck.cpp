#include "engine/PairCheck.h"

#include "engine/HexDigits.h"
#include "engine/HexLanes.h"

#include <array>
#include <cstdint>
#include <limits>

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

// The digit sums of the pairs a vector unit has passed, and how far it got: a whole number of
// pairs (with their separators).
struct TSums
{
    std::uint64_t High = 0, Low = 0;
    std::size_t At = 0;
};

// How pairs are laid out: spaced, a separator after each pair but perhaps the last; or packed.
enum class TLayout
{
    Spaced,
    Packed,
};

TPairCheck Accepted(std::uint64_t high, std::uint64_t low, std::size_t bytes, int lastByte)
{
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");
    TPairCheck check;
    check.Result.Valid = true;
    check.Result.ByteCount = static_cast<std::int32_t>(bytes);
    const auto sum = static_cast<unsigned>((16 * high + low) % 256);
    check.Result.Lrc = static_cast<int>((256 - sum) % 256);
    check.LastByte = lastByte;
    return check;
}

// The rest, one pair at a time from where a vector unit stopped, up to the end or the first pair
// that is not one.
template <TLayout Layout> TPairCheck Finish(const unsigned char* body, std::size_t size, TSums sums)
{
    constexpr std::size_t Step = Layout == TLayout::Spaced ? 3 : 2;
    TPairCheck refused;
    std::size_t at = sums.At;
    for (; at + Step <= size; at += Step) {
        const int high = HexDigitValues[body[at]], low = HexDigitValues[body[at + 1]];
        if ((high | low) < 0 || (Layout == TLayout::Spaced && Classes[body[at + 2]] != Separator)) {
            refused.Clean = at;
            return refused;
        }
        sums.High += static_cast<std::uint64_t>(high);
        sums.Low += static_cast<std::uint64_t>(low);
    }
    refused.Clean = at;
    const std::size_t left = size - at; // Spaced: 0, 1 or 2; packed: 0 or 1
    if (size == 0 || left == 1)         // nothing at all, or a lone digit or separator
        return refused;
    if (left == 2) { // spaced text's last pair, without its separator
        const int high = HexDigitValues[body[at]], low = HexDigitValues[body[at + 1]];
        if ((high | low) < 0)
            return refused;
        sums.High += static_cast<std::uint64_t>(high);
        sums.Low += static_cast<std::uint64_t>(low);
    }
    const std::size_t last = Layout == TLayout::Packed || size % 3 == 2 ? size - 2 : size - 3;
    const std::size_t bytes = Layout == TLayout::Packed ? size / 2 : (size + 1) / 3;
    return Accepted(sums.High, sums.Low, bytes,
                    HexDigitValues[body[last]] * 16 + HexDigitValues[body[last + 1]]);
}

#ifdef SUMVANE_X86

// Each vector's lanes in a block by what the lane holds: a pair's high digit (role 0), its low
// digit (1), or a separator (2). A block is a whole number of pairs, so that every block starts
// one: three vectors for spaced text's groups of three bytes, one for packed pairs.
template <std::size_t Lanes, TLayout Layout> struct TLanes
{
    static constexpr int Vectors = Layout == TLayout::Spaced ? 3 : 1;
    static constexpr std::size_t Block = Vectors * Lanes;

    static constexpr auto Of(std::size_t role)
    {
        constexpr std::size_t Period = Layout == TLayout::Spaced ? 3 : 2;
        std::array<std::array<std::uint8_t, Lanes>, 3> masks{};
        for (std::size_t vector = 0; vector < 3; ++vector)
            for (std::size_t lane = 0; lane < Lanes; ++lane)
                masks[vector][lane] = (vector * Lanes + lane) % Period == role ? 0xFF : 0x00;
        return masks;
    }
    alignas(32) static constexpr auto High = Of(0);
    alignas(32) static constexpr auto Low = Of(1);
    alignas(32) static constexpr auto Separator = Of(2);
};

[[gnu::target("sse2")]] inline __m128i Load(const std::array<std::uint8_t, 16>& lanes)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.data()));
}

template <TLayout Layout>
[[gnu::target("sse2")]] TSums Sse2Sums(const unsigned char* body, std::size_t size)
{
    using Lanes16 = TLanes<16, Layout>;
    __m128i high = _mm_setzero_si128(), low = _mm_setzero_si128();
    std::size_t at = 0;
    for (; at + Lanes16::Block <= size; at += Lanes16::Block) {
        __m128i values[3];
        bool passed = true;
        for (int k = 0; k < Lanes16::Vectors; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(body + at + 16 * k));
            const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'f');
            const __m128i hex = _mm_or_si128(InRange(v, '0', '9'), letter);
            const __m128i separator = _mm_or_si128(
                _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\v')), InRange(v, '\t', '\r')),
                _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
            const __m128i digitLanes = _mm_or_si128(Load(Lanes16::High[k]), Load(Lanes16::Low[k]));
            const __m128i good =
                _mm_or_si128(_mm_and_si128(hex, digitLanes),
                             _mm_and_si128(separator, Load(Lanes16::Separator[k])));
            passed = passed && _mm_movemask_epi8(good) == 0xFFFF;
            values[k] = _mm_add_epi8(_mm_and_si128(v, _mm_set1_epi8(0x0F)),
                                     _mm_and_si128(letter, _mm_set1_epi8(9)));
        }
        if (!passed)
            break;
        for (int k = 0; k < Lanes16::Vectors; ++k) {
            const __m128i zero = _mm_setzero_si128();
            high = _mm_add_epi64(
                high, _mm_sad_epu8(_mm_and_si128(values[k], Load(Lanes16::High[k])), zero));
            low = _mm_add_epi64(
                low, _mm_sad_epu8(_mm_and_si128(values[k], Load(Lanes16::Low[k])), zero));
        }
    }
    alignas(16) std::uint64_t h[2], l[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(h), high);
    _mm_store_si128(reinterpret_cast<__m128i*>(l), low);
    return {h[0] + h[1], l[0] + l[1], at};
}

// Sixteen characters of packed pairs: a lane mask of the hex digits among them, and in `bytes`
// each pair's byte in its 16-bit lane.
[[gnu::target("sse2")]] inline int PackedPairs(__m128i v, __m128i& bytes)
{
    const THexLanes digits = HexLanes(v);
    bytes = _mm_add_epi16(_mm_slli_epi16(_mm_and_si128(digits.Values, _mm_set1_epi16(0x00FF)), 4),
                          _mm_srli_epi16(digits.Values, 8));
    return _mm_movemask_epi8(digits.Hex);
}

// Packed pairs a vector at a time, for the short frames of a log as much as for long texts:
// each pair's byte is formed in its 16-bit lane (high digit × 16 + low digit), so one sum of
// absolute differences adds eight bytes. The pairs left over after the last whole vector are
// taken from the sixteen bytes that end the text, of which only those not yet summed count.
// The sums come back as Low (High stays 0).
[[gnu::target("sse2")]] TSums Sse2PackedSums(const unsigned char* body, std::size_t size)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero;
    std::size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        __m128i bytes;
        if (PackedPairs(_mm_loadu_si128(reinterpret_cast<const __m128i*>(body + at)), bytes) !=
            0xFFFF)
            break;
        sum = _mm_add_epi64(sum, _mm_sad_epu8(bytes, zero));
    }
    const std::size_t left = size - at;
    if (at + 16 > size && size >= 16 && left > 0 && left % 2 == 0) {
        // Sixteen lanes read from `left` on: the first 16 - left off, the rest on.
        alignas(16) static constexpr std::array<std::uint8_t, 32> Fresh = [] {
            std::array<std::uint8_t, 32> fresh{};
            for (std::size_t lane = 16; lane < 32; ++lane)
                fresh[lane] = 0xFF;
            return fresh;
        }();
        __m128i bytes;
        if (PackedPairs(_mm_loadu_si128(reinterpret_cast<const __m128i*>(body + size - 16)),
                        bytes) == 0xFFFF) {
            const __m128i fresh =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(Fresh.data() + left));
            sum = _mm_add_epi64(sum, _mm_sad_epu8(_mm_and_si128(bytes, fresh), zero));
            at = size;
        }
    }
    alignas(16) std::uint64_t halves[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(halves), sum);
    return {0, halves[0] + halves[1], at};
}

[[gnu::target("avx2")]] inline __m256i Load(const std::array<std::uint8_t, 32>& lanes)
{
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.data()));
}

template <TLayout Layout>
[[gnu::target("avx2")]] TSums Avx2Sums(const unsigned char* body, std::size_t size)
{
    using Lanes32 = TLanes<32, Layout>;
    __m256i high = _mm256_setzero_si256(), low = _mm256_setzero_si256();
    std::size_t at = 0;
    for (; at + Lanes32::Block <= size; at += Lanes32::Block) {
        __m256i values[3];
        bool passed = true;
        for (int k = 0; k < Lanes32::Vectors; ++k) {
            const __m256i v =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(body + at + 32 * k));
            const __m256i letter = InRange256(_mm256_or_si256(v, _mm256_set1_epi8(0x20)), 'a', 'f');
            const __m256i hex = _mm256_or_si256(InRange256(v, '0', '9'), letter);
            const __m256i separator =
                _mm256_or_si256(_mm256_andnot_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\v')),
                                                    InRange256(v, '\t', '\r')),
                                _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')));
            const __m256i digitLanes =
                _mm256_or_si256(Load(Lanes32::High[k]), Load(Lanes32::Low[k]));
            const __m256i good =
                _mm256_or_si256(_mm256_and_si256(hex, digitLanes),
                                _mm256_and_si256(separator, Load(Lanes32::Separator[k])));
            passed = passed && _mm256_movemask_epi8(good) == -1;
            values[k] = _mm256_add_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x0F)),
                                        _mm256_and_si256(letter, _mm256_set1_epi8(9)));
        }
        if (!passed)
            break;
        for (int k = 0; k < Lanes32::Vectors; ++k) {
            high = _mm256_add_epi64(
                high, _mm256_sad_epu8(_mm256_and_si256(values[k], Load(Lanes32::High[k])),
                                      _mm256_setzero_si256()));
            low = _mm256_add_epi64(
                low, _mm256_sad_epu8(_mm256_and_si256(values[k], Load(Lanes32::Low[k])),
                                     _mm256_setzero_si256()));
        }
    }
    alignas(32) std::uint64_t h[4], l[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(h), high);
    _mm256_store_si256(reinterpret_cast<__m256i*>(l), low);
    // What is left of a passing text may still hold a block of half the size: short frames, a
    // log's lines, are mostly that.
    TSums rest{};
    if (at + Lanes32::Block > size)
        rest = Layout == TLayout::Packed ? Sse2PackedSums(body + at, size - at)
                                         : Sse2Sums<Layout>(body + at, size - at);
    return {h[0] + h[1] + h[2] + h[3] + rest.High, l[0] + l[1] + l[2] + l[3] + rest.Low,
            at + rest.At};
}

#endif

} // namespace

bool HasPairCheckUnit(TPairCheckUnit unit)
{
    switch (unit) {
    case TPairCheckUnit::Scalar:
        return true;
#ifdef SUMVANE_X86
    case TPairCheckUnit::Sse2:
        return __builtin_cpu_supports("sse2");
    case TPairCheckUnit::Avx2:
        return __builtin_cpu_supports("avx2");
#else
    case TPairCheckUnit::Sse2:
    case TPairCheckUnit::Avx2:
        return false;
#endif
    }
    return false;
}

TPairCheckUnit BestPairCheckUnit()
{
    static const TPairCheckUnit best = [] {
        for (const auto unit : {TPairCheckUnit::Avx2, TPairCheckUnit::Sse2})
            if (HasPairCheckUnit(unit))
                return unit;
        return TPairCheckUnit::Scalar;
    }();
    return best;
}

namespace {

template <TLayout Layout> TPairCheck Check(std::string_view body, TPairCheckUnit unit)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(body.data());
    TSums sums;
#ifdef SUMVANE_X86
    // A text shorter than a few of the wider unit's blocks goes to the narrower one at once: for
    // the short frames of a log, setting up the wider one costs more than it saves.
    const bool wide =
        body.size() >= (Layout == TLayout::Packed ? 4 : 2) * TLanes<32, Layout>::Block;
    if (unit == TPairCheckUnit::Avx2 && wide)
        sums = Avx2Sums<Layout>(bytes, body.size());
    else if (unit != TPairCheckUnit::Scalar && Layout == TLayout::Packed)
        sums = Sse2PackedSums(bytes, body.size());
    else if (unit != TPairCheckUnit::Scalar)
        sums = Sse2Sums<Layout>(bytes, body.size());
#else
    (void)unit;
#endif
    return Finish<Layout>(bytes, body.size(), sums);
}

} // namespace

TPairCheck CheckSpaced(std::string_view utf8)
{
    return CheckSpaced(utf8, BestPairCheckUnit());
}

TPairCheck CheckSpaced(std::string_view utf8, TPairCheckUnit unit)
{
    return Check<TLayout::Spaced>(utf8.substr(0, utf8.size() - FinalNewline(utf8)), unit);
}

TPairCheck CheckPacked(std::string_view pairs)
{
    return CheckPacked(pairs, BestPairCheckUnit());
}

TPairCheck CheckPacked(std::string_view pairs, TPairCheckUnit unit)
{
    return Check<TLayout::Packed>(pairs, unit);
}
