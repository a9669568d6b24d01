// What another process learns of the running sumvane.exe, UTF-8 on standard output:
//   msaa_probe.exe             what a screen reader learns through MSAA of the link and the data
//                              field: role, name, description, default action, focusability
//   msaa_probe.exe texts       every control's text, a line each in creation order, with CR and
//                              LF written as \r and \n: what the window shows now
//   msaa_probe.exe clipboard   the text on Windows' clipboard, written the same way
// The end-to-end test waits on the last two for the window or the clipboard to be in a state.
#include "product/Product.h"

#include <windows.h>

#include <cstdio>
#include <oleacc.h>
#include <string>

namespace {

std::string Utf8(BSTR text)
{
    if (!text)
        return "-";
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    out.resize(out.size() - 1);
    SysFreeString(text);
    return out;
}

void Describe(const char* what, HWND control)
{
    IAccessible* object = nullptr;
    if (!control || FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&object)))) {
        std::printf("%s: no accessible object\n", what);
        return;
    }
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    BSTR name = nullptr, description = nullptr, action = nullptr;
    object->get_accName(self, &name);
    object->get_accDescription(self, &description);
    object->get_accDefaultAction(self, &action);
    std::printf("%s: role %ld, name %s, description %s, action %s, %s\n", what, role.lVal,
                Utf8(name).c_str(), Utf8(description).c_str(), Utf8(action).c_str(),
                state.lVal & STATE_SYSTEM_FOCUSABLE ? "focusable" : "not focusable");
    object->Release();
}

void PrintEscaped(const std::wstring& text)
{
    std::wstring escaped;
    for (const wchar_t c : text) {
        if (c == L'\r')
            escaped += L"\\r";
        else if (c == L'\n')
            escaped += L"\\n";
        else
            escaped += c;
    }
    const BSTR line = SysAllocStringLen(escaped.data(), static_cast<UINT>(escaped.size()));
    std::printf("%s\n", Utf8(line).c_str());
}

// WM_GETTEXT itself: GetWindowText gives another process's controls their caption only.
std::wstring TextOf(HWND control)
{
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

int PrintClipboard()
{
    if (!OpenClipboard(nullptr))
        return 1;
    std::wstring text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    PrintEscaped(text);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "clipboard")
        return PrintClipboard();
    const HWND form = FindWindowW(L"TForm1", nullptr);
    if (mode == "texts") {
        for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            PrintEscaped(TextOf(child));
        return form ? 0 : 1;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Describe("Label8", FindWindowExW(form, nullptr, L"Static",
                                     reinterpret_cast<const wchar_t*>(WebPageAddress)));
    Describe("Edit1", FindWindowExW(form, nullptr, L"Edit", nullptr));
    CoUninitialize();
    return form ? 0 : 1;
}
