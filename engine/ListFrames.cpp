// Frames written as lists with separators: C and Python arrays, and colon-separated pairs.
#include "engine/FrameScan.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at;
}

TFrame Refused(TFlawKind kind, std::size_t at)
{
    return ::Refused(TFlaw{kind, at});
}

} // namespace

// item := "0x" or "0X", then exactly two hex digits; items are separated by ',' and any blanks
// after it; one comma may follow the last item; "{" or "[" may open the list (blanks may
// follow it), and then its partner closes it (blanks may precede it); LF or CR LF may end it.
TFrame ReadCArray(std::string_view text, std::vector<std::uint8_t>* bytes)
{
    using enum TFlawKind;
    std::size_t at = 0;
    char close = 0;
    if (!text.empty() && (text[0] == '{' || text[0] == '[')) {
        close = text[0] == '{' ? '}' : ']';
        at = SkipBlanks(text, 1);
    }
    TByteTally tally(bytes);
    std::size_t blanksFrom = at; // where the blanks before `at` began, if any
    for (;;) {
        // A byte is due, or after an opening bracket or a comma the closing bracket.
        if (close != 0 && at < text.size() && text[at] == close) {
            if (tally.Count() == 0)
                return Refused(NoPairs, at);
            break;
        }
        if (IsFrameEnd(text, at)) {
            if (tally.Count() == 0)
                return Refused(NoPairs, at);
            if (close != 0)
                return Refused(Unclosed, at);
            if (blanksFrom != at)
                return Refused(CharacterFlaw(text, blanksFrom, Misplaced));
            break;
        }
        if (text[at] == ',')
            return Refused(tally.Count() == 0 ? LeadingSeparator : DoubleSeparator, at);
        if (text[at] != '0' || at + 1 == text.size() ||
            (text[at + 1] != 'x' && text[at + 1] != 'X'))
            return Refused(IsHex(text[at]) ? TFlaw{MissingPrefix, at}
                                           : CharacterFlaw(text, at, Misplaced));
        const std::size_t digits = at + 2;
        if (IsFrameEnd(text, digits))
            return Refused(MissingDigits, at);
        if (!IsHex(text[digits]))
            return Refused(CharacterFlaw(text, digits));
        const std::size_t second = digits + 1;
        if (IsFrameEnd(text, second) || text[second] == ',' || IsBlank(text[second]) ||
            (close != 0 && text[second] == close))
            return Refused(SingleDigit, digits);
        if (!IsHex(text[second]))
            return Refused(CharacterFlaw(text, second));
        at = second + 1;
        if (at < text.size() && IsHex(text[at]))
            return Refused(MissingSeparator, at);
        tally.Add(PairAt(text, digits));

        // After a byte: the end, a comma, or (perhaps after blanks) the closing bracket.
        if (IsFrameEnd(text, at)) {
            if (close != 0)
                return Refused(Unclosed, at);
            break;
        }
        if (text[at] == ',') {
            blanksFrom = at + 1;
            at = SkipBlanks(text, at + 1);
            continue;
        }
        const std::size_t afterBlanks = close != 0 ? SkipBlanks(text, at) : at;
        if (close != 0 && afterBlanks < text.size() && text[afterBlanks] == close) {
            at = afterBlanks;
            break;
        }
        return Refused(CharacterFlaw(text, at, Misplaced));
    }
    if (close != 0 && !IsFrameEnd(text, ++at))
        return Refused(CharacterFlaw(text, at, Misplaced));
    return tally.Frame();
}

// Pairs of hex digits with one ':' between each two; LF or CR LF may end the text.
TFrame ReadColonSeparated(std::string_view text, std::vector<std::uint8_t>* bytes)
{
    using enum TFlawKind;
    TByteTally tally(bytes);
    for (std::size_t at = 0;;) {
        if (IsFrameEnd(text, at))
            return tally.Count() == 0 ? Refused(NoPairs, at) : Refused(TrailingSeparator, at - 1);
        if (text[at] == ':')
            return Refused(tally.Count() == 0 ? LeadingSeparator : DoubleSeparator, at);
        if (!IsHex(text[at]))
            return Refused(CharacterFlaw(text, at));
        if (IsFrameEnd(text, at + 1) || text[at + 1] == ':')
            return Refused(SingleDigit, at);
        if (!IsHex(text[at + 1]))
            return Refused(CharacterFlaw(text, at + 1));
        tally.Add(PairAt(text, at));
        const std::size_t after = at + 2;
        if (IsFrameEnd(text, after))
            return tally.Frame();
        if (IsHex(text[after]))
            return Refused(MissingSeparator, after);
        if (text[after] != ':')
            return Refused(CharacterFlaw(text, after));
        at = after + 1;
    }
}
