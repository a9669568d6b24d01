// The window on Windows' own controls, in process: built at 96 and 144 pixels per inch, driven
// with the messages Windows sends for typing, Tab and clicks.
#include "engine/Lrc.h"
#include "form/Display.h"
#include "form/FormLayout.h"
#include "form/Legibility.h"
#include "product/Product.h"
#include "tests/support/ExampleRows.h"
#include "tests/support/PasteRows.h"
#include "tests/support/SharedRows.h"
#include "tests/support/TestRows.h"
#include "win/Platform.h"
#include "win/Unit1.h"
#include "win/WinText.h"

#include <windows.h>

#include <chrono>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <memory>
#include <oleacc.h>
#include <optional>
#include <string>
#include <uxtheme.h>
#include <vector>

namespace {

using ::PrintTo; // failing rows show their names (found with the rows, by argument)

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// A control's rectangle in the form's client coordinates.
RECT RectOf(const TForm1& form, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE Extent(HWND control, std::u16string_view text)
{
    const HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

void Type(HWND edit, std::u16string_view text)
{
    for (const char16_t c : text)
        SendMessageW(edit, WM_CHAR, c, 1);
}

TForm1::TOptions At(int pixelsPerInch)
{
    return {pixelsPerInch, false};
}

// Counts EN_CHANGE from the result fields, seen where the form receives them.
struct TChangeCounter
{
    static inline int count = 0;
    static inline std::vector<HWND> fields;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR)
    {
        if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
            for (HWND field : fields)
                count += reinterpret_cast<HWND>(lParam) == field;
        return DefSubclassProc(window, message, wParam, lParam);
    }
};

// COM on this thread for as long as a test needs it, ended however the test ends.
class TComApartment
{
public:
    TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~TComApartment() { CoUninitialize(); }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
};

// --- Layout at 96 and 144 pixels per inch ----------------------------------------------------

class WindowLayout : public testing::TestWithParam<int>
{
};

TEST_P(WindowLayout, ScalesTheFontByTheDensityAndEveryPlaceByTheMeasuredTextHeight)
{
    const int dpi = GetParam();
    const TWindowPlaces expected = WindowPlacesAt(dpi); // stated in tests/data/rows.json
    TForm1 form(At(dpi));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Edit1, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, expected.fontHeight);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(form.TextHeight(), expected.textHeight);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, expected.clientWidth);
    EXPECT_EQ(client.bottom, expected.clientHeight);
    int children = 0;
    for (HWND child = GetWindow(form.Handle(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        ++children;
    EXPECT_EQ(children, static_cast<int>(expected.controls.size())) << "a control has no place";

    for (const TPlaceRow& row : expected.controls) {
        SCOPED_TRACE(row.name + " at " + std::to_string(dpi) + " dpi");
        const HWND control = form.Control(row.name);
        ASSERT_TRUE(control);
        // Every control is the form's own child; a group box's are placed in its area all the same.
        const HWND parent = form.Control(row.parent);
        const RECT origin = parent ? RectOf(form, parent) : RECT{};
        RECT rect = RectOf(form, control);
        OffsetRect(&rect, -origin.left, -origin.top);
        EXPECT_EQ(rect.top, row.top);
        wchar_t windowClass[32] = {};
        GetClassNameW(control, windowClass, 32);
        EXPECT_EQ(lstrcmpiW(windowClass, L"Static") == 0, !row.fits.empty());
        if (!row.fits.empty()) {
            const SIZE caption = Extent(control, row.caption);
            EXPECT_EQ(rect.right - rect.left, caption.cx);
            EXPECT_EQ(rect.bottom - rect.top, caption.cy);
            if (row.fits == "right")
                EXPECT_EQ(rect.right, row.left + row.width);
            else
                EXPECT_EQ(rect.left, row.left);
        } else {
            EXPECT_EQ(rect.left, row.left);
            EXPECT_EQ(rect.right - rect.left, row.width);
            EXPECT_EQ(rect.bottom - rect.top, row.height);
        }
        EXPECT_TRUE(TextOf(control) == row.caption);
    }
}

INSTANTIATE_TEST_SUITE_P(Densities, WindowLayout, testing::Values(96, 144),
                         [](const auto& info) { return std::to_string(info.param) + "dpi"; });

TEST(Window, HasTheCaptionStylesAndColoursOfTheLayout)
{
    TForm1 form(At(96));
    EXPECT_TRUE(TextOf(form.Handle()) == Form1Layout.Caption);
    const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) << std::hex << style;
    EXPECT_TRUE(GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), nullptr);

    const struct
    {
        const char* name;
        const wchar_t* windowClass;
        LONG_PTR set, clear;
    } rows[] = {
        {"Edit1", L"Edit", WS_TABSTOP, ES_READONLY},
        {"Edit16", L"Edit", WS_TABSTOP | ES_READONLY, 0},
        {"Edit10", L"Edit", WS_TABSTOP | ES_READONLY, 0},
        {"Edit8", L"Edit", WS_TABSTOP | ES_READONLY, 0},
        {"Edit2", L"Edit", WS_TABSTOP | ES_READONLY, 0},
        {"GroupBox1", L"Button", BS_GROUPBOX, WS_TABSTOP},
        {"Label9", L"Static", SS_RIGHT, WS_TABSTOP},
        {"Label8", L"Static", SS_NOTIFY, WS_TABSTOP},
        {"Label1", L"Static", 0, WS_TABSTOP | SS_NOTIFY},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const HWND control = form.Control(row.name);
        wchar_t windowClass[32] = {};
        GetClassNameW(control, windowClass, 32);
        EXPECT_EQ(lstrcmpiW(windowClass, row.windowClass), 0);
        const LONG_PTR controlStyle = GetWindowLongPtrW(control, GWL_STYLE);
        EXPECT_EQ(controlStyle & row.set, row.set);
        EXPECT_EQ(controlStyle & row.clear, 0);
    }
    EXPECT_GT(SendMessageW(form.Edit1, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFF0); // no limit set
    EXPECT_EQ(form.FontColor(form.Label6), clGray);
    EXPECT_EQ(form.FontColor(form.Label8), clBlue);
    EXPECT_EQ(form.FontColor(form.Label9), clWindowText);
    LOGFONTW link{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Label8, WM_GETFONT, 0, 0)), sizeof link,
               &link);
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_TRUE(TextOf(form.Label8) == std::u16string_view(WebPageAddress));

