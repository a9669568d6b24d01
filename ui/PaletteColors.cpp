#include "ui/PaletteColors.h"

namespace {

TRgb ToRgb(const QColor& color)
{
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

} // namespace

QColor ToQColor(TColor color, const QPalette& palette)
{
    switch (color) {
    case clWindow:
        return palette.color(QPalette::Base);
    case clWindowText:
        return palette.color(QPalette::WindowText);
    case clBtnFace:
        return palette.color(QPalette::Window);
    default:
        break;
    }
    const TRgb rgb = RgbOf(color);
    return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

TTheme ThemeOf(const QPalette& palette)
{
    return {ToRgb(palette.color(QPalette::Window)), ToRgb(palette.color(QPalette::WindowText)),
            ToRgb(palette.color(QPalette::Link))};
}

QColor PaintedColor(TColor fixed, const QPalette& palette)
{
    const TRgb rgb = LegibleColor(fixed, ThemeOf(palette));
    return QColor(rgb.Red, rgb.Green, rgb.Blue);
}
