// The window's shared description: the display rule, the recalculation and when its status is
// heard, the error box's text rule, MulDiv and the layout table itself. Both front ends build from
// these, so the same tables run on Linux and, cross-built, on Windows.
#include "engine/Utf8.h"
#include "form/Display.h"
#include "form/FormLayout.h"
#include "form/Legibility.h"
#include "form/Placement.h"
#include "form/Recalculation.h"
#include "tests/support/TestRows.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using ::PrintTo; // failing rows show their names (found with the rows, by argument)

// --- The display rule ---------------------------------------------------------------------------

struct TDisplayRow
{
    std::string name;
    TLrcResult result;
    std::vector<std::u16string> fields; // Edit16, Edit10, Edit8, Edit2
    std::u16string label9;
    TColor color;
};

class DisplayForTable : public testing::TestWithParam<TDisplayRow>
{
};

TEST_P(DisplayForTable, ShowsTheFourFormsInBlackOrTheFormatMessageInRed)
{
    const TDisplayRow& row = GetParam();
    const TDisplay display = DisplayFor(row.result);
    EXPECT_EQ(
        (std::vector<std::u16string>{display.Edit16, display.Edit10, display.Edit8, display.Edit2}),
        row.fields);
    EXPECT_TRUE(display.Label9Caption == row.label9);
    EXPECT_EQ(display.Label9Color, row.color);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DisplayForTable,
    testing::ValuesIn(std::vector<TDisplayRow>{
        {"TheExample", {true, 5, 0xE2}, {u"E2", u"226", u"342", u"1110 0010"}, u"5 Bytes", clBlack},
        {"OneByte", {true, 1, 0xFF}, {u"FF", u"255", u"377", u"1111 1111"}, u"1 Bytes", clBlack},
        {"LrcZero", {true, 2, 0}, {u"00", u"0", u"0", u"0000 0000"}, u"2 Bytes", clBlack},
        {"Invalid", {false, 0, 0}, {u"", u"", u"", u""}, u"数据格式不正确", clRed},
        {"InvalidWithLeftoverValues",
         {false, 7, 0x33},
         {u"", u"", u"", u""},
         u"数据格式不正确",
         clRed},
    }),
    RowName<TDisplayRow>);

// --- The recalculation: every change shown at once, its status heard once it has rested --------

// At `at` ms the data text becomes `text`, Label9 showing `label9` in `color`; or, without a
// text, the clock ticks and `heard` is what is announced. `settlesAt` is SettlesAt() after it.
struct TStep
{
    TMilliseconds at;
    std::optional<std::u16string> text;
    std::u16string label9;
    TColor color;
    std::optional<std::u16string> heard;
    std::optional<TMilliseconds> settlesAt;
    std::optional<std::string> utf8 = std::nullopt; // the text as the page hands it over
};

constexpr std::optional<TMilliseconds> NothingPending = std::nullopt;
constexpr auto Malformed = u"数据格式不正确";

TStep Type(TMilliseconds at, std::u16string text, std::u16string label9, TColor color,
           TMilliseconds settlesAt)
{
    return {at, std::move(text), std::move(label9), color, std::nullopt, settlesAt};
}

TStep TypeUtf8(TMilliseconds at, std::string utf8, std::u16string label9, TColor color,
               TMilliseconds settlesAt)
{
    return {at, std::nullopt, std::move(label9), color, std::nullopt, settlesAt, std::move(utf8)};
}

TStep Tick(TMilliseconds at, std::optional<std::u16string> heard,
           std::optional<TMilliseconds> settlesAt)
{
    return {at, std::nullopt, u"", clBlack, std::move(heard), settlesAt};
}

struct TRecalculationRow
{
    std::string name;
    std::vector<TStep> steps;
};

class RecalculationTable : public testing::TestWithParam<TRecalculationRow>
{
};

