#include "model/FrameModel.h"

#include "model/LrcModel.h"

#include <string>

namespace {

using TBytes = std::vector<std::uint8_t>;

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Exactly two hex digits.
std::optional<std::uint8_t> Pair(std::string_view text)
{
    if (text.size() != 2 || DigitValue(text[0]) < 0 || DigitValue(text[1]) < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(DigitValue(text[0]) * 16 + DigitValue(text[1]));
}

std::optional<TBytes> Packed(std::string_view body)
{
    if (body.empty() || body.size() % 2 != 0)
        return std::nullopt;
    TBytes bytes;
    for (std::size_t at = 0; at < body.size(); at += 2) {
        const auto byte = Pair(body.substr(at, 2));
        if (!byte)
            return std::nullopt;
        bytes.push_back(*byte);
    }
    return bytes;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    for (std::size_t from = 0;;) {
        const std::size_t to = text.find(separator, from);
        pieces.push_back(text.substr(from, to == std::string_view::npos ? to : to - from));
        if (to == std::string_view::npos)
            return pieces;
        from = to + 1;
    }
}

std::optional<TBytes> Colon(std::string_view body)
{
    TBytes bytes;
    for (const std::string_view piece : Split(body, ':')) {
        const auto byte = Pair(piece);
        if (!byte)
            return std::nullopt;
        bytes.push_back(*byte);
    }
    return bytes;
}

std::string_view TrimBlanks(std::string_view text, bool front, bool back)
{
    while (front && !text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (back && !text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<TBytes> CArray(std::string_view body)
{
    std::string_view items = body;
    if (body.size() >= 2 && ((body.front() == '{' && body.back() == '}') ||
                             (body.front() == '[' && body.back() == ']')))
        items = TrimBlanks(body.substr(1, body.size() - 2), true, true);
    if (items.ends_with(','))
        items.remove_suffix(1);
    TBytes bytes;
    bool first = true;
    for (std::string_view item : Split(items, ',')) {
        if (!first)
            item = TrimBlanks(item, true, false);
        first = false;
        if (!item.starts_with("0x") && !item.starts_with("0X"))
            return std::nullopt;
        const auto byte = Pair(item.substr(2));
        if (!byte)
            return std::nullopt;
        bytes.push_back(*byte);
    }
    return bytes;
}

} // namespace

std::optional<TBytes> ModelFrameBytes(std::string_view text, TFrameFormat format)
{
    if (format == TFrameFormat::Spaced) {
        const TLrcResult result = ModelLrcUtf8(text);
        if (!result.Valid)
            return std::nullopt;
        TBytes bytes;
        for (std::int32_t k = 0; k < result.ByteCount; ++k)
            bytes.push_back(*Pair(text.substr(3 * static_cast<std::size_t>(k), 2)));
        return bytes;
    }
    const std::string_view body = text.ends_with("\r\n") ? text.substr(0, text.size() - 2)
                                  : text.ends_with('\n') ? text.substr(0, text.size() - 1)
                                                         : text;
    switch (format) {
    case TFrameFormat::Packed:
        return Packed(body);
    case TFrameFormat::ModbusAscii:
        if (!body.starts_with(':'))
            return std::nullopt;
        return Packed(body.substr(1));
    case TFrameFormat::Colon:
        return Colon(body);
    case TFrameFormat::CArray:
        return CArray(body);
    case TFrameFormat::Spaced:
        break;
    }
    return std::nullopt;
}