    // The hand over the link, the arrow elsewhere.
    SendMessageW(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Label8),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

    // Read-only fields are painted on the window colour, labels on the form's.
    const HDC dc = GetDC(form.Handle());
    for (HWND field : {form.Edit16, form.Edit10, form.Edit8, form.Edit2}) {
        EXPECT_EQ(SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(field)),
                  reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
    }
    EXPECT_EQ(SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(form.Label6)),
              reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
    EXPECT_EQ(GetTextColor(dc), RGB(0x80, 0x80, 0x80));
    ReleaseDC(form.Handle(), dc);
}

// What a label is painted with: the text colour its WM_CTLCOLORSTATIC sets.
COLORREF PaintedColor(const TForm1& form, HWND label)
{
    const HDC dc = GetDC(form.Handle());
    SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label));
    const COLORREF color = GetTextColor(dc);
    ReleaseDC(form.Handle(), dc);
    return color;
}

TEST(Window, EveryStatusReadsInHighContrastBlackAndTheDefaultColoursReturn)
{
    TForm1 form(At(96));
    // The system colours of Windows' High Contrast Black, then back to what they were.
    const int elements[] = {COLOR_BTNFACE, COLOR_WINDOWTEXT, COLOR_HOTLIGHT, COLOR_WINDOW};
    const COLORREF highContrast[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 0),
                                     RGB(0, 0, 0)};
    COLORREF before[4];
    for (int i = 0; i < 4; ++i)
        before[i] = GetSysColor(elements[i]);
    ASSERT_TRUE(SetSysColors(4, elements, highContrast));
    SendMessageW(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);

    const TRgb face = RgbOf(GetSysColor(COLOR_BTNFACE));
    const auto reads = [&](HWND label) {
        return ContrastRatio(RgbOf(PaintedColor(form, label)), face) >= LegibleContrast;
    };
    Type(form.Edit1, u"01 A0 7C FF 02");
    EXPECT_TRUE(reads(form.Label9)) << std::hex << PaintedColor(form, form.Label9);
    EXPECT_EQ(PaintedColor(form, form.Label9), RGB(255, 255, 255)); // the theme's text
    Type(form.Edit1, u"G");
    EXPECT_TRUE(reads(form.Label9)) << std::hex << PaintedColor(form, form.Label9);
    EXPECT_EQ(form.FontColor(form.Label9), clRed); // the handler's colour is still the layout's
    EXPECT_TRUE(reads(form.Label6)) << std::hex << PaintedColor(form, form.Label6);
    EXPECT_EQ(PaintedColor(form, form.Label8), RGB(255, 255, 0)); // the theme's link colour
    // The light visual style would draw the group box's caption black: it is drawn classic.
    EXPECT_EQ(GetWindowTheme(form.GroupBox1), nullptr);

    ASSERT_TRUE(SetSysColors(4, elements, before));
    SendMessageW(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(PaintedColor(form, form.Label9), RGB(255, 0, 0));
    EXPECT_EQ(PaintedColor(form, form.Label6), RGB(128, 128, 128));
    EXPECT_EQ(PaintedColor(form, form.Label8), RGB(0, 0, 255));
    EXPECT_NE(GetWindowTheme(form.GroupBox1), nullptr);
}

