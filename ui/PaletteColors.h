#pragma once

#include "form/Colors.h"
#include "form/Legibility.h"

#include <QColor>
#include <QPalette>

// The layout's colours in Qt: system colours come from the palette.
QColor ToQColor(TColor color, const QPalette& palette = QPalette());

// The theme as a palette describes it: window, window text and link colours.
TTheme ThemeOf(const QPalette& palette);

// The colour a label with this fixed font colour is painted with on that palette: the fixed
// colour itself where it reads, a readable one of the same meaning where it does not.
QColor PaintedColor(TColor fixed, const QPalette& palette);