TEST_P(RecalculationTable, ShowsEveryChangeAndAnnouncesANewStatusOnceItHasRestedHalfASecond)
{
    TRecalculation recalculation;
    EXPECT_EQ(recalculation.SettlesAt(), NothingPending);
    for (const TStep& step : GetParam().steps) {
        SCOPED_TRACE(testing::Message() << "at " << step.at << " ms");
        if (step.text || step.utf8) {
            const TDisplay display = step.text ? recalculation.Change(*step.text, step.at)
                                               : recalculation.ChangeUtf8(*step.utf8, step.at);
            EXPECT_TRUE(display.Label9Caption == step.label9) << ToUtf8(display.Label9Caption);
            EXPECT_EQ(display.Label9Color, step.color);
        } else {
            const std::optional<std::u16string> heard = recalculation.Settle(step.at);
            EXPECT_TRUE(heard == step.heard) << (heard ? ToUtf8(*heard) : "nothing") << " heard";
        }
        EXPECT_EQ(recalculation.SettlesAt(), step.settlesAt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecalculationTable,
    testing::ValuesIn(std::vector<TRecalculationRow>{
        {"TypingWithinTheQuietTimeAnnouncesOnlyWhereItRests",
         {Type(0, u"0", Malformed, clRed, 500), Type(300, u"01", u"1 Bytes", clBlack, 800),
          Tick(500, std::nullopt, 800), Tick(800, u"1 Bytes", NothingPending),
          Tick(1300, std::nullopt, NothingPending)}},
        {"OneMillisecondEarlyAnnouncesNothing",
         {Type(1000, u"01", u"1 Bytes", clBlack, 1500), Tick(1499, std::nullopt, 1500),
          Tick(1500, u"1 Bytes", NothingPending)}},
        {"ALateTickAnnounces",
         {Type(0, u"01 A0 7C FF 02", u"5 Bytes", clBlack, 500),
          Tick(9000, u"5 Bytes", NothingPending)}},
        {"MalformedIsAnnouncedLikeAnyStatus",
         {Type(0, u"01", u"1 Bytes", clBlack, 500), Tick(500, u"1 Bytes", NothingPending),
          Type(700, u"01 G", Malformed, clRed, 1200), Tick(1200, Malformed, NothingPending)}},
        {"ADetourThroughMalformedBackToTheSameStatusSaysNothingNew",
         {Type(0, u"01", u"1 Bytes", clBlack, 500), Tick(500, u"1 Bytes", NothingPending),
          Type(1000, u"01 G", Malformed, clRed, 1500), Type(1200, u"01", u"1 Bytes", clBlack, 1700),
          Tick(1700, std::nullopt, NothingPending)}},
        {"TheSameStatusAgainSaysNothing",
         {Type(0, u"01", u"1 Bytes", clBlack, 500), Tick(500, u"1 Bytes", NothingPending),
          Type(1000, u"01 ", u"1 Bytes", clBlack, 1500), Tick(1500, std::nullopt, NothingPending),
          Type(2000, u"FF", u"1 Bytes", clBlack, 2500), Tick(2500, std::nullopt, NothingPending)}},
        {"AChangeAfterAnAnnouncementStartsTheQuietTimeAgain",
         {Type(0, u"01", u"1 Bytes", clBlack, 500), Tick(500, u"1 Bytes", NothingPending),
          Type(2000, u"01 02", u"2 Bytes", clBlack, 2500), Tick(2499, std::nullopt, 2500),
          Tick(2500, u"2 Bytes", NothingPending)}},
        {"Utf8TextGetsTheAnswersOfItsCharacters",
         {TypeUtf8(0, "01 A0 7C FF 02", u"5 Bytes", clBlack, 500),
          TypeUtf8(100, "01\xC2\x85", u"1 Bytes", clBlack, 600),  // U+0085 closes the text
          TypeUtf8(200, "01\xED\xA0\x80", Malformed, clRed, 700), // an encoded surrogate
          TypeUtf8(300, "01 \xFF", Malformed, clRed, 800), Tick(800, Malformed, NothingPending)}},
        {"NoChangeNothingPending",
         {Tick(0, std::nullopt, NothingPending), Tick(600, std::nullopt, NothingPending)}},
    }),
    RowName<TRecalculationRow>);

// --- The error box's text -----------------------------------------------------------------------

struct TErrorTextRow
{
    std::string name;
    std::u16string message;
    std::u16string shown;
};

class ErrorBoxTextTable : public testing::TestWithParam<TErrorTextRow>
{
};

TEST_P(ErrorBoxTextTable, EndsWithAFullStopWhenTheLastCodeIsAboveTheFullStops)
{
    EXPECT_TRUE(ErrorBoxText(GetParam().message) == GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Rows, ErrorBoxTextTable,
                         testing::ValuesIn(std::vector<TErrorTextRow>{
                             {"Letter", u"Out of memory", u"Out of memory."},
                             {"FullStopAlready", u"Done.", u"Done."},
                             {"ExclamationMark33", u"Failed!", u"Failed!"},
                             {"Slash47", u"a/", u"a/."},
                             {"Hyphen45", u"a-", u"a-"},
                             {"ClosingQuote39", u"'$01\t02'", u"'$01\t02'"},
                             {"ConversionMessage", u"'$01\t02' is not a valid integer value",
                              u"'$01\t02' is not a valid integer value."},
                             {"Chinese", u"数据格式不正确", u"数据格式不正确."},
                             {"Empty", u"", u""},
                         }),
                         RowName<TErrorTextRow>);

// --- Legible colours in every theme --------------------------------------------------------------

struct TLegibleRow
{
    std::string name;
    TColor fixed;
    TTheme theme;
    std::string painted; // #RRGGBB
};

constexpr TRgb Rgb(std::uint32_t rgb)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

std::string Hex(TRgb color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color.Red, color.Green, color.Blue);
    return text;
}

class LegibleColorTable : public testing::TestWithParam<TLegibleRow>
{
};

TEST_P(LegibleColorTable, PaintsTheFixedColourWhereItReadsElseTheLeastChangeOfItsMeaningThatReads)
{
    const TLegibleRow& row = GetParam();
    const TRgb painted = LegibleColor(row.fixed, row.theme);
    EXPECT_EQ(Hex(painted), row.painted)
        << "reads at " << ContrastRatio(painted, row.theme.Background) << ":1";
}

const TTheme QtLight{Rgb(0xEFEFEF), Rgb(0x000000), Rgb(0x0000FF)};
const TTheme WindowsDefault{Rgb(0xF0F0F0), Rgb(0x000000), Rgb(0x0066CC)};
const TTheme BreezeDark{Rgb(0x202326), Rgb(0xFCFCFC), Rgb(0x1D99F3)};
// A mid-dark KDE scheme that kept Breeze's link colour: red, grey and blue all read below 3:1.
const TTheme MidDark{Rgb(0x3A3A40), Rgb(0xE0E0D8), Rgb(0x1D99F3)};
const TTheme NearBlack{Rgb(0x101010), Rgb(0xE0E0E0), Rgb(0x3DAEE9)};
const TTheme GreyBlue{Rgb(0x4D5A6B), Rgb(0xFFFFFF), Rgb(0xA8D8FF)};
const TTheme HighContrastBlack{Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0xFFFF00), true};
const TTheme UnreadableTheme{Rgb(0x202326), Rgb(0x303030), Rgb(0x202080)};

// Substitutes read at 4.5:1 (the nearest of these rows at 4.50, the farthest at 4.55), but for
// the theme's text where no shade reaches that; the fixed colours that stay read at 3:1 at least
// (the nearest at 3.0004).
INSTANTIATE_TEST_SUITE_P(
    Rows, LegibleColorTable,
    testing::ValuesIn(std::vector<TLegibleRow>{
        {"QtLightBlack", clBlack, QtLight, "#000000"},
        {"QtLightRed", clRed, QtLight, "#FF0000"},
        {"QtLightGrey", clGray, QtLight, "#808080"},
        {"QtLightBlue", clBlue, QtLight, "#0000FF"},
        {"WindowsDefaultRed", clRed, WindowsDefault, "#FF0000"},
        {"WindowsDefaultGrey", clGray, WindowsDefault, "#808080"},
        {"WindowsDefaultBlue", clBlue, WindowsDefault, "#0000FF"},
        {"WindowsDefaultWindowText", clWindowText, WindowsDefault, "#000000"},
        {"BreezeDarkBlackTakesTheText", clBlack, BreezeDark, "#FCFCFC"},
        {"BreezeDarkBlueTakesTheLink", clBlue, BreezeDark, "#1D99F3"},
        {"BreezeDarkRedReadsAsItIs", clRed, BreezeDark, "#FF0000"},
        {"BreezeDarkGreyReadsAsItIs", clGray, BreezeDark, "#808080"},
        {"MidDarkBlackTakesTheText", clBlack, MidDark, "#E0E0D8"},
        {"MidDarkRedLightens", clRed, MidDark, "#FF7B7B"},
        {"MidDarkGreyBetweenFaceAndText", clGray, MidDark, "#A4A4A1"},
        {"MidDarkLinkLightensTheThemesLink", clBlue, MidDark, "#44ABF5"},
        {"NearBlackBlack", clBlack, NearBlack, "#E0E0E0"},
        {"NearBlackBlue", clBlue, NearBlack, "#3DAEE9"},
        {"GreyBlueBlack", clBlack, GreyBlue, "#FFFFFF"},
        {"GreyBlueRedLightens", clRed, GreyBlue, "#FFBFBF"},
        {"GreyBlueGreyOfTheThemesHue", clGray, GreyBlue, "#CCD0D4"},
        {"GreyBlueBlue", clBlue, GreyBlue, "#A8D8FF"},
        {"SilverFaceRedDarkens", clRed, {Rgb(0xC0C0C0), Rgb(0x000000), Rgb(0x0000FF)}, "#A30000"},
        // Only a darker red reads at 4.5:1 on mid grey; a lighter one ends in white at 3.95.
        {"MidGreyFaceRedDarkens", clRed, {Rgb(0x808080), Rgb(0x000000), Rgb(0x0000FF)}, "#3A0000"},
        // Both reach 4.5:1 here, the lighter only as all but white (#FFFEFE).
        {"DimGreyFaceRedDarkensTheLesserChange",
         clRed,
         {Rgb(0x767676), Rgb(0x000000), Rgb(0x0000FF)},
         "#120000"},
        {"TintedFaceHintOfTheThemesHue",
         clGray,
         {Rgb(0xA0C0E0), Rgb(0x102040), Rgb(0x0000FF)},
         "#394D6D"},
        {"ExactlyThreeToOneStays", clRed, {Rgb(0xDFDFDF), Rgb(0x000000), Rgb(0x0000FF)}, "#FF0000"},
        {"JustUnderThreeToOneChanges",
         clRed,
         {Rgb(0xDEDEDE), Rgb(0x000000), Rgb(0x0000FF)},
         "#C80000"},
        {"UnreadableThemeTextLightens", clBlack, UnreadableTheme, "#898989"},
        {"UnreadableThemeWindowTextLightens", clWindowText, UnreadableTheme, "#898989"},
        {"UnreadableThemeLinkLightens", clBlue, UnreadableTheme, "#8585B9"},
        // Grey reads at 2.4:1 here and the text at 3.5:1: no shade between face and text reaches
        // 4.5:1, and the text itself reads.
        {"MidGreyFaceHintTakesTheTextAsItIs",
         clGray,
         {Rgb(0xC8C8C8), Rgb(0x646464), Rgb(0x0000EE)},
         "#646464"},
        {"UnreadableLightThemeHintTakesTheDarkenedText",
         clGray,
         {Rgb(0xC0C0C0), Rgb(0xD0D0D0), Rgb(0xD0D0FF)},
         "#4F4F4F"},
        {"HighContrastStatusTakesTheText", clRed, HighContrastBlack, "#FFFFFF"},
        {"HighContrastHintTakesTheText", clGray, HighContrastBlack, "#FFFFFF"},
        {"HighContrastLinkTakesTheLink", clBlue, HighContrastBlack, "#FFFF00"},
    }),
    RowName<TLegibleRow>);

// --- MulDiv, the scaling arithmetic
// ---------------------------------------------------------------

// Desktops as left, top, width, height; outer sizes as width, height.
TEST(CentredPosition, CentresOnTheVirtualDesktopNeverAboveOrLeftOfIt)
{
    const struct
    {
        TDesktop desktop;
        int width, height;
        TPlacePoint expected;
    } rows[] = {
        {{0, 0, 1280, 800}, 346, 282, {467, 259}},
        {{-1920, 0, 3840, 1080}, 346, 282, {-173, 399}},        // a monitor left of the main one
        {{0, -1080, 1920, 2160}, 346, 282, {787, -141}},        // one above it
        {{-1920, -200, 1920, 1080}, 2000, 1200, {-1920, -200}}, // larger than the desktop
        {{0, 0, 1281, 801}, 347, 283, {467, 259}},              // both halves round down
    };
    for (const auto& row : rows) {
        const TPlacePoint at = CentredPosition(row.desktop, row.width, row.height);
        EXPECT_EQ(at.X, row.expected.X) << row.desktop.Left << "," << row.desktop.Top;
        EXPECT_EQ(at.Y, row.expected.Y) << row.desktop.Left << "," << row.desktop.Top;
    }
}

TEST(MulDivRounded, RoundsHalfAwayFromZeroLikeWindows)
{
    const struct
    {
        int value, numerator, denominator, expected;
    } rows[] = {
        {90, 15, 13, 104}, // 103.85
        {13, 3, 2, 20},    // 19.5
        {-13, 3, 2, -20},    {13, -3, 2, -20},
        {340, 144, 96, 510}, {253, 144, 96, 380}, // 379.5
        {-11, 144, 96, -17},                      // the font height at 144 pixels per inch: -16.5
        {-11, 120, 96, -14},                      // -13.75
        {0, 7, 13, 0},       {2147483647, 2, 2, 2147483647}, // no overflow on the way
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MulDivRounded(row.value, row.numerator, row.denominator), row.expected)
            << row.value << " * " << row.numerator << " / " << row.denominator;
#ifdef _WIN32
        // The rule is Windows' own: the real MulDiv answers the same rows.
        EXPECT_EQ(::MulDiv(row.value, row.numerator, row.denominator), row.expected)
            << row.value << " * " << row.numerator << " / " << row.denominator;
#endif
    }
}

