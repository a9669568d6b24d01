#include "form/FormLayout.h"

#include "packaging/Product.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using enum TControlKind;

constexpr std::array Controls{
    TControlLayout{"Label1", Label, "Form1", 18, 8, 127, 13, u"需要校验的数据（Hex）", clWindowText,
                   false, -1, "Edit1"},
    TControlLayout{"Edit1", Edit, "Form1", 18, 27, 304, 21, u"", clWindowText, false, 0},
    TControlLayout{"Label6", Label, "Form1", 18, 54, 110, 13, u"例如：01 A0 7C FF 02", clGray},
    TControlLayout{"Label9", Label, "Form1", 286, 54, 36, 13, u"字节数", clWindowText, true},
    TControlLayout{"GroupBox1", GroupBox, "Form1", 18, 84, 304, 137, u"校验结果"},
    TControlLayout{"Label2", Label, "GroupBox1", 17, 22, 48, 13, u"十六进制", clWindowText, false,
                   -1, "Edit16"},
    TControlLayout{"Edit16", ReadOnlyEdit, "GroupBox1", 90, 19, 120, 21, u"", clWindowText, false,
                   1},
    TControlLayout{"Label3", Label, "GroupBox1", 17, 49, 36, 13, u"十进制", clWindowText, false, -1,
                   "Edit10"},
    TControlLayout{"Edit10", ReadOnlyEdit, "GroupBox1", 90, 46, 120, 21, u"", clWindowText, false,
                   2},
    TControlLayout{"Label4", Label, "GroupBox1", 17, 76, 36, 13, u"八进制", clWindowText, false, -1,
                   "Edit8"},
    TControlLayout{"Edit8", ReadOnlyEdit, "GroupBox1", 90, 73, 120, 21, u"", clWindowText, false,
                   3},
    TControlLayout{"Label5", Label, "GroupBox1", 17, 105, 36, 13, u"二进制", clWindowText, false,
                   -1, "Edit2"},
    TControlLayout{"Edit2", ReadOnlyEdit, "GroupBox1", 90, 100, 120, 21, u"", clWindowText, false,
                   4},
    TControlLayout{"Label7", Label, "Form1", 18, 227, 120, 13, u"Sumvane  2016.08.29"},
    TControlLayout{"Label8", LinkLabel, "Form1", 180, 227, 142, 13, WebPageAddress, clBlue},
};

} // namespace

std::span<const TControlLayout> Form1Controls()
{
    return Controls;
}

const TControlLayout* FindControl(std::string_view name)
{
    const auto* found = std::find_if(Controls.begin(), Controls.end(),
                                     [&](const TControlLayout& c) { return c.Name == name; });
    return found == Controls.end() ? nullptr : found;
}

int MulDivRounded(int value, int numerator, int denominator)
{
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t d = std::llabs(denominator);
    const std::int64_t rounded = (std::llabs(product) * 2 + d) / (2 * d);
    return static_cast<int>((product < 0) != (denominator < 0) ? -rounded : rounded);
}

std::u16string ErrorBoxText(std::u16string_view message)
{
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.')
        text += u'.';
    return text;
}