// --- Start-up: where the window opens and how it is shown --------------------------------------

TEST(StartUp, HonoursOnlyTheMaximizedAndTheInactiveMinimizedShowRequests)
{
    const struct
    {
        DWORD flags;
        WORD show;
        int expected;
    } rows[] = {
        {STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE},
        {STARTF_USESHOWWINDOW, SW_SHOWMINIMIZED, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_HIDE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_MINIMIZE, SW_SHOWNORMAL},
        {STARTF_USESHOWWINDOW, SW_SHOWNOACTIVATE, SW_SHOWNORMAL},
        {0, SW_SHOWMAXIMIZED, SW_SHOWNORMAL}, // without the flag the field means nothing
    };
    for (const auto& row : rows) {
        STARTUPINFOW info{};
        info.cb = sizeof info;
        info.dwFlags = row.flags;
        info.wShowWindow = row.show;
        EXPECT_EQ(StartupShowCommand(info), row.expected) << row.flags << " " << row.show;
    }
}

TEST(Window, GivesTheFocusBackToTheFieldThatHadItWhenActivatedAgain)
{
    TForm1 form(At(96));
    ShowWindow(form.Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(form.Handle());
    SetFocus(form.Edit10);
    ASSERT_EQ(GetFocus(), form.Edit10);
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), form.Edit10);
}

// --- The display on every keystroke ------------------------------------------------------------

