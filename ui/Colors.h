#pragma once

#include "form/Colors.h"

#include <QColor>
#include <QPalette>

// The colour to paint; system colours come from the palette.
QColor ToQColor(TColor color, const QPalette& palette = QPalette());
