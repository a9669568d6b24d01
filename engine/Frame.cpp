#include "engine/Frame.h"

#include "engine/FrameScan.h"

namespace {

// The list readers, after the encoding: they hand bytes on as they read, so a frame refused later
// leaves none behind.
template <typename ReadList>
TFrame ReadWhole(std::string_view text, std::vector<std::uint8_t>* bytes, ReadList read)
{
    if (auto flaw = EncodingFlaw(text))
        return Refused(*flaw);
    const std::size_t before = bytes ? bytes->size() : 0;
    TFrame frame = read(text, bytes);
    if (frame.Flaw && bytes)
        bytes->resize(before);
    return frame;
}

} // namespace

TFrame TFrameReader::Read(std::string_view text, TFrameFormat format,
                          std::vector<std::uint8_t>* bytes) const
{
    // No well-formed frame starts as text in another encoding does, so the fast readers (spaced,
    // packed) ask only once a frame is refused; the others ask first.
    switch (format) {
    case TFrameFormat::Spaced:
        return ReadSpaced(text, bytes);
    case TFrameFormat::Packed:
        return ReadPacked(text, 0, bytes);
    case TFrameFormat::ModbusAscii:
        if (text.empty() || text.front() != ':')
            return Refused(EncodingFlaw(text).value_or(TFlaw{TFlawKind::MissingColon, 0}));
        return ReadPacked(text, 1, bytes);
    case TFrameFormat::CArray:
        return ReadWhole(text, bytes, ReadCArray);
    case TFrameFormat::Colon:
        return ReadWhole(text, bytes, ReadColonSeparated);
    }
    throw ELrcError("a frame format without a reader");
}
