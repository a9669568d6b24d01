#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// The Windows services the window takes, one job each, the replaceable ones for tests.

// The application object's own top-level window: hidden, without text, off the taskbar. It
// owns the shell requests (the web page) as the window framework's application window does.
HWND ApplicationWindow();

// Shows the error box: the message with the "." rule, the application title as caption, the
// error icon and OK.
void ShowErrorBox(HWND owner, std::u16string_view message);

// What ShowErrorBox uses (MessageBoxW); tests put their own in. Returns the previous one.
using TMessageBox = std::function<int(HWND owner, std::u16string_view text,
                                      std::u16string_view caption, UINT type)>;
TMessageBox SetMessageBox(TMessageBox messageBox);

// What the link uses to open an address (ShellExecuteW, with its arguments as given); tests put
// their own in. Returns the previous one.
using TShellExecute =
    std::function<void(HWND owner, const wchar_t* verb, const wchar_t* file,
                       const wchar_t* parameters, const wchar_t* directory, int show)>;
TShellExecute SetShellExecute(TShellExecute shellExecute);
void ShellExecuteAddress(const wchar_t* address);

// The ShowWindow command for the first window: maximized (3) and minimized without
// activation (7) as the process was started with, any other request normal.
int StartupShowCommand();
int StartupShowCommand(const STARTUPINFOW& info); // the rule, for the start-up info given

// The virtual desktop: every monitor's area.
RECT VirtualDesktop();

// The system's pixels per inch, as the window scales to them at load.
int SystemPixelsPerInch();

// UTF-8 (an exception's message) as UTF-16.
std::u16string FromUtf8(std::string_view utf8);

// Runs a handler as the window framework does: an exception escaping it is shown in the error
// box, the handler's remaining steps are skipped and the program carries on.
void RunHandler(HWND window, const std::function<void()>& handler);

// The message loop of the one window, with the dialog manager's keyboard handling (Tab and
// Shift+Tab, whole text selected on entering a field). Returns the exit code.
int RunMessageLoop(HWND window);
