#pragma once

#include "form/FormLayout.h"
#include "win/Handles.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

// The window font at this density: the layout's face, its height scaled by pixels per inch / 96.
TFont CreateWindowFont(int pixelsPerInch, bool underline);

// The size of a one-line text in that font.
SIZE TextExtent(HFONT font, std::u16string_view text);

// The Windows control a row is built as: its window class and its styles beyond WS_CHILD and
// WS_VISIBLE.
struct TControlClass
{
    const wchar_t* WindowClass;
    DWORD Style;
    DWORD ExStyle;
};
TControlClass ControlClassOf(const TControlLayout& row);

// The rows in the order their controls are created. Windows' dialog manager tabs through the
// controls in stacking order, and its accessible object names a field after the label just
// before it: the tab stops follow their TabOrder, each one right after its label (LabelFor),
// and every other control keeps its place in the table.
std::vector<const TControlLayout*> CreationOrder();

// Fits a label to its one-line caption in its own font: it keeps its left edge, or its right
// edge where one is given; the top never moves.
void AutoSizeLabel(HWND label, std::u16string_view caption, std::optional<int> rightEdge);