TEST(Window, StartsUntouchedAndFollowsEveryPrefixOfTheExample)
{
    TForm1 form(At(96));
    for (HWND field : {form.Edit1, form.Edit16, form.Edit10, form.Edit8, form.Edit2})
        EXPECT_TRUE(TextOf(field).empty());
    EXPECT_TRUE(TextOf(form.Label9) == u"字节数");
    EXPECT_EQ(form.FontColor(form.Label9), clWindowText);

    const std::u16string example = u"01 A0 7C FF 02";
    const int rightEdge = RectOf(form, form.Label9).right;
    for (std::size_t i = 0; i < example.size(); ++i) {
        Type(form.Edit1, example.substr(i, 1));
        const std::u16string prefix = example.substr(0, i + 1);
        SCOPED_TRACE(Narrow(prefix));
        ASSERT_TRUE(TextOf(form.Edit1) == prefix);
        const TPrefixRow expected = ExamplePrefixRows().at(i);
        ASSERT_TRUE(expected.typed == prefix);
        EXPECT_EQ(Narrow(TextOf(form.Edit16)), Narrow(expected.hex));
        EXPECT_EQ(Narrow(TextOf(form.Edit10)), Narrow(expected.decimal));
        EXPECT_EQ(Narrow(TextOf(form.Edit8)), Narrow(expected.octal));
        EXPECT_EQ(Narrow(TextOf(form.Edit2)), Narrow(expected.binary));
        EXPECT_TRUE(TextOf(form.Label9) == expected.status);
        EXPECT_EQ(form.FontColor(form.Label9), expected.color);
        EXPECT_EQ(RectOf(form, form.Label9).right, rightEdge); // grows and shrinks to the left
    }
    EXPECT_EQ(Narrow(TextOf(form.Edit16) + u" " + TextOf(form.Edit10) + u" " + TextOf(form.Edit8) +
                     u" " + TextOf(form.Edit2) + u" " + TextOf(form.Label9)),
              "E2 226 342 1110 0010 5 Bytes");

    // Emptying the field is the invalid state.
    SetWindowTextW(form.Edit1, L"");
    EXPECT_TRUE(TextOf(form.Edit16).empty());
    EXPECT_TRUE(TextOf(form.Label9) == u"数据格式不正确");
    EXPECT_EQ(form.FontColor(form.Label9), clRed);

    // A long paste is kept whole: no length limit.
    std::wstring paste;
    for (int i = 0; i < 33'333; ++i)
        paste += L"7F ";
    paste += L"7F";
    SetWindowTextW(form.Edit1, paste.c_str());
    EXPECT_EQ(GetWindowTextLengthW(form.Edit1), static_cast<int>(paste.size()));
    EXPECT_TRUE(TextOf(form.Label9) == u"33334 Bytes");
}

TEST(Window, AnUnchangedResultRaisesNoChangeNotificationAndKeepsTheSelection)
{
    TForm1 form(At(96));
    TChangeCounter::fields = {form.Edit16, form.Edit10, form.Edit8, form.Edit2};
    ASSERT_TRUE(SetWindowSubclass(form.Handle(), TChangeCounter::Proc, 1, 0));
    Type(form.Edit1, u"01");
    SendMessageW(form.Edit10, EM_SETSEL, 1, 3);

    TChangeCounter::count = 0;
    // Shown, since a hidden window gathers no region to repaint.
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ValidateRect(form.Label9, nullptr);
    Type(form.Edit1, u" "); // "01 ": the same byte, the same LRC
    EXPECT_EQ(TChangeCounter::count, 0);
    EXPECT_FALSE(GetUpdateRect(form.Label9, nullptr, FALSE)) << "Label9 repainted for nothing";
    DWORD start = 0, end = 0;
    SendMessageW(form.Edit10, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);

    // Real changes do notify ("01 0" empties the fields, "01 02" fills them), so the counter
    // above could have counted.
    Type(form.Edit1, u"02");
    EXPECT_EQ(TChangeCounter::count, 8);
    RemoveWindowSubclass(form.Handle(), TChangeCounter::Proc, 1);
}

// --- Keyboard: Tab order and selection --------------------------------------------------------

TEST(Window, TabVisitsTheFieldsInOrderSelectingTheirWholeText)
{
    TForm1 form(At(96));
    ShowWindow(form.Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(form.Handle());
    SetFocus(form.Edit1);
    ASSERT_EQ(GetFocus(), form.Edit1);
    Type(form.Edit1, u"01 A0 7C FF 02");

    BYTE keys[256] = {};
    const auto press = [&](bool shift) {
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(form.Handle(), &message));
    };
    for (HWND expected : {form.Edit16, form.Edit10, form.Edit8, form.Edit2, form.Edit1}) {
        press(false);
        EXPECT_EQ(GetFocus(), expected);
        DWORD start = 1, end = 0;
        SendMessageW(expected, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(expected)));
    }
    for (HWND expected : {form.Edit2, form.Edit8, form.Edit10, form.Edit16, form.Edit1}) {
        press(true);
        EXPECT_EQ(GetFocus(), expected);
    }
    press(false);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

// --- The link ---------------------------------------------------------------------------------

struct TMouse
{
    UINT message;
    POINT at; // in Label8's client coordinates
};

struct TClickRow
{
    std::string name;
    std::vector<TMouse> messages;
    int opened;
};

// The calls the link made to ShellExecuteW while it lives.
class TShellCalls
{
public:
    struct TCall
    {
        HWND owner;
        bool verb, parameters, directory;
        std::wstring file;
        int show;
    };
    TShellCalls()
        : m_previous(SetShellExecute([this](HWND owner, const wchar_t* verb, const wchar_t* file,
                                            const wchar_t* parameters, const wchar_t* directory,
                                            int show) {
              calls.push_back({owner, verb != nullptr, parameters != nullptr, directory != nullptr,
                               file, show});
          }))
    {
    }
    ~TShellCalls() { SetShellExecute(m_previous); }
    std::vector<TCall> calls;

private:
    TShellExecute m_previous;
};

class LinkClicks : public testing::TestWithParam<TClickRow>
{
};

// Steps of the test's own among the mouse messages.
constexpr UINT AccessibleAction = WM_APP;    // the link's accessible object's default action
constexpr UINT WindowDestroyed = WM_APP + 1; // the form goes; a screen reader keeps the object

TEST_P(LinkClicks, OpenTheAddressOnceForAReleaseOverTheLinkAfterAPressOnIt)
{
    const TComApartment com;
    TShellCalls shell;
    std::optional<TForm1> form(std::in_place, At(96));
    const HWND window = form->Handle(), link = form->Label8;
    IAccessible* object = nullptr;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(link, OBJID_CLIENT, __uuidof(IAccessible),
                                                        reinterpret_cast<void**>(&object)));
    const std::unique_ptr<IAccessible, void (*)(IAccessible*)> held(
        object, [](IAccessible* o) { o->Release(); });
    for (const TMouse& mouse : GetParam().messages) {
        if (mouse.message == AccessibleAction) {
            VARIANT self;
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            (void)object->accDoDefaultAction(self);
        } else if (mouse.message == WindowDestroyed) {
            form.reset();
        } else {
            SendMessageW(link, mouse.message, mouse.message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                         MAKELPARAM(mouse.at.x, mouse.at.y));
        }
    }

    ASSERT_EQ(static_cast<int>(shell.calls.size()), GetParam().opened);
    for (const TShellCalls::TCall& call : shell.calls) {
        EXPECT_EQ(call.owner, ApplicationWindow());
        EXPECT_NE(call.owner, window);
        EXPECT_FALSE(call.verb || call.parameters || call.directory);
        EXPECT_EQ(call.file, std::wstring(reinterpret_cast<const wchar_t*>(WebPageAddress)));
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
    EXPECT_TRUE(IsWindowVisible(ApplicationWindow()) == FALSE);
    if (GetParam().messages.back().message == WM_LBUTTONUP) {
        EXPECT_EQ(GetCapture(), nullptr) << "the link keeps the mouse after the release";
    }
}

constexpr POINT On{3, 3};
constexpr POINT Off{-40, 3}; // left of the link, where the captured release still arrives

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkClicks,
    testing::ValuesIn(std::vector<TClickRow>{
        {"AClick", {{WM_LBUTTONDOWN, On}, {WM_LBUTTONUP, On}}, 1},
        {"ADoubleClick",
         {{WM_LBUTTONDOWN, On}, {WM_LBUTTONUP, On}, {WM_LBUTTONDBLCLK, On}, {WM_LBUTTONUP, On}},
         1},
        {"TwoClicks",
         {{WM_LBUTTONDOWN, On}, {WM_LBUTTONUP, On}, {WM_LBUTTONDOWN, On}, {WM_LBUTTONUP, On}},
         2},
        {"RightButton", {{WM_RBUTTONDOWN, On}, {WM_RBUTTONUP, On}}, 0},
        {"APressThatLeavesTheLink",
         {{WM_LBUTTONDOWN, On}, {WM_MOUSEMOVE, Off}, {WM_LBUTTONUP, Off}},
         0},
        {"AReleaseThatOnlyEndsOnTheLink", {{WM_LBUTTONUP, On}}, 0},
        {"APressAloneOpensNothing", {{WM_LBUTTONDOWN, On}}, 0},
        {"TheAccessibleObjectsAction", {{AccessibleAction, On}}, 1},
        {"TheAccessibleObjectOnceTheWindowIsGone",
         {{WindowDestroyed, On}, {AccessibleAction, On}},
         0},
    }),
    [](const auto& info) { return info.param.name; });

