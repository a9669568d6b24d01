#include "win/Platform.h"

#include "form/Display.h"
#include "form/FormLayout.h"
#include "win/Handles.h"

#include <exception>
#include <shellapi.h> // needs windows.h first

namespace {

TMessageBox& MessageBoxFunction()
{
    static TMessageBox function = [](HWND owner, std::u16string_view text,
                                     std::u16string_view caption, UINT type) {
        const std::wstring wideText(text.begin(), text.end());
        const std::wstring wideCaption(caption.begin(), caption.end());
        return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
    };
    return function;
}

TShellExecute& ShellExecuteFunction()
{
    static TShellExecute function = [](HWND owner, const wchar_t* verb, const wchar_t* file,
                                       const wchar_t* parameters, const wchar_t* directory,
                                       int show) {
        (void)ShellExecuteW(owner, verb, file, parameters, directory, show); // result ignored
    };
    return function;
}

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

HWND ApplicationWindow()
{
    static const TWindow window = [] {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ApplicationWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"TApplication";
        RegisterClassExW(&windowClass);
        // A tool window that is never shown: no taskbar button, no text.
        return TWindow(CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", L"", WS_POPUP, 0, 0, 0, 0,
                                       nullptr, nullptr, instance, nullptr));
    }();
    return window.Get();
}

void ShowErrorBox(HWND owner, std::u16string_view message)
{
    MessageBoxFunction()(owner, ErrorBoxText(message), ApplicationTitleText, MB_OK | MB_ICONERROR);
}

TMessageBox SetMessageBox(TMessageBox messageBox)
{
    std::swap(MessageBoxFunction(), messageBox);
    return messageBox;
}

TShellExecute SetShellExecute(TShellExecute shellExecute)
{
    std::swap(ShellExecuteFunction(), shellExecute);
    return shellExecute;
}

void ShellExecuteAddress(const wchar_t* address)
{
    ShellExecuteFunction()(ApplicationWindow(), nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
}

int StartupShowCommand()
{
    STARTUPINFOW info{};
    info.cb = sizeof info;
    GetStartupInfoW(&info);
    return StartupShowCommand(info);
}

int StartupShowCommand(const STARTUPINFOW& info)
{
    if (info.dwFlags & STARTF_USESHOWWINDOW) {
        if (info.wShowWindow == SW_SHOWMAXIMIZED || info.wShowWindow == SW_SHOWMINNOACTIVE)
            return info.wShowWindow;
    }
    return SW_SHOWNORMAL;
}

RECT VirtualDesktop()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

int SystemPixelsPerInch()
{
    const TScreenDc screen(GetDC(nullptr));
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

std::u16string FromUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                        length);
    return text;
}

void RunHandler(HWND window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& failure) {
        ShowErrorBox(window, FromUtf8(failure.what()));
    } catch (...) {
        ShowErrorBox(window, u"Unknown failure");
    }
}

int RunMessageLoop(HWND window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsWindow(window) || !IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
