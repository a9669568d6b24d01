#include "engine/PackedLines.h"

#include "engine/HexDigits.h"
#include "engine/HexLanes.h"
#include "engine/LrcError.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

// Where a pass puts, per 64 characters, a bit for each CR, each LF, each colon, and each
// character that is not a hex digit.
struct TWordMasks
{
    std::uint64_t* Cr;
    std::uint64_t* Lf;
    std::uint64_t* Colon;
    std::uint64_t* NotHex;

    TWordMasks operator+(std::size_t words) const
    {
        return {Cr + words, Lf + words, Colon + words, NotHex + words};
    }
    void Store(std::size_t word, std::uint64_t cr, std::uint64_t lf, std::uint64_t colon,
               std::uint64_t notHex) const
    {
        Cr[word] = cr;
        Lf[word] = lf;
        Colon[word] = colon;
        NotHex[word] = notHex;
    }
};

// Running sums, modulo 256, up to the character a pass has reached: of the digits, and of those
// at even offsets.
struct TRunningSums
{
    std::uint8_t Digits = 0, EvenDigits = 0;
};

// Where the running sums go: row[i] holds them for the characters before offset i.
struct TSumRows
{
    std::uint8_t* Digits;
    std::uint8_t* EvenDigits;

    TSumRows operator+(std::size_t offset) const { return {Digits + offset, EvenDigits + offset}; }
};

// The first pass over `words` words of 64 characters at `text`, whose first character lies at an
// even offset of the run and at offset 0 of the rows: each word's masks, and the running sums
// after each character, written from rows[1] on.
void ScalarPass(const unsigned char* text, std::size_t words, TWordMasks masks, TSumRows rows,
                TRunningSums& running)
{
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t cr = 0, lf = 0, colon = 0, notHex = 0;
        for (std::size_t i = 0; i < 64; ++i) {
            const std::size_t at = 64 * w + i;
            const int value = HexDigitValues[text[at]];
            const std::uint64_t bit = std::uint64_t{1} << i;
            cr |= text[at] == '\r' ? bit : 0;
            lf |= text[at] == '\n' ? bit : 0;
            colon |= text[at] == ':' ? bit : 0;
            notHex |= value < 0 ? bit : 0;
            const auto digit = static_cast<std::uint8_t>(value >= 0 ? value : 0);
            running.Digits = static_cast<std::uint8_t>(running.Digits + digit);
            running.EvenDigits =
                static_cast<std::uint8_t>(running.EvenDigits + (i % 2 == 0 ? digit : 0));
            rows.Digits[at + 1] = running.Digits;
            rows.EvenDigits[at + 1] = running.EvenDigits;
        }
        masks.Store(w, cr, lf, colon, notHex);
    }
}

#ifdef SUMVANE_X86

// The running sums of sixteen bytes, each lane the sum of the lanes up to it.
[[gnu::target("sse2")]] inline __m128i PrefixSums(__m128i x)
{
    x = _mm_add_epi8(x, _mm_slli_si128(x, 1));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 2));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
    return _mm_add_epi8(x, _mm_slli_si128(x, 8));
}

// The running sums of sixteen lanes after those before them (in every lane of `before`), stored
// at `row`; returns the sum after the last lane, in every lane.
[[gnu::target("sse2")]] inline __m128i StoreSums(__m128i lanes, __m128i before, std::uint8_t* row)
{
    const __m128i sums = _mm_add_epi8(PrefixSums(lanes), before);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row), sums);
    return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_unpackhi_epi8(sums, sums), 0xFF), 0xFF);
}

// A mask of sixteen lanes, placed as the k-th sixteen bits of a word's mask.
[[gnu::target("sse2")]] inline std::uint64_t LaneBits(__m128i set, std::size_t k)
{
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(set))) << (16 * k);
}

[[gnu::target("sse2")]] void Sse2Pass(const unsigned char* text, std::size_t words,
                                      TWordMasks masks, TSumRows rows, TRunningSums& running)
{
    __m128i digitsBefore = _mm_set1_epi8(static_cast<char>(running.Digits));
    __m128i evenBefore = _mm_set1_epi8(static_cast<char>(running.EvenDigits));
    const __m128i evenLanes = _mm_set1_epi16(0x00FF);
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t cr = 0, lf = 0, colon = 0, hexes = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t at = 64 * w + 16 * k;
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
            const THexLanes hex = HexLanes(v);
            const __m128i digits = _mm_and_si128(hex.Values, hex.Hex);
            digitsBefore = StoreSums(digits, digitsBefore, rows.Digits + at + 1);
            evenBefore =
                StoreSums(_mm_and_si128(digits, evenLanes), evenBefore, rows.EvenDigits + at + 1);
            cr |= LaneBits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), k);
            lf |= LaneBits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), k);
            colon |= LaneBits(_mm_cmpeq_epi8(v, _mm_set1_epi8(':')), k);
            hexes |= LaneBits(hex.Hex, k);
        }
        masks.Store(w, cr, lf, colon, ~hexes);
    }
    running.Digits = static_cast<std::uint8_t>(_mm_cvtsi128_si32(digitsBefore));
    running.EvenDigits = static_cast<std::uint8_t>(_mm_cvtsi128_si32(evenBefore));
}

