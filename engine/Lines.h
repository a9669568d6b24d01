#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The first LF or CR at or after `at`, or npos. Sixteen bytes at a time where every processor
// of the build has SSE2 (64-bit x86), else eight: a byte that equals LF or CR leaves a zero byte
// in the word xor'ed with that byte repeated, and the lowest zero byte is found exactly (a
// borrow can only mark bytes above it).
inline std::size_t FindLineEnd(std::string_view text, std::size_t at)
{
#ifdef __SSE2__
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        const int ends = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                                        _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))));
        if (ends != 0)
            return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(ends)));
    }
#endif
    constexpr std::uint64_t Ones = 0x0101010101010101, Highs = 0x8080808080808080;
    if constexpr (std::endian::native == std::endian::little) {
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + at, 8);
            const std::uint64_t lf = word ^ (Ones * '\n'), cr = word ^ (Ones * '\r');
            const std::uint64_t zero = ((lf - Ones) & ~lf & Highs) | ((cr - Ones) & ~cr & Highs);
            if (zero != 0)
                return at + static_cast<std::size_t>(std::countr_zero(zero) / 8);
        }
    }
    for (; at < text.size(); ++at)
        if (text[at] == '\n' || text[at] == '\r')
            return at;
    return std::string_view::npos;
}

// Cuts a stream of text into lines at LF, CR LF or CR, however the chunks fall; the line end
// is not part of the line. Holds one line at a time. onLine(std::string_view line) is called
// once per line, in order.
class TLineSplitter
{
public:
    template <typename OnLine> void Feed(std::string_view chunk, OnLine onLine)
    {
        for (std::size_t at = 0; at < chunk.size();) {
            if (m_afterCr && chunk[at] == '\n') {
                m_afterCr = false;
                ++at;
                continue;
            }
            m_afterCr = false;
            const std::size_t end = FindLineEnd(chunk, at);
            if (end == std::string_view::npos) {
                m_line.append(chunk.substr(at));
                return;
            }
            // A line that lies wholly in the chunk is handed on without a copy.
            if (m_line.empty()) {
                onLine(chunk.substr(at, end - at));
            } else {
                m_line.append(chunk.substr(at, end - at));
                onLine(std::string_view(m_line));
                m_line.clear();
            }
            m_afterCr = chunk[end] == '\r';
            at = end + 1;
        }
    }

    // The last line, when the text does not end with a line end.
    template <typename OnLine> void Finish(OnLine onLine)
    {
        if (!m_line.empty())
            onLine(std::string_view(m_line));
        m_line.clear();
    }

private:
    std::string m_line;
    bool m_afterCr = false;
};
