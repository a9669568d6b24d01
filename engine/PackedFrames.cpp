// Pairs with nothing between them: the packed format, and a Modbus ASCII frame after its colon.
#include "engine/FrameScan.h"
#include "engine/PairCheck.h"

namespace {

// The length of the line end these frames may close with: LF or CR LF.
std::size_t FinalLineEndLength(std::string_view text)
{
    return text.ends_with("\r\n") ? 2 : text.ends_with('\n') ? 1 : 0;
}

} // namespace

// Checked a vector at a time; a refused frame is read again, from the first pair the check could
// not pass, for its flaw.
TFrame ReadPacked(std::string_view text, std::size_t start, std::vector<std::uint8_t>* bytes)
{
    const std::size_t end = text.size() - FinalLineEndLength(text);
    const TPairCheck check = CheckPacked(text.substr(start, end - start));
    if (check.Result.Valid) {
        if (bytes)
            AddPairs(*bytes, text, start, 2, static_cast<std::size_t>(check.Result.ByteCount));
        return Accepted(static_cast<std::size_t>(check.Result.ByteCount), check.Result.Lrc,
                        check.LastByte);
    }
    if (auto flaw = EncodingFlaw(text))
        return Refused(*flaw);
    for (std::size_t at = start + check.Clean;; at += 2) {
        if (IsFrameEnd(text, at)) {
            if (at != start)
                throw ELrcError("the frame was refused, but no place in it is wrong");
            return Refused(TFlaw{TFlawKind::NoPairs, at});
        }
        if (!IsHex(text[at]))
            return Refused(CharacterFlaw(text, at));
        if (IsFrameEnd(text, at + 1))
            return Refused(TFlaw{TFlawKind::SingleDigit, at});
        if (!IsHex(text[at + 1]))
            return Refused(CharacterFlaw(text, at + 1));
    }
}
