#pragma once

#include <algorithm>
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

// The last LF or CR in `text`, or npos.
inline std::size_t FindLastLineEnd(std::string_view text)
{
    for (std::size_t at = text.size(); at-- > 0;)
        if (text[at] == '\n' || text[at] == '\r')
            return at;
    return std::string_view::npos;
}

// The longest run of whole lines TLineSplitter hands on at once: offsets in it fit 32 bits, and
// what a checker keeps per character of it stays in the processor's cache.
inline constexpr std::size_t LineRunLimit = std::size_t{1} << 14;

// Cuts a stream of text into lines at LF, CR LF or CR, however the chunks fall; the line end
// is not part of the line. Holds one line at a time: the one a chunk ended inside.
class TLineSplitter
{
public:
    // onLine(std::string_view line) is called once per line, in order.
    template <typename OnLine> void Feed(std::string_view chunk, OnLine onLine)
    {
        Feed(chunk, onLine, [&](std::string_view run) { EachLine(run, onLine); });
    }

    // The same, with the lines that lie wholly in the chunk handed on many at a time where they
    // can be: onRun(std::string_view run) gets up to LineRunLimit characters of whole lines,
    // each with its line end. A run never starts with the LF of a CR LF whose CR ended the run
    // before it. onLine and onRun are called in the order of the lines.
    template <typename OnLine, typename OnRun>
    void Feed(std::string_view chunk, OnLine onLine, OnRun onRun)
    {
        for (std::size_t at = 0; at < chunk.size();) {
            if (m_afterCr && chunk[at] == '\n') {
                m_afterCr = false;
                ++at;
                continue;
            }
            m_afterCr = false;
            if (m_skipping) {
                const std::size_t end = FindLineEnd(chunk, at);
                if (end == std::string_view::npos)
                    return;
                m_skipping = false;
                m_afterCr = chunk[end] == '\r';
                at = end + 1;
                continue;
            }
            if (m_line.empty()) {
                const std::size_t last =
                    FindLastLineEnd(chunk.substr(at, std::min(LineRunLimit, chunk.size() - at)));
                if (last != std::string_view::npos) {
                    onRun(chunk.substr(at, last + 1));
                    m_afterCr = chunk[at + last] == '\r';
                    at += last + 1;
                    continue;
                }
            }
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
        m_skipping = false;
    }

    // The bytes of the line begun and not yet ended.
    std::size_t Held() const { return m_line.size(); }

    // Drops the line begun, and what follows of it up to its line end: no line is handed on for
    // it.
    void Skip()
    {
        m_line.clear();
        m_line.shrink_to_fit();
        m_skipping = true;
    }

private:
    // The lines of a run, one at a time.
    template <typename OnLine> static void EachLine(std::string_view run, OnLine& onLine)
    {
        for (std::size_t at = 0; at < run.size();) {
            const std::size_t end = FindLineEnd(run, at);
            onLine(run.substr(at, end - at));
            at = end + (run[end] == '\r' && end + 1 < run.size() && run[end + 1] == '\n' ? 2 : 1);
        }
    }

    std::string m_line;
    bool m_afterCr = false;
    bool m_skipping = false; // inside a line dropped by Skip
};
