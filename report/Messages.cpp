#include "report/Messages.h"

#include "engine/Render.h"
#include "engine/Utf8.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// The character as a reader can find it: 'G', a blank, U+3000.
std::string Shown(char32_t c)
{
    if (c == U' ')
        return "a blank";
    if (c == U'\t')
        return "a tab";
    if (c > 0x20 && c < 0x7F)
        return std::string("'") + static_cast<char>(c) + "'";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

// Whether eight bytes hold a byte above ASCII, an LF or a CR (a byte equal to one of those
// leaves a zero byte in the word xor'ed with it repeated).
bool HasNonAsciiOrLineBreak(std::string_view eight)
{
    constexpr std::uint64_t Ones = 0x0101010101010101, Highs = 0x8080808080808080;
    std::uint64_t word;
    std::memcpy(&word, eight.data(), 8);
    const std::uint64_t lf = word ^ (Ones * '\n'), cr = word ^ (Ones * '\r');
    return ((word | ((lf - Ones) & ~lf) | ((cr - Ones) & ~cr)) & Highs) != 0;
}

// The digits of a well-formed frame's bytes as its text writes them, but for its last byte's.
std::string DigitsBeforeLast(std::string_view text, TFrameFormat format)
{
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (format == TFrameFormat::CArray) {
            // Each byte is "0x" or "0X" and two digits; nothing else holds an x.
            if ((c == 'x' || c == 'X') && i + 2 < text.size())
                digits.append(text.substr(i + 1, 2));
        } else if ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')) {
            digits += c;
        }
    }
    digits.resize(digits.size() >= 2 ? digits.size() - 2 : 0);
    return digits;
}

} // namespace

TPlace PlaceOf(std::string_view text, const TFlaw& flaw)
{
    TPlace place;
    place.Byte = flaw.Byte + 1;
    for (std::size_t i = 0; i < flaw.Byte;) {
        // Eight characters at a time while they are ASCII and no line break: a malformed text of
        // many megabytes is placed about as quickly as it was read.
        if (i + 8 <= flaw.Byte && !HasNonAsciiOrLineBreak(text.substr(i, 8))) {
            place.Character += 8;
            place.Column += 8;
            i += 8;
            continue;
        }
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++place.Character;
            ++place.Column;
            const bool lineEnd = text[i] == '\n' ||
                                 (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
            if (lineEnd)
                ++place.Line, place.Column = 1;
        }
        ++i;
    }
    return place;
}

std::string PlaceText(const TPlace& place, const TFlaw& flaw, bool oneLine)
{
    if (flaw.Kind == TFlawKind::BadUtf8)
        return "byte " + std::to_string(place.Byte);
    if (oneLine)
        return "column " + std::to_string(place.Column);
    if (place.Line > 1)
        return "line " + std::to_string(place.Line) + ", column " + std::to_string(place.Column);
    return "character " + std::to_string(place.Character);
}

std::string FlawText(const TFlaw& flaw, TFrameFormat format)
{
    using enum TFrameFormat;
    switch (flaw.Kind) {
    case TFlawKind::NoPairs:
        return "no pair of hex digits";
    case TFlawKind::NotHexDigit:
        return Shown(flaw.Character) + (format == Spaced || format == Colon
                                            ? " is neither a hex digit nor a separator"
                                            : " is not a hex digit");
    case TFlawKind::SingleDigit:
        return "a single hex digit; every byte is two";
    case TFlawKind::MissingSeparator:
        if (format == CArray)
            return "a third hex digit; bytes are separated by a comma";
        if (format == Colon)
            return "a third hex digit; pairs are separated by ':'";
        return "a third hex digit; pairs are separated by one blank";
    case TFlawKind::LeadingSeparator:
        return "a separator before the first pair";
    case TFlawKind::DoubleSeparator:
        return "two separators in a row";
    case TFlawKind::AfterLineEnd:
        return "text after the final line break";
    case TFlawKind::MissingColon:
        return "a Modbus ASCII frame starts with ':'";
    case TFlawKind::BadUtf8:
        return "invalid UTF-8";
    case TFlawKind::ByteOrderMark:
        return "a UTF-8 byte-order mark; save the text without it";
    case TFlawKind::Utf16:
        return "UTF-16 text; save it as UTF-8";
    case TFlawKind::MissingPrefix:
        return "a byte without its 0x";
    case TFlawKind::MissingDigits:
        return "0x without its two hex digits";
    case TFlawKind::Misplaced:
        return Shown(flaw.Character) + " cannot stand here";
    case TFlawKind::Unclosed:
        return "the bracket that opens the bytes is not closed";
    case TFlawKind::TrailingSeparator:
        return "a separator after the last pair";
    }
    return "malformed";
}

std::string_view ExpectedText(TFrameFormat format, bool append)
{
    switch (format) {
    case TFrameFormat::Spaced:
        return "expected pairs of hex digits, each but the last followed by one blank, tab or "
               "line break";
    case TFrameFormat::Packed:
        return "expected pairs of hex digits with nothing between them";
    case TFrameFormat::ModbusAscii:
        if (append)
            return "expected the address, function and data as pairs of hex digits, without ':' "
                   "and LRC";
        return "expected ':' and pairs of hex digits, perhaps ended by CR LF";
    case TFrameFormat::CArray:
        return "expected bytes such as 0x11, each 0x and two hex digits, separated by a comma "
               "and perhaps blanks, perhaps in {} or []";
    case TFrameFormat::Colon:
        return "expected pairs of hex digits separated by ':'";
    }
    return {};
}