// --- Pasting: the clipboard's whole text
// ----------------------------------------------------------

class PasteTable : public testing::TestWithParam<TPasteRow>
{
};

TEST_P(PasteTable, KeepsEveryCharacterAsOneUndoableChange)
{
    TForm1 form(At(96));
    const std::u16string& text = GetParam().clipboard;
    ASSERT_TRUE(OpenClipboard(form.Handle()));
    EmptyClipboard();
    const HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1,
              static_cast<char16_t*>(GlobalLock(data)));
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();

    Type(form.Edit1, u"01 ");
    SendMessageW(form.Edit1, WM_PASTE, 0, 0);
    EXPECT_TRUE(TextOf(form.Edit1) == u"01 " + text) << Narrow(TextOf(form.Edit1));
    SendMessageW(form.Edit1, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(reinterpret_cast<const wchar_t*>(text.c_str())));
    EXPECT_TRUE(TextOf(form.Edit1) == text) << "WM_SETTEXT from another program";
    EXPECT_TRUE(TextOf(form.Edit16) == GetParam().hex) << Narrow(TextOf(form.Edit16));
    EXPECT_TRUE(TextOf(form.Label9) == GetParam().status);

    // The paste was one step: undoing it returns to the text before it.
    SendMessageW(form.Edit1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"01 "));
    SendMessageW(form.Edit1, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(form.Edit1, WM_PASTE, 0, 0);
    SendMessageW(form.Edit1, EM_UNDO, 0, 0);
    EXPECT_TRUE(TextOf(form.Edit1) == u"01 ") << Narrow(TextOf(form.Edit1));
}

