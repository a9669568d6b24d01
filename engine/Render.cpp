#include "engine/Render.h"

#include <bit>

QString IntToBinary(std::uint32_t value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString digits;
    for (std::uint32_t mask = std::bit_floor(value); mask != 0; mask >>= 1)
        digits.append((value & mask) ? u'1' : u'0');
    return digits;
}

QString IntToOctal(std::uint32_t value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString digits;
    for (; value != 0; value /= 8)
        digits.prepend(QChar(u'0' + value % 8));
    return digits;
}

QString PadLeft(const QString& text, qsizetype width, QChar fill)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), fill) + text;
}

TLrcTexts RenderLrc(const TLrcResult& result)
{
    if (!result.Valid)
        throw ELrcError("only a valid result has an LRC to render");
    if (result.Lrc < 0 || result.Lrc > 255)
        throw ELrcError("an LRC is a single byte (0..255)");
    const auto v = static_cast<std::uint32_t>(result.Lrc);

    const QString bits = PadLeft(IntToBinary(v), 8, u'0');
    TLrcTexts texts;
    texts.Hex = PadLeft(QString::number(v, 16).toUpper(), 2, u'0');
    texts.Decimal = QString::number(v);
    texts.Octal = IntToOctal(v);
    texts.Binary = bits.left(4) + u' ' + bits.mid(4, 4);
    texts.ByteCountText = QString::number(result.ByteCount) + QStringLiteral(" Bytes");
    return texts;
}
