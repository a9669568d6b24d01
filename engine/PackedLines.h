#pragma once

#include "engine/PairCheck.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// One line of a run of lines, cut as TLineSplitter cuts it (its line end not part of it), and
// whether it is a well-formed frame, exactly as TFrameReader reads a packed or Modbus ASCII frame
// of that text: then its byte count and the sum of its bytes modulo 256.
struct TLineCheck
{
    std::uint32_t Begin = 0; // the line is run[Begin, End)
    std::uint32_t End = 0;
    std::uint32_t ByteCount = 0;
    std::uint8_t Sum = 0;
    bool WellFormed = false;
};

// A log of packed or Modbus ASCII frames, one a line, checked a run of many lines at a time. One
// pass over the run finds the line ends and the characters that are not hex digits as bit masks
// and keeps running digit sums; each line's verdict and byte sum are then read off at its two
// ends. So no branch depends on where a line ends or how long it is, which is what costs most in
// a log of frames of varying length read one frame at a time.
class TPackedLines
{
public:
    // `colon`: every frame starts with ':' (Modbus ASCII); else the line is nothing but pairs.
    explicit TPackedLines(bool colon, TPairCheckUnit unit = BestPairCheckUnit());

    // The lines of `run`, in order. The run is whole lines: empty, or ending with a line end (LF,
    // CR or CR LF), or else what follows its last line end is no line; it does not start with the
    // LF of a CR LF whose CR lies before it; it is shorter than 4 GiB. The result stays valid
    // until the next call.
    const std::vector<TLineCheck>& Check(std::string_view run);

private:
    // Room for a run's values, kept from run to run and never cleared: a run reads only what it
    // wrote, so the memory a log takes is what its runs use, not what they might.
    template <typename T> class TScratch
    {
    public:
        T* Room(std::size_t size)
        {
            if (size > m_size) {
                m_values.reset(new T[size]);
                m_size = size;
            }
            return m_values.get();
        }

    private:
        std::unique_ptr<T[]> m_values;
        std::size_t m_size = 0;
    };

    bool m_colon;
    TPairCheckUnit m_unit;
    // Per offset i of the run, modulo 256: the sum of the digits before i, and of those of them
    // at even offsets.
    TScratch<std::uint8_t> m_digitSums, m_evenDigitSums;
    TScratch<std::uint64_t> m_masks;     // per 64 characters: CR, LF, colon, not a hex digit
    TScratch<std::uint32_t> m_lineEnds;  // the offset of each line's end
    std::vector<std::uint32_t> m_strays; // offsets of characters that belong in no frame
    std::vector<TLineCheck> m_lines;
};
