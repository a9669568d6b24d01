#include "win/Layout.h"

#include "win/WinText.h"

#include <algorithm>
#include <string>

TFont CreateWindowFont(int pixelsPerInch, bool underline)
{
    const std::u16string name(Form1Layout.FontName);
    return TFont(CreateFontW(
        ::MulDiv(Form1Layout.FontHeight, pixelsPerInch, Form1Layout.DesignPixelsPerInch), 0, 0, 0,
        FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(name)));
}

SIZE TextExtent(HFONT font, std::u16string_view text)
{
    const TScreenDc screen(GetDC(nullptr));
    const HGDIOBJ previous = SelectObject(screen.Get(), font);
    SIZE size{};
    GetTextExtentPoint32W(screen.Get(), Wide(text), static_cast<int>(text.size()), &size);
    SelectObject(screen.Get(), previous);
    return size;
}

TControlClass ControlClassOf(const TControlLayout& row)
{
    switch (row.Kind) {
    case TControlKind::Label:
        return {L"STATIC",
                static_cast<DWORD>((row.RightAligned ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX), 0};
    case TControlKind::LinkLabel:
        return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0};
    case TControlKind::Edit:
        return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE}; // single sunken border
    case TControlKind::ReadOnlyEdit:
        return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE};
    case TControlKind::GroupBox:
        break;
    }
    return {L"BUTTON", BS_GROUPBOX, 0};
}

std::vector<const TControlLayout*> CreationOrder()
{
    std::vector<const TControlLayout*> tabStops;
    for (const TControlLayout& row : Form1Controls())
        if (row.TabOrder >= 0)
            tabStops.push_back(&row);
    std::ranges::sort(tabStops, {}, &TControlLayout::TabOrder);
    const auto labelOf = [](std::string_view field) -> const TControlLayout* {
        for (const TControlLayout& row : Form1Controls())
            if (row.LabelFor == field)
                return &row;
        return nullptr;
    };

    std::vector<const TControlLayout*> order;
    auto nextTabStop = tabStops.begin();
    for (const TControlLayout& row : Form1Controls()) {
        if (!row.LabelFor.empty())
            continue; // created right before its field
        const TControlLayout* control = row.TabOrder >= 0 ? *nextTabStop++ : &row;
        if (const TControlLayout* label = labelOf(control->Name))
            order.push_back(label);
        order.push_back(control);
    }
    return order;
}

void AutoSizeLabel(HWND label, std::u16string_view caption, std::optional<int> rightEdge)
{
    // The old pixels are not carried along: a right-aligned caption moved with its left edge
    // would stand in the wrong place.
    const HWND parent = GetParent(label);
    RECT rect;
    GetWindowRect(label, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const SIZE size = TextExtent(font, caption);
    const int left = rightEdge ? *rightEdge - size.cx : rect.left;
    SetWindowPos(label, nullptr, left, rect.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}
