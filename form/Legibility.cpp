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

bool Reads(TRgb text, TRgb background, double least)
{
    return ContrastRatio(text, background) >= least;
}

// The colour nearest `from` on the way to `to` that reads at `least` against the background
// (`from` itself when it does), or nothing when not even `to` does. Luminance only grows or only
// falls along the way, so past a `from` that does not read, the colours that read are the end of
// the way and a bisection finds where it starts.
std::optional<TRgb> FirstReading(TRgb from, TRgb to, TRgb background, double least)
{
    if (Reads(from, background, least))
        return from;
    if (!Reads(to, background, least))
        return std::nullopt;
    double low = 0, high = 1; // Mix(from, to, high) reads
    for (int step = 0; step < 20; ++step) {
        const double middle = (low + high) / 2;
        if (Reads(Mix(from, to, middle), background, least))
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

// `color` lightened or darkened (toward white or black keeps its hue) just enough to read at
// SubstituteContrast; of the two, the smaller change. Black or white always reads at that, so
// one of the two gets there.
TRgb Shade(TRgb color, TRgb background)
{
    const auto lighter = FirstReading(color, {255, 255, 255}, background, SubstituteContrast);
    const auto darker = FirstReading(color, {0, 0, 0}, background, SubstituteContrast);
    if (!lighter || !darker)
        return lighter ? *lighter : darker.value_or(BlackOrWhite(background));
    const auto distance = [color](TRgb c) {
        return std::abs(c.Red - color.Red) + std::abs(c.Green - color.Green) +
               std::abs(c.Blue - color.Blue);
    };
    return distance(*lighter) <= distance(*darker) ? *lighter : *darker;
}

// The hint's grey, of the theme's own hue: of the colours between its background and its text,
// the one nearest the background that reads at SubstituteContrast. Where the text itself reads
// at less, the text (at LegibleContrast at least), else what the black status gets.
TRgb MutedGrey(const TTheme& theme)
{
    const TRgb background = theme.Background;
    if (const auto grey = FirstReading(background, theme.Text, background, SubstituteContrast))
        return *grey;
    return Reads(theme.Text, background, LegibleContrast) ? theme.Text
                                                          : Shade(theme.Text, background);
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
    if (theme.HighContrast) {
        // The system's own colours, as every other program shows them.
        const TRgb own = fixed == clBlue ? theme.Link : theme.Text;
        return Reads(own, background, LegibleContrast) ? own : BlackOrWhite(background);
    }
    if (IsSystemColor(fixed)) {
        return Reads(theme.Text, background, LegibleContrast) ? theme.Text
                                                              : Shade(theme.Text, background);
    }
    if (Reads(RgbOf(fixed), background, LegibleContrast))
        return RgbOf(fixed);
    switch (fixed) {
    case clBlue:
        return Shade(theme.Link, background);
    case clRed:
        return Shade(RgbOf(fixed), background);
    case clGray:
        return MutedGrey(theme);
    default:
        return Shade(theme.Text, background);
    }
}
