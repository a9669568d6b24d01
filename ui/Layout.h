#pragma once

#include "form/FormLayout.h"

class QLabel;
class QWidget;

// Scales the position and size of every control inside the window, and the window's own size,
// by numerator / denominator.
void ScaleLayout(QWidget* window, int numerator, int denominator);

// Fits a label to its one-line caption: a right-aligned label keeps its right edge, any other
// its left edge; the top never moves.
void AutoSizeLabel(QLabel* label);
