#include "form/Legibility.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

double Linear(std::uint8_t channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

TRgb Mix(TRgb from, TRgb to, double t)
{
    const auto channel = [t](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
    };
    return {channel(from.Red, to.Red), channel(from.Green, to.Green), channel(from.Blue, to.Blue)};
}

bool Reads(TRgb text, TRgb background)
{
    return ContrastRatio(text, background) >= LegibleContrast;
}

// The colour nearest `from` on the way to `to` that reads against the background, or nothing
// when not even `to` does. `from` does not read, and luminance only grows or only falls along the
// way, so the colours that read are the end of the way and a bisection finds where it starts.
std::optional<TRgb> FirstReadable(TRgb from, TRgb to, TRgb background)
{
    if (!Reads(to, background))
        return std::nullopt;
    double low = 0, high = 1; // Mix(from, to, high) reads
    for (int step = 0; step < 20; ++step) {
        const double middle = (low + high) / 2;
        if (Reads(Mix(from, to, middle), background))
            high = middle;
        else
            low = middle;
    }
    return Mix(from, to, high);
}

TRgb BlackOrWhite(TRgb background)
{
    constexpr TRgb black{0, 0, 0}, white{255, 255, 255};
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

// The error red, lighter or darker (toward white or black keeps its hue) just enough to read;
// of the two, the smaller change.
std::optional<TRgb> ReadableRed(TRgb red, TRgb background)
{
    const auto lighter = FirstReadable(red, {255, 255, 255}, background);
    const auto darker = FirstReadable(red, {0, 0, 0}, background);
    if (!lighter || !darker)
        return lighter ? lighter : darker;
    const auto distance = [red](TRgb c) {
        return std::abs(c.Red - red.Red) + std::abs(c.Green - red.Green) +
               std::abs(c.Blue - red.Blue);
    };
    return distance(*lighter) <= distance(*darker) ? lighter : darker;
}

} // namespace

double RelativeLuminance(TRgb color)
{
    return 0.2126 * Linear(color.Red) + 0.7152 * Linear(color.Green) + 0.0722 * Linear(color.Blue);
}

double ContrastRatio(TRgb a, TRgb b)
{
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TRgb LegibleColor(TColor fixed, const TTheme& theme)
{
    const TRgb background = theme.Background;
    std::optional<TRgb> painted;
    if (theme.HighContrast) {
        painted = fixed == clBlue ? theme.Link : theme.Text;
    } else if (IsSystemColor(fixed)) {
        painted = theme.Text;
    } else if (Reads(RgbOf(fixed), background)) {
        return RgbOf(fixed);
    } else if (fixed == clBlue) {
        painted = theme.Link;
    } else if (fixed == clRed) {
        painted = ReadableRed(RgbOf(fixed), background);
    } else if (fixed == clGray) {
        painted = FirstReadable(background, theme.Text, background);
    } else {
        painted = theme.Text;
    }
    return painted && Reads(*painted, background) ? *painted : BlackOrWhite(background);
}
