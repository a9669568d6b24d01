#pragma once

#include "engine/Lrc.h"

#include <QString>

#include <cstdint>

// The five texts the window shows for a valid result.
struct TLrcTexts
{
    QString Hex;           // two uppercase digits: "E2", "0A"
    QString Decimal;       // "226"
    QString Octal;         // "342"
    QString Binary;        // eight digits in two groups of four: "1110 0010"
    QString ByteCountText; // the count and the unit, the same word for every count: "1 Bytes"
};

// Only for a valid result; throws ELrcError for an invalid one or an Lrc outside 0..255.
TLrcTexts RenderLrc(const TLrcResult& result);

// Digits of the value, most significant first, without leading zeros; 0 gives "0".
QString IntToBinary(std::uint32_t value);
QString IntToOctal(std::uint32_t value);

// Prepends fill until the text is width characters long; never truncates.
QString PadLeft(const QString& text, qsizetype width, QChar fill);