// --- The layout table ---------------------------------------------------------------------------

TEST(Form1Layout, NamesEveryControlOnceAfterItsParentAndOrdersTheTabStops)
{
    std::set<std::string_view> seen{Form1Layout.Name};
    std::vector<std::string_view> tabOrder(5);
    for (const TControlLayout& control : Form1Controls()) {
        EXPECT_TRUE(seen.count(control.Parent)) << control.Name << " comes before its parent";
        EXPECT_TRUE(seen.insert(control.Name).second) << control.Name << " twice";
        const bool isEdit =
            control.Kind == TControlKind::Edit || control.Kind == TControlKind::ReadOnlyEdit;
        EXPECT_EQ(control.TabOrder >= 0, isEdit) << control.Name;
        if (control.TabOrder >= 0 && control.TabOrder < 5)
            tabOrder[control.TabOrder] = control.Name;
        if (!control.LabelFor.empty()) {
            EXPECT_TRUE(FindControl(control.LabelFor)) << control.Name;
        }
    }
    EXPECT_EQ(tabOrder,
              (std::vector<std::string_view>{"Edit1", "Edit16", "Edit10", "Edit8", "Edit2"}));
    EXPECT_EQ(seen.size(), 16u); // Form1 and its fifteen controls
    ASSERT_TRUE(FindControl("Label9"));
    EXPECT_TRUE(FindControl("Label9")->RightAligned);
    EXPECT_EQ(FindControl("Nothing"), nullptr);
}

} // namespace
