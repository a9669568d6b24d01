#pragma once

#include "form/Colors.h"
#include "form/FormLayout.h"
#include "form/Recalculation.h"
#include "win/Handles.h"
#include "win/TLinkLabel.h"
#include "win/TStatusAnnouncer.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

// The one window on Windows' own controls, built from the shared layout table: EDIT fields,
// STATIC labels and a BUTTON group box, all children of the form (the group box's contents
// offset by its position), scaled once at load to the system's pixel density.
class TForm1
{
public:
    struct TOptions
    {
        int PixelsPerInch = 0;       // 0: the system's
        bool EndsApplication = true; // closing the window ends the message loop
        // How long the data text rests before the status is announced.
        TMilliseconds StatusQuiet = StatusQuietMilliseconds;
    };

    explicit TForm1(TOptions options);
    TForm1() : TForm1(TOptions{}) {}
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return m_window.Get(); }
    // The control of that name from the layout (Edit1, Label9, GroupBox1, ...).
    HWND Control(std::string_view name) const;
    // The height of the text "0" in the window font: the layout scales by it / 13.
    int TextHeight() const { return m_textHeight; }
    TColor FontColor(HWND label) const;

    // Recalculates from Edit1's whole text and shows the four forms of the LRC with the byte
    // count, or empties the results and shows the format message in red.
    void Edit1Change(HWND sender);
    // Opens the web page in the default browser.
    void Label8Click(HWND sender);

#define SUMVANE_DECLARE_CONTROL(name) HWND name = nullptr;
    SUMVANE_FORM1_CONTROLS(SUMVANE_DECLARE_CONTROL)
#undef SUMVANE_DECLARE_CONTROL

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The edit fields' own messages that the window completes; false: the field's own.
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR form);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool DispatchField(HWND field, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCommand(HWND control, UINT notification);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    bool OnSetCursor(HWND under);
    void OnActivate(bool active);
    void OnThemeChange();
    void OnPaste(HWND field);
    LRESULT OnGetObject(HWND field, WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    void CreateControls();
    void DrawGroupBoxesReadably();
    int Scaled(int value) const;
    POINT TopLeft(const TControlLayout& row) const; // the row's control's, scaled, in the form
    bool IsOfKind(HWND control, TControlKind kind) const;
    void FitLabel(HWND label, std::u16string_view caption);
    void SetCaption(HWND label, std::u16string_view caption);
    void SetFontColor(HWND label, TColor color);

    TOptions m_options;
    TWindow m_window;
    TFont m_font;
    TFont m_linkFont;
    int m_textHeight = 0;
    std::map<std::string_view, HWND, std::less<>> m_controls;
    std::map<HWND, const TControlLayout*> m_rows;
    std::map<HWND, TColor> m_fontColors;
    std::map<HWND, TLinkLabel> m_links;
    TRecalculation m_recalculation;
    std::optional<TStatusAnnouncer> m_announcer;
    HWND m_focus = nullptr; // the control that had the focus when the window was deactivated
    bool m_groupBoxesStyled = true; // the group boxes are drawn by the visual style
};
