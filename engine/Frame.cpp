#include "engine/Frame.h"

#include "engine/FrameScan.h"
#include "engine/HexDigits.h"
#include "engine/PairCheck.h"
#include "engine/Utf8.h"

#include <cstdint>
#include <limits>

int PairAt(std::string_view text, std::size_t at)
{
    return HexDigitValue(text[at]) * 16 + HexDigitValue(text[at + 1]);
}

namespace {

// The separators between pairs of spaced text: tab, line feed, form feed, carriage return, blank.
bool IsSeparator(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

// The newline sequences that may close spaced text (PCRE2's "any" newline convention).
bool IsNewline(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// CharacterFlaw for spaced text, whose text may close with any of its newline sequences.
TFlaw SpacedCharacterFlaw(std::string_view text, std::size_t at)
{
    const TUtf8Char c = DecodeUtf8At(text, at);
    if (c.length == 0)
        return {TFlawKind::BadUtf8, at};
    if (IsNewline(c.code)) {
        const std::size_t after = text.substr(at).starts_with("\r\n") ? at + 2 : at + c.length;
        if (after < text.size())
            return {TFlawKind::AfterLineEnd, after};
    }
    return {TFlawKind::NotHexDigit, at, c.code};
}

// Whether the text from `at` on is exactly one newline sequence.
bool IsFinalNewline(std::string_view text, std::size_t at)
{
    const std::string_view rest = text.substr(at);
    if (rest == "\r\n")
        return true;
    const TUtf8Char c = DecodeUtf8At(text, at);
    return c.length == rest.size() && IsNewline(c.code);
}

// A text that is not UTF-8 at all, told apart by its first bytes so the user learns why.
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

// The length of the line end a frame other than spaced text may close with: LF or CR LF.
std::size_t FinalLineEndLength(std::string_view text)
{
    return text.ends_with("\r\n") ? 2 : text.ends_with('\n') ? 1 : 0;
}

// The pairs of packed text from `start` on: the Packed format, and a Modbus ASCII frame after
// its colon. They are checked a vector at a time; a refused frame is read again, from the first
// pair the check could not pass, for its flaw.
TFrame ReadPacked(std::string_view text, std::size_t start)
{
    const std::size_t end = text.size() - FinalLineEndLength(text);
    const TPairCheck check = CheckPacked(text.substr(start, end - start));
    TFrame frame;
    if (check.Result.Valid) {
        frame.Result = check.Result;
        frame.LastByte = check.LastByte;
        return frame;
    }
    for (std::size_t at = start + check.Clean;; at += 2) {
        if (IsFrameEnd(text, at)) {
            if (at != start)
                throw ELrcError("the frame was refused, but no place in it is wrong");
            frame.Flaw = TFlaw{TFlawKind::NoPairs, at};
        } else if (!IsHex(text[at])) {
            frame.Flaw = CharacterFlaw(text, at);
        } else if (IsFrameEnd(text, at + 1)) {
            frame.Flaw = TFlaw{TFlawKind::SingleDigit, at};
        } else if (!IsHex(text[at + 1])) {
            frame.Flaw = CharacterFlaw(text, at + 1);
        }
        if (frame.Flaw)
            return frame;
    }
}

} // namespace

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

TFrame TByteTally::Frame() const
{
    if (m_count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ELrcError("the data text holds more bytes than can be counted");
    TFrame frame;
    frame.Result.Valid = true;
    frame.Result.ByteCount = static_cast<std::int32_t>(m_count);
    frame.Result.Lrc = static_cast<int>((256 - m_sum % 256) % 256);
    frame.LastByte = m_last;
    return frame;
}

std::optional<TFlaw> DiagnoseSpaced(std::string_view text, std::size_t from)
{
    if (auto flaw = EncodingFlaw(text))
        return flaw;
    // The pattern read without backtracking, as its possessive form matches: pair and separator
    // as often as they come, then perhaps a last pair, then the end or one final newline.
    for (std::size_t at = from;;) {
        if (at == text.size() || IsFinalNewline(text, at)) {
            if (at == 0)
                return TFlaw{TFlawKind::NoPairs, 0};
            return std::nullopt;
        }
        if (!IsHex(text[at])) {
            if (IsSeparator(text[at]))
                return TFlaw{at == 0 ? TFlawKind::LeadingSeparator : TFlawKind::DoubleSeparator,
                             at};
            return SpacedCharacterFlaw(text, at);
        }
        if (at + 1 == text.size() || IsSeparator(text[at + 1]) || IsFinalNewline(text, at + 1))
            return TFlaw{TFlawKind::SingleDigit, at};
        if (!IsHex(text[at + 1]))
            return SpacedCharacterFlaw(text, at + 1);
        const std::size_t after = at + 2;
        if (after == text.size() || IsFinalNewline(text, after))
            return std::nullopt;
        if (IsHex(text[after]))
            return TFlaw{TFlawKind::MissingSeparator, after};
        if (!IsSeparator(text[after]))
            return SpacedCharacterFlaw(text, after);
        at = after + 1;
    }
}

TFrame TFrameReader::Read(std::string_view text, TFrameFormat format) const
{
    if (format == TFrameFormat::Spaced) {
        const TPairCheck check = CheckSpaced(text);
        TFrame frame;
        frame.Result = check.Result;
        if (frame.Result.Valid) {
            frame.LastByte = check.LastByte;
            return frame;
        }
        frame.Flaw = DiagnoseSpaced(text, check.Clean);
        if (!frame.Flaw)
            throw ELrcError("the data text was refused, but no place in it is wrong");
        return frame;
    }
    TFrame refused;
    if ((refused.Flaw = EncodingFlaw(text)))
        return refused;
    if (format == TFrameFormat::Packed)
        return ReadPacked(text, 0);
    if (format == TFrameFormat::CArray)
        return ReadCArray(text);
    if (format == TFrameFormat::Colon)
        return ReadColonSeparated(text);
    if (text.empty() || text.front() != ':') {
        refused.Flaw = TFlaw{TFlawKind::MissingColon, 0};
        return refused;
    }
    return ReadPacked(text, 1);
}
