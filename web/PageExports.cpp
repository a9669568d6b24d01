// What the page asks of the window's description: the layout it is generated from, and on every
// change of the data field what the window shows, when its status settles, and in which colour
// each label reads on the page's theme.

#include "engine/Utf8.h"
#include "form/Display.h"
#include "form/FormLayout.h"
#include "form/Legibility.h"
#include "form/Recalculation.h"
#include "product/Product.h"
#include "web/Exports.h"

#include <cstdint>
#include <string>

namespace {

TRecalculation Recalculation;

std::string Quoted(std::u16string_view text)
{
    std::string quoted = "\"";
    for (const char c : ToUtf8(text)) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string Quoted(std::string_view ascii)
{
    return Quoted(std::u16string(ascii.begin(), ascii.end()));
}

std::string_view KindName(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Label:
        return "Label";
    case TControlKind::LinkLabel:
        return "LinkLabel";
    case TControlKind::Edit:
        return "Edit";
    case TControlKind::ReadOnlyEdit:
        return "ReadOnlyEdit";
    case TControlKind::GroupBox:
        return "GroupBox";
    }
    return "";
}

std::string Number(std::int64_t value)
{
    return std::to_string(value);
}

TRgb RgbOfHex(std::uint32_t rgb)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

} // namespace

// The window and its controls as JSON, for the page's generator.
SUMVANE_EXPORT(sumvane_layout) const TAnswer* SumvaneLayout()
{
    const TFormLayout& form = Form1Layout;
    std::string json = "{\"name\":" + Quoted(form.Name) + ",\"caption\":" + Quoted(form.Caption) +
                       ",\"title\":" + Quoted(ApplicationTitleText) +
                       ",\"clientWidth\":" + Number(form.ClientWidth) +
                       ",\"clientHeight\":" + Number(form.ClientHeight) +
                       ",\"fontName\":" + Quoted(form.FontName) +
                       ",\"fontHeight\":" + Number(form.FontHeight) +
                       ",\"color\":" + Number(form.Color) +
                       ",\"address\":" + Quoted(WebPageAddress) + ",\"controls\":[";
    bool first = true;
    for (const TControlLayout& c : Form1Controls()) {
        json += first ? "{" : ",{";
        first = false;
        json += "\"name\":" + Quoted(c.Name) + ",\"kind\":" + Quoted(KindName(c.Kind)) +
                ",\"parent\":" + Quoted(c.Parent) + ",\"left\":" + Number(c.Left) +
                ",\"top\":" + Number(c.Top) + ",\"width\":" + Number(c.Width) +
                ",\"height\":" + Number(c.Height) + ",\"caption\":" + Quoted(c.Caption) +
                ",\"fontColor\":" + Number(c.FontColor) +
                ",\"rightAligned\":" + (c.RightAligned ? "true" : "false") +
                ",\"tabOrder\":" + Number(c.TabOrder) + ",\"labelFor\":" + Quoted(c.LabelFor) + "}";
    }
    return Answer(json + "]}");
}

// Edit1's text (UTF-8) changed at `now`: the four result texts, Label9's caption and its font
// colour (a TColor, in decimal), joined by NUL.
SUMVANE_EXPORT(sumvane_change)
const TAnswer* SumvaneChange(const char* utf8, std::size_t size, double now)
{
    const TDisplay display =
        Recalculation.ChangeUtf8({utf8, size}, static_cast<TMilliseconds>(now));
    const std::string color = std::to_string(static_cast<std::uint32_t>(display.Label9Color));
    return Answer(Joined({display.Edit16, display.Edit10, display.Edit8, display.Edit2,
                          display.Label9Caption, std::u16string(color.begin(), color.end())}));
}

// When the pending status settles, on the clock the changes were given; -1: none pending.
SUMVANE_EXPORT(sumvane_settles_at) double SumvaneSettlesAt()
{
    const auto at = Recalculation.SettlesAt();
    return at ? static_cast<double>(*at) : -1.0;
}

// The status to announce now, or none (a null answer).
SUMVANE_EXPORT(sumvane_settle) const TAnswer* SumvaneSettle(double now)
{
    const auto status = Recalculation.Settle(static_cast<TMilliseconds>(now));
    return status ? Answer(ToUtf8(*status)) : nullptr;
}

// The colour (0xRRGGBB) a label whose font colour is `fixed` is painted with on the page's
// theme, given as 0xRRGGBB colours.
SUMVANE_EXPORT(sumvane_legible_color)
std::uint32_t SumvaneLegibleColor(std::uint32_t fixed, std::uint32_t background, std::uint32_t text,
                                  std::uint32_t link, int highContrast)
{
    const TRgb painted =
        LegibleColor(static_cast<TColor>(fixed),
                     {RgbOfHex(background), RgbOfHex(text), RgbOfHex(link), highContrast != 0});
    return static_cast<std::uint32_t>(painted.Red) << 16 |
           static_cast<std::uint32_t>(painted.Green) << 8 | painted.Blue;
}

// The error box's text for a failure's message (UTF-8).
SUMVANE_EXPORT(sumvane_error_box_text)
const TAnswer* SumvaneErrorBoxText(const char* utf8, std::size_t size)
{
    return Answer(ToUtf8(ErrorBoxText(ToUtf16({utf8, size}))));
}
