#pragma once

#include <QString>

#include <string_view>

// The engine's text is UTF-16 in standard strings; a QString holds the same code units, so the
// window hands its text over without a copy and takes the results back with one.
inline std::u16string_view ToU16View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

inline QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
