#pragma once

#include "form/Colors.h"
#include "form/FormLayout.h"
#include "win/Handles.h"

#include <windows.h>

#include <map>
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

    HWND Edit1 = nullptr, Label1 = nullptr, Label6 = nullptr, Label7 = nullptr, Label8 = nullptr,
         GroupBox1 = nullptr, Label2 = nullptr, Label3 = nullptr, Label4 = nullptr,
         Label5 = nullptr, Edit16 = nullptr, Edit10 = nullptr, Edit8 = nullptr, Edit2 = nullptr,
         Label9 = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR form);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Messages of the controls whose behaviour the window completes; false: the control's own.
    bool DispatchControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCommand(HWND control, UINT notification);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    bool OnSetCursor(HWND under);
    void OnActivate(bool active);
    void OnThemeChange();
    void OnTimer(UINT_PTR id);
    void OnPaste();
    bool OnLinkMouse(UINT message, LPARAM lParam);
    LRESULT OnGetObject(HWND control, WPARAM wParam, LPARAM lParam);
    void AnnounceStatus();
    void DrawGroupBoxReadably();
    void OnDestroy();

    void CreateControls();
    int Scaled(int value) const;
    SIZE CaptionSize(HWND label, std::u16string_view caption) const;
    void FitLabel(HWND label, std::u16string_view caption);
    void SetCaption(HWND label, std::u16string_view caption);
    void SetFontColor(HWND label, TColor color);

    TOptions m_options;
    TWindow m_window;
    TFont m_font;
    TFont m_linkFont;
    int m_textHeight = 0;
    std::map<std::string_view, HWND, std::less<>> m_controls;
    std::map<HWND, TColor> m_fontColors;
    std::map<HWND, int> m_rightEdges; // of the right-aligned labels, which keep it
    HWND m_focus = nullptr; // the control that had the focus when the window was deactivated
    bool m_groupBoxStyled = true; // the group box is drawn by the visual style
    bool m_linkPressed = false;   // the left button went down on the link and is still down
    std::u16string m_announced;   // the status assistive technology last heard
};