INSTANTIATE_TEST_SUITE_P(Rows, PasteTable, testing::ValuesIn(PasteRows()), RowName<TPasteRow>);

// --- Label9 on screen after its caption jumps in length
// -------------------------------------------

// Label9's place on screen as pixels, once every pending paint is done.
std::vector<COLORREF> Label9Pixels(const TForm1& form)
{
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const HDC dc = GetDC(form.Handle());
    std::vector<COLORREF> pixels;
    // The whole row Label9 can take, from the group box's left to the field's right edge.
    for (int y = form.TextHeight() * 54 / 13; y < form.TextHeight() * 67 / 13; ++y)
        for (int x = form.TextHeight() * 130 / 13; x < form.TextHeight() * 322 / 13; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(form.Handle(), dc);
    return pixels;
}

TEST(Window, Label9LeavesNothingOfAnOldCaptionAfterAJumpInLength)
{
    std::u16string big;
    for (int i = 0; i < 123456; ++i)
        big += u"7F ";
    const auto shown = [](const std::u16string& text) {
        TForm1 fresh(At(96));
        ShowWindow(fresh.Handle(), SW_SHOWNOACTIVATE);
        SetWindowTextW(fresh.Edit1, reinterpret_cast<const wchar_t*>(text.c_str()));
        return Label9Pixels(fresh);
    };
    const std::vector<COLORREF> bigFresh = shown(big), smallFresh = shown(u"01");

    TForm1 form(At(96));
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    SetWindowTextW(form.Edit1, L"01");
    Label9Pixels(form);
    SetWindowTextW(form.Edit1, reinterpret_cast<const wchar_t*>(big.c_str()));
    EXPECT_TRUE(TextOf(form.Label9) == u"123456 Bytes");
    EXPECT_EQ(Label9Pixels(form), bigFresh) << "after growing from 1 Bytes";
    SetWindowTextW(form.Edit1, L"01");
    EXPECT_EQ(Label9Pixels(form), smallFresh) << "after shrinking back";
}

// --- What a screen reader hears
// -------------------------------------------------------------------

// Lets the window's messages (the quiet-time timer, out-of-context WinEvents) run until the
// condition holds, for at most `deadline`; whether it held.
template <class TCondition> bool PumpUntil(TCondition condition, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

std::u16string AccessibleName(IAccessible* object)
{
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::u16string text;
    if (SUCCEEDED(object->get_accName(self, &name)) && name)
        text.assign(reinterpret_cast<const char16_t*>(name), SysStringLen(name));
    SysFreeString(name);
    return text;
}

std::vector<std::u16string> g_liveRegionNames;

void CALLBACK OnLiveRegion(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    IAccessible* accessible = nullptr;
    VARIANT item;
    if (SUCCEEDED(AccessibleObjectFromEvent(window, object, child, &accessible, &item)) &&
        accessible) {
        g_liveRegionNames.push_back(AccessibleName(accessible));
        accessible->Release();
    }
}

TEST(Window, TheSettledStatusIsHeardOnceAsALiveRegion)
{
    const TComApartment com;
    // A short quiet time, so that each status is soon due.
    const std::chrono::milliseconds quiet(50);
    TForm1::TOptions options = At(96);
    options.StatusQuiet = quiet.count();
    TForm1 form(options);
    g_liveRegionNames.clear();
    const std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, decltype(&UnhookWinEvent)> hook(
        SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                        OnLiveRegion, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT),
        &UnhookWinEvent);
    ASSERT_TRUE(hook);
    const auto heard = [](std::size_t count) {
        return PumpUntil([&] { return g_liveRegionNames.size() >= count; },
                         std::chrono::seconds(10));
    };
    Type(form.Edit1, u"01 A0 7C FF 02"); // flips between states at every first digit
    ASSERT_TRUE(heard(1));
    ASSERT_EQ(g_liveRegionNames.size(), 1u);
    EXPECT_TRUE(g_liveRegionNames[0] == u"5 Bytes") << Narrow(g_liveRegionNames[0]);
    Type(form.Edit1, u" "); // the status stays "5 Bytes"
    // That nothing is heard shows only once the quiet time has passed: this waits it out, with
    // room for the timer and the event's delivery.
    PumpUntil([] { return false; }, 4 * quiet);
    EXPECT_EQ(g_liveRegionNames.size(), 1u);
    Type(form.Edit1, u"G");
    ASSERT_TRUE(heard(2));
    ASSERT_EQ(g_liveRegionNames.size(), 2u);
    EXPECT_TRUE(g_liveRegionNames[1] == u"数据格式不正确");
}

TEST(Window, TheLinkAndTheDataFieldTellAssistiveTechnologyWhatTheyAre)
{
    const TComApartment com;
    {
        TShellCalls shell;
        TForm1 form(At(96));
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;

        IAccessible* link = nullptr;
        ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(
            form.Label8, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&link)));
        VARIANT role, state;
        ASSERT_HRESULT_SUCCEEDED(link->get_accRole(self, &role));
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
        EXPECT_TRUE(AccessibleName(link) == std::u16string(WebPageAddress));
        ASSERT_HRESULT_SUCCEEDED(link->get_accState(self, &state));
        EXPECT_FALSE(state.lVal & STATE_SYSTEM_FOCUSABLE);
        BSTR action = nullptr;
        ASSERT_HRESULT_SUCCEEDED(link->get_accDefaultAction(self, &action));
        EXPECT_EQ(std::wstring(action, SysStringLen(action)), L"Jump");
        SysFreeString(action);
        EXPECT_HRESULT_SUCCEEDED(link->accDoDefaultAction(self));
        EXPECT_EQ(shell.calls.size(), 1u);
        link->Release();

        IAccessible* field = nullptr;
        ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(
            form.Edit1, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&field)));
        BSTR description = nullptr;
        ASSERT_HRESULT_SUCCEEDED(field->get_accDescription(self, &description));
        EXPECT_TRUE(std::u16string(reinterpret_cast<const char16_t*>(description),
                                   SysStringLen(description)) == u"例如：01 A0 7C FF 02");
        SysFreeString(description);
        EXPECT_TRUE(AccessibleName(field) ==
                    u"需要校验的数据（Hex）"); // the standard object's, from its label
        field->Release();
    }
}

// --- A failing handler --------------------------------------------------------------------------

TEST(Window, AFailingHandlerShowsTheErrorBoxAndTheProgramCarriesOn)
{
    struct TBox
    {
        std::u16string text, caption;
        UINT type;
    };
    std::vector<TBox> boxes;
    const TMessageBox previous =
        SetMessageBox([&](HWND, std::u16string_view text, std::u16string_view caption, UINT type) {
            boxes.push_back({std::u16string(text), std::u16string(caption), type});
            return IDOK;
        });
    TForm1 form(At(96));
    int runs = 0;
    RunHandler(form.Handle(), [&] {
        ++runs;
        throw ELrcError("the data-text matcher failed: no more memory");
    });
    SetMessageBox(previous);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Narrow(boxes[0].text), "the data-text matcher failed: no more memory.");
    EXPECT_TRUE(boxes[0].caption == ApplicationTitleText);
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(runs, 1); // run once, not again after the error box
    Type(form.Edit1, u"7E");
    EXPECT_EQ(Narrow(TextOf(form.Edit16)), "82");
}

} // namespace
