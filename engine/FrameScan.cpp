#include "engine/FrameScan.h"

#include "engine/Utf8.h"

#include <limits>

TFlaw CharacterFlaw(std::string_view text, std::size_t at, TFlawKind kind)
{
    const TUtf8Char c = DecodeUtf8At(text, at);
    if (c.length == 0)
        return {TFlawKind::BadUtf8, at};
    // These frames end with LF or CR LF alone: any other character is just out of place.
    const std::string_view rest = text.substr(at);
    const std::size_t lineEnd = rest.starts_with('\n') ? 1 : rest.starts_with("\r\n") ? 2 : 0;
    if (lineEnd != 0 && at + lineEnd < text.size())
        return {TFlawKind::AfterLineEnd, at + lineEnd};
    return {kind, at, c.code};
}

std::optional<TFlaw> EncodingFlaw(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        return TFlaw{TFlawKind::ByteOrderMark, 0};
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return TFlaw{TFlawKind::Utf16, 0};
    // ASCII as UTF-16 without a mark: every other byte is NUL.
    const auto isAscii = [](char c) { return c >= 0x20 && c < 0x7F; };
    if (text.size() >= 2 &&
        ((isAscii(text[0]) && text[1] == 0) || (text[0] == 0 && isAscii(text[1]))))
        return TFlaw{TFlawKind::Utf16, 0};
    return std::nullopt;
}

TFrame Refused(TFlaw flaw)
{
    TFrame frame;
    frame.Flaw = flaw;
    return frame;
}

TFrame Accepted(std::size_t count, int lrc, int lastByte)
{
    if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");
    TFrame frame;
    frame.Result.Valid = true;
    frame.Result.ByteCount = static_cast<std::int32_t>(count);
    frame.Result.Lrc = lrc;
    frame.LastByte = lastByte;
    return frame;
}

void AddPairs(std::vector<std::uint8_t>& bytes, std::string_view text, std::size_t first,
              std::size_t step, std::size_t count)
{
    bytes.reserve(bytes.size() + count);
    for (std::size_t at = first; count > 0; at += step, --count)
        bytes.push_back(static_cast<std::uint8_t>(PairAt(text, at)));
}