// The same, thirty-two characters a step: the running sums of each half of the register, then
// the lower half's total added to the upper half.
[[gnu::target("avx2")]] inline __m256i StoreSums256(__m256i lanes, __m256i before,
                                                    std::uint8_t* row)
{
    __m256i x = lanes;
    x = _mm256_add_epi8(x, _mm256_slli_si256(x, 1));
    x = _mm256_add_epi8(x, _mm256_slli_si256(x, 2));
    x = _mm256_add_epi8(x, _mm256_slli_si256(x, 4));
    x = _mm256_add_epi8(x, _mm256_slli_si256(x, 8));
    const __m256i halfTotals = _mm256_shuffle_epi8(x, _mm256_set1_epi8(15));
    x = _mm256_add_epi8(x, _mm256_permute2x128_si256(halfTotals, halfTotals, 0x08));
    const __m256i sums = _mm256_add_epi8(x, before);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), sums);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(sums, _mm256_set1_epi8(15)), 0xFF);
}

[[gnu::target("avx2")]] inline std::uint64_t LaneBits256(__m256i set, std::size_t k)
{
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(set))) << (32 * k);
}

[[gnu::target("avx2")]] void Avx2Pass(const unsigned char* text, std::size_t words,
                                      TWordMasks masks, TSumRows rows, TRunningSums& running)
{
    __m256i digitsBefore = _mm256_set1_epi8(static_cast<char>(running.Digits));
    __m256i evenBefore = _mm256_set1_epi8(static_cast<char>(running.EvenDigits));
    const __m256i evenLanes = _mm256_set1_epi16(0x00FF);
    for (std::size_t w = 0; w < words; ++w) {
        std::uint64_t cr = 0, lf = 0, colon = 0, hexes = 0;
        for (std::size_t k = 0; k < 2; ++k) {
            const std::size_t at = 64 * w + 32 * k;
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + at));
            const THexLanes256 hex = HexLanes256(v);
            const __m256i digits = _mm256_and_si256(hex.Values, hex.Hex);
            digitsBefore = StoreSums256(digits, digitsBefore, rows.Digits + at + 1);
            evenBefore = StoreSums256(_mm256_and_si256(digits, evenLanes), evenBefore,
                                      rows.EvenDigits + at + 1);
            cr |= LaneBits256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')), k);
            lf |= LaneBits256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n')), k);
            colon |= LaneBits256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(':')), k);
            hexes |= LaneBits256(hex.Hex, k);
        }
        masks.Store(w, cr, lf, colon, ~hexes);
    }
    running.Digits = static_cast<std::uint8_t>(_mm256_cvtsi256_si32(digitsBefore));
    running.EvenDigits = static_cast<std::uint8_t>(_mm256_cvtsi256_si32(evenBefore));
}

#endif

// The bits set in a word, without a branch and without the processor's own count, which the
// builds may not assume (the compiler would call a library routine for std::popcount).
inline std::size_t BitCount(std::uint64_t x)
{
    x -= (x >> 1) & 0x5555555555555555;
    x = (x & 0x3333333333333333) + ((x >> 2) & 0x3333333333333333);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return static_cast<std::size_t>((x * 0x0101010101010101) >> 56);
}

void Pass([[maybe_unused]] TPairCheckUnit unit, const unsigned char* text, std::size_t words,
          TWordMasks masks, TSumRows rows, TRunningSums& running)
{
#ifdef SUMVANE_X86
    if (unit == TPairCheckUnit::Avx2)
        return Avx2Pass(text, words, masks, rows, running);
    if (unit == TPairCheckUnit::Sse2)
        return Sse2Pass(text, words, masks, rows, running);
#endif
    ScalarPass(text, words, masks, rows, running);
}

} // namespace

TPackedLines::TPackedLines(bool colon, TPairCheckUnit unit) : m_colon(colon), m_unit(unit)
{
    if (!HasPairCheckUnit(unit))
        throw ELrcError("the processor has no such vector unit");
}