std::string HexOf(int byte)
{
    return ToUtf8(ByteToHex(byte));
}

int ExpectedLastByte(const TFrame& frame)
{
    return (frame.Result.Lrc + frame.LastByte) % 256;
}

std::string FieldText(const TLrcResult& result, TField field)
{
    // The four renderings of every LRC, made once: a log asks for one with every frame.
    struct TUtf8Texts
    {
        std::string Hex, Decimal, Octal, Binary;
    };
    static const std::array<TUtf8Texts, 256> rendered = [] {
        std::array<TUtf8Texts, 256> all;
        for (int lrc = 0; lrc < 256; ++lrc) {
            const TLrcTexts texts = RenderLrc({true, 1, lrc});
            all[lrc] = {ToUtf8(texts.Hex), ToUtf8(texts.Decimal), ToUtf8(texts.Octal),
                        ToUtf8(texts.Binary)};
        }
        return all;
    }();
    if (!result.Valid || result.Lrc < 0 || result.Lrc > 255)
        throw ELrcError("only a valid result has an LRC to render");
    const TUtf8Texts& texts = rendered[static_cast<std::size_t>(result.Lrc)];
    switch (field) {
    case TField::All:
        return "hex: " + texts.Hex + "\ndecimal: " + texts.Decimal + "\noctal: " + texts.Octal +
               "\nbinary: " + texts.Binary + "\nbytes: " + std::to_string(result.ByteCount);
    case TField::Hex:
        return texts.Hex;
    case TField::Decimal:
        return texts.Decimal;
    case TField::Octal:
        return texts.Octal;
    case TField::Binary:
        return texts.Binary;
    case TField::Bytes:
        return std::to_string(result.ByteCount);
    }
    return {};
}

std::string AppendedFrame(std::string_view text, TFrameFormat format,
                          std::vector<std::uint8_t> bytes, int lrc)
{
    bytes.push_back(static_cast<std::uint8_t>(lrc));

    std::string_view separator;
    std::string frame;
    std::string_view end = "\n";
    switch (format) {
    case TFrameFormat::Spaced:
        separator = " ";
        break;
    case TFrameFormat::Packed:
        break;
    case TFrameFormat::ModbusAscii:
        frame = ":";
        end = "\r\n";
        break;
    case TFrameFormat::CArray:
        separator = ", ";
        if (text.front() == '{')
            frame = "{", end = "}\n";
        else if (text.front() == '[')
            frame = "[", end = "]\n";
        break;
    case TFrameFormat::Colon:
        separator = ":";
        break;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            frame += separator;
        frame += (format == TFrameFormat::CArray ? "0x" : "") + HexOf(bytes[i]);
    }
    return frame.append(end);
}

std::vector<TOtherCheck> OtherChecksOf(std::string_view text, TFrameFormat format,
                                       const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return {};
    return OtherChecksMatching(std::span(bytes).first(bytes.size() - 1),
                               DigitsBeforeLast(text, format), format == TFrameFormat::ModbusAscii,
                               bytes.back());
}

namespace {

// Each check's words in a report line and its name in JSON, in the order of TOtherCheck.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> OtherCheckWords{{
    {"the sum of the other bytes, not negated", "sum"},
    {"the one's complement of their sum", "ones-complement"},
    {"the XOR of the other bytes, a BCC", "xor"},
    {"the LRC of their characters rather than their bytes", "character-lrc"},
    {"the LRC of their characters with the ':'", "character-lrc-with-colon"},
}};

} // namespace

std::string OtherChecksText(const std::vector<TOtherCheck>& checks, int last)
{
    if (checks.empty())
        return {};
    std::string text = " (" + HexOf(last) + " is ";
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (i > 0)
            text += ", and also ";
        text += OtherCheckWords.at(static_cast<std::size_t>(checks[i])).first;
    }
    return text + ")";
}

std::string_view OtherCheckName(TOtherCheck check)
{
    return OtherCheckWords.at(static_cast<std::size_t>(check)).second;
}

namespace {

// Each port error's words and its name in JSON, in the order of TPortFault.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> PortFaultWords{{
    {"a parity error", "parity"},
    {"a framing error", "framing"},
    {"a parity or framing error", "parity-or-framing"},
    {"an overrun: characters were lost", "overrun"},
    {"a break", "break"},
}};

} // namespace

std::string_view PortFaultText(TPortFault fault)
{
    return PortFaultWords.at(static_cast<std::size_t>(fault)).first;
}

std::string_view PortFaultName(TPortFault fault)
{
    return PortFaultWords.at(static_cast<std::size_t>(fault)).second;
}

std::string OverlongText(std::size_t limit)
{
    return "a line of more than " + std::to_string(limit) + " bytes; the rest of it is dropped";
}

std::string TallyText(const TTally& tally, bool check, bool port)
{
    std::string text = std::to_string(tally.Frames) +
                       (tally.Frames == 1 ? " frame: " : " frames: ") + std::to_string(tally.Good) +
                       " ok, ";
    if (check)
        text += std::to_string(tally.WrongLrc) + " wrong LRC, ";
    text += std::to_string(tally.Malformed) + " malformed";
    if (port)
        text += ", " + std::to_string(tally.PortErrors) +
                (tally.PortErrors == 1 ? " port error" : " port errors");
    return text;
}
