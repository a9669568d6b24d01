// The window's data text: pairs with one separator between each two.
#include "engine/FrameScan.h"
#include "engine/PairCheck.h"
#include "engine/Utf8.h"

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

} // namespace

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

// Checked by CheckSpaced, which gives the pattern's verdicts without compiling it; only a
// refused text is read again, from where the check stopped, for its flaw.
TFrame ReadSpaced(std::string_view text, std::vector<std::uint8_t>* bytes)
{
    const TPairCheck check = CheckSpaced(text);
    if (!check.Result.Valid) {
        const std::optional<TFlaw> flaw = DiagnoseSpaced(text, check.Clean);
        if (!flaw)
            throw ELrcError("the data text was refused, but no place in it is wrong");
        return Refused(*flaw);
    }
    if (bytes) // a valid text's pairs stand every three characters
        AddPairs(*bytes, text, 0, 3, static_cast<std::size_t>(check.Result.ByteCount));
    return Accepted(static_cast<std::size_t>(check.Result.ByteCount), check.Result.Lrc,
                    check.LastByte);
}