const std::vector<TLineCheck>& TPackedLines::Check(std::string_view run)
{
    const std::size_t size = run.size();
    if (size >= std::numeric_limits<std::uint32_t>::max())
        throw ELrcError("a run of lines of 4 GiB or more");
    const std::size_t whole = size / 64, words = (size + 63) / 64;
    // Room for every character's sums, and for the four line ends written ahead of a word's count.
    std::uint8_t* const digitSums = m_digitSums.Room(64 * words + 1);
    std::uint8_t* const evenDigitSums = m_evenDigitSums.Room(64 * words + 1);
    std::uint64_t* const wordMasks = m_masks.Room(4 * words);
    std::uint32_t* const endsAt = m_lineEnds.Room(64 * words + 4);
    m_strays.clear();

    const auto* text = reinterpret_cast<const unsigned char*>(run.data());
    const TWordMasks masks{wordMasks, wordMasks + words, wordMasks + 2 * words,
                           wordMasks + 3 * words};
    const TSumRows rows{digitSums, evenDigitSums};
    digitSums[0] = evenDigitSums[0] = 0;
    TRunningSums running;
    Pass(m_unit, text, whole, masks, rows, running);
    if (whole < words) { // the last characters, then zeros: no digit, no line end
        unsigned char tail[64] = {};
        std::memcpy(tail, text + 64 * whole, size - 64 * whole);
        Pass(m_unit, tail, 1, masks + whole, rows + 64 * whole, running);
        masks.NotHex[whole] &= (std::uint64_t{1} << (size - 64 * whole)) - 1;
    }

    // A line ends at each CR, and at each LF but the one of a CR LF; it starts after its end. Any
    // other character that is not a hex digit (but a Modbus frame's leading colon) is a stray,
    // which makes its line no frame; strays are few, kept apart to be placed in their lines
    // last. Four line ends are written whatever the count, so that the common word (up to four)
    // takes no branch on how many it holds.
    std::size_t ends = 0;
    std::uint64_t crBefore = 0, endBefore = 1; // the run starts a line
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t cr = masks.Cr[w], lf = masks.Lf[w];
        const std::uint64_t lfAfterCr = lf & ((cr << 1) | crBefore);
        const std::uint64_t starts = (((cr | lf) << 1) | endBefore) & ~lfAfterCr;
        crBefore = cr >> 63;
        endBefore = (cr | lf) >> 63;
        std::uint64_t strays =
            masks.NotHex[w] & ~(cr | lf) & ~(m_colon ? masks.Colon[w] & starts : 0);
        if (strays != 0) [[unlikely]] {
            for (; strays != 0; strays &= strays - 1)
                m_strays.push_back(static_cast<std::uint32_t>(64 * w) +
                                   static_cast<std::uint32_t>(std::countr_zero(strays)));
        }
        std::uint64_t lineEnds = (cr | lf) & ~lfAfterCr;
        const std::size_t count = BitCount(lineEnds);
        std::uint32_t* out = endsAt + ends;
        const auto base = static_cast<std::uint32_t>(64 * w);
        for (std::size_t k = 0; k < 4; ++k) {
            out[k] = base + static_cast<std::uint32_t>(std::countr_zero(lineEnds));
            lineEnds &= lineEnds - 1;
        }
        for (std::size_t k = 4; k < count; ++k) {
            out[k] = base + static_cast<std::uint32_t>(std::countr_zero(lineEnds));
            lineEnds &= lineEnds - 1;
        }
        ends += count;
    }

    m_lines.resize(ends);
    std::uint32_t begin = 0;
    for (std::size_t k = 0; k < ends; ++k) {
        const std::uint32_t end = endsAt[k];
        // The pairs start after the colon; a line too short to hold one reads from its end.
        // (Bitwise, not short-circuit: every part is cheap, and a branch would be mispredicted
        // at every badly formed line.) text[begin] is the line end itself on an empty line.
        const std::uint32_t pairs = std::min(begin + (m_colon ? 1u : 0u), end);
        const std::uint32_t digits = end - pairs;
        const bool wellFormed =
            (!m_colon | (text[begin] == ':')) & (digits >= 2) & (digits % 2 == 0);
        // The byte sum is 16 × the high digits + the low digits; the high digits lie at the
        // offsets of the parity of the first one.
        const auto all = static_cast<std::uint8_t>(digitSums[end] - digitSums[pairs]);
        const auto even = static_cast<std::uint8_t>(evenDigitSums[end] - evenDigitSums[pairs]);
        const auto sum =
            static_cast<std::uint8_t>(pairs % 2 == 0 ? 15 * even + all : 16 * all - 15 * even);
        m_lines[k] = {begin, end, digits / 2, sum, wellFormed};
        const bool crLf = (text[end] == '\r') & (end + 1 < size) && text[end + 1] == '\n';
        begin = end + (crLf ? 2 : 1);
    }
    // A stray belongs to the line that ends next (if any: characters after the last line end
    // are no line).
    std::size_t line = 0;
    for (const std::uint32_t stray : m_strays) {
        while (line < ends && endsAt[line] < stray)
            ++line;
        if (line == ends)
            break;
        m_lines[line].WellFormed = false;
    }
    return m_lines;
}
