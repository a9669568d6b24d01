#include "tests/support/LrcModel.h"

#include <QStringDecoder>

#include <optional>
#include <vector>

namespace {

bool IsHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsSeparator(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == u' ';
}

int HexValue(char16_t c)
{
    return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

// The bytes of a body ("01 A0 7C"), or nothing when it is not one.
std::optional<std::vector<int>> ModelBody(QStringView body)
{
    std::vector<int> bytes;
    qsizetype i = 0;
    while (i < body.size()) {
        if (i + 1 >= body.size() || !IsHexDigit(body[i].unicode()) || !IsHexDigit(body[i + 1].unicode()))
            return std::nullopt;
        bytes.push_back(HexValue(body[i].unicode()) * 16 + HexValue(body[i + 1].unicode()));
        i += 2;
        if (i == body.size())
            break;
        if (!IsSeparator(body[i].unicode()))
            return std::nullopt;
        ++i;
    }
    return bytes;
}

} // namespace

TLrcResult ModelLrc(QStringView text)
{
    // The text is a non-empty body, alone or followed by one newline sequence.
    std::vector<QStringView> bodies{text};
    for (const char16_t* newline : {u"\n", u"\v", u"\f", u"\r", u"\r\n", u"\u0085", u"\u2028", u"\u2029"}) {
        const QStringView nl(newline);
        if (text.endsWith(nl))
            bodies.push_back(text.chopped(nl.size()));
    }
    for (const QStringView body : bodies) {
        if (body.isEmpty())
            continue;
        if (const auto bytes = ModelBody(body)) {
            unsigned sum = 0;
            for (int b : *bytes)
                sum += static_cast<unsigned>(b);
            return {true, static_cast<std::int32_t>(bytes->size()), static_cast<int>((256 - sum % 256) % 256)};
        }
    }
    return {};
}

TLrcResult ModelLrcUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return ModelLrc(text);
}
