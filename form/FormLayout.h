#pragma once

#include "form/Colors.h"
#include "packaging/Product.h"

#include <span>
#include <string_view>

// The one window, described once for every front end: each control with its parent, its
// place at 96 pixels per inch with a 13-pixel text height, its caption and its look. The
// front ends build their controls from this table and scale it at load.

enum class TControlKind
{
    Label,        // one-line caption that sizes itself to its text
    LinkLabel,    // a label that looks like a hyperlink and reports clicks
    Edit,         // editable single-line field
    ReadOnlyEdit, // a result field: read-only, focusable, copyable, ordinary field background
    GroupBox,     // a frame with a caption around other controls
};

struct TControlLayout
{
    std::string_view Name; // the control's name (and Qt objectName)
    TControlKind Kind;
    std::string_view Parent; // "Form1" or the group box; coordinates are relative to it
    int Left, Top, Width, Height;
    std::u16string_view Caption; // a label's or group box's caption, a field's initial text
    TColor FontColor = clWindowText;
    bool RightAligned = false;   // the label keeps its right edge when its caption changes
    int TabOrder = -1;           // position among the window's tab stops; -1: no tab stop
    std::string_view LabelFor{}; // the field this label names (its accessible name)
};

struct TFormLayout
{
    std::string_view Name = "Form1";
    std::u16string_view Caption = FormCaptionText;
    int ClientWidth = 340;
    int ClientHeight = 253;
    std::u16string_view FontName = u"Tahoma";
    int FontHeight = -11; // in pixels at 96 pixels per inch; negative: character height
    int DesignPixelsPerInch = 96;
    int DesignTextHeight = 13; // the height of the text "0" the layout was drawn with
    TColor Color = clBtnFace;
};

inline constexpr TFormLayout Form1Layout{};

// The controls in creation order, which is also their stacking order.
std::span<const TControlLayout> Form1Controls();

// The control of that name; nullptr when there is none.
const TControlLayout* FindControl(std::string_view name);

// value * numerator / denominator, rounded half away from zero: what Windows' MulDiv gives,
// for the front ends that do not have it.
int MulDivRounded(int value, int numerator, int denominator);

// The error box's text: the message, with "." appended when the code of its last character is
// above that of "." (46).
std::u16string ErrorBoxText(std::u16string_view message);
