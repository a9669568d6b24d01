#pragma once

#include "form/Colors.h"
#include "product/Product.h"

#include <algorithm>
#include <array>
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
    std::u16string_view Caption{}; // a label's or group box's caption, a field's initial text
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

namespace form1 {

using enum TControlKind;

// The controls in creation order, which is also their stacking order.
// clang-format off
inline constexpr std::array<TControlLayout, 15> Controls{{
    {.Name = "Label1", .Kind = Label, .Parent = "Form1", .Left = 18, .Top = 8, .Width = 127,
     .Height = 13, .Caption = u"需要校验的数据（Hex）", .LabelFor = "Edit1"},
    {.Name = "Edit1", .Kind = Edit, .Parent = "Form1", .Left = 18, .Top = 27, .Width = 304,
     .Height = 21, .TabOrder = 0},
    {.Name = "Label6", .Kind = Label, .Parent = "Form1", .Left = 18, .Top = 54, .Width = 110,
     .Height = 13, .Caption = u"例如：01 A0 7C FF 02", .FontColor = clGray},
    {.Name = "Label9", .Kind = Label, .Parent = "Form1", .Left = 286, .Top = 54, .Width = 36,
     .Height = 13, .Caption = u"字节数", .RightAligned = true},
    {.Name = "GroupBox1", .Kind = GroupBox, .Parent = "Form1", .Left = 18, .Top = 84, .Width = 304,
     .Height = 137, .Caption = u"校验结果"},
    {.Name = "Label2", .Kind = Label, .Parent = "GroupBox1", .Left = 17, .Top = 22, .Width = 48,
     .Height = 13, .Caption = u"十六进制", .LabelFor = "Edit16"},
    {.Name = "Edit16", .Kind = ReadOnlyEdit, .Parent = "GroupBox1", .Left = 90, .Top = 19,
     .Width = 120, .Height = 21, .TabOrder = 1},
    {.Name = "Label3", .Kind = Label, .Parent = "GroupBox1", .Left = 17, .Top = 49, .Width = 36,
     .Height = 13, .Caption = u"十进制", .LabelFor = "Edit10"},
    {.Name = "Edit10", .Kind = ReadOnlyEdit, .Parent = "GroupBox1", .Left = 90, .Top = 46,
     .Width = 120, .Height = 21, .TabOrder = 2},
    {.Name = "Label4", .Kind = Label, .Parent = "GroupBox1", .Left = 17, .Top = 76, .Width = 36,
     .Height = 13, .Caption = u"八进制", .LabelFor = "Edit8"},
    {.Name = "Edit8", .Kind = ReadOnlyEdit, .Parent = "GroupBox1", .Left = 90, .Top = 73,
     .Width = 120, .Height = 21, .TabOrder = 3},
    {.Name = "Label5", .Kind = Label, .Parent = "GroupBox1", .Left = 17, .Top = 105, .Width = 36,
     .Height = 13, .Caption = u"二进制", .LabelFor = "Edit2"},
    {.Name = "Edit2", .Kind = ReadOnlyEdit, .Parent = "GroupBox1", .Left = 90, .Top = 100,
     .Width = 120, .Height = 21, .TabOrder = 4},
    {.Name = "Label7", .Kind = Label, .Parent = "Form1", .Left = 18, .Top = 227, .Width = 120,
     .Height = 13, .Caption = u"Sumvane  2016.08.29"},
    {.Name = "Label8", .Kind = LinkLabel, .Parent = "Form1", .Left = 180, .Top = 227, .Width = 142,
     .Height = 13, .Caption = WebPageAddress, .FontColor = clBlue},
}};
// clang-format on

} // namespace form1

// The controls in creation order, which is also their stacking order.
constexpr std::span<const TControlLayout> Form1Controls()
{
    return form1::Controls;
}

// Whether the table has a row of that name. (By names, not by FindControl's pointer: a
// sanitizer build cannot compare pointers into the table at compile time.)
constexpr bool HasControl(std::string_view name)
{
    return std::any_of(form1::Controls.begin(), form1::Controls.end(),
                       [&](const TControlLayout& c) { return c.Name == name; });
}

// The control of that name; nullptr when there is none.
constexpr const TControlLayout* FindControl(std::string_view name)
{
    const auto found = std::find_if(form1::Controls.begin(), form1::Controls.end(),
                                    [&](const TControlLayout& c) { return c.Name == name; });
    return found == form1::Controls.end() ? nullptr : &*found;
}

// TForm1's members, one per control, in the order the form declares them. Each front end
// expands it, X(name) for every control, to declare and to bind them; the member's type follows
// its row's kind, so the list carries nothing but the names.
// clang-format off
#define SUMVANE_FORM1_CONTROLS(X) \
    X(Edit1) X(Label1) X(Label6) X(Label7) X(Label8) X(GroupBox1) X(Label2) X(Label3) X(Label4) \
    X(Label5) X(Edit16) X(Edit10) X(Edit8) X(Edit2) X(Label9)
// clang-format on

namespace form1 {

// Every member has its row and every row its member.
#define SUMVANE_FORM1_HAS_ROW(name) &&HasControl(#name)
#define SUMVANE_FORM1_COUNT(name) +1
static_assert(true SUMVANE_FORM1_CONTROLS(SUMVANE_FORM1_HAS_ROW));
static_assert(std::size_t{0} SUMVANE_FORM1_CONTROLS(SUMVANE_FORM1_COUNT) == Controls.size());
#undef SUMVANE_FORM1_HAS_ROW
#undef SUMVANE_FORM1_COUNT

} // namespace form1

// value * numerator / denominator, rounded half away from zero: what Windows' MulDiv gives,
// for the front ends that do not have it.
int MulDivRounded(int value, int numerator, int denominator);
