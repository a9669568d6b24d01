// What a screen reader in another process learns of the window through MSAA: for the link and
// the data field, the role, name, description, default action and whether it takes the focus.
//   msaa_probe.exe        (with sumvane.exe running; one line a control, UTF-8)
#include <cstdio>
#include <oleacc.h>
#include <string>
#include <windows.h>

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

} // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HWND form = FindWindowW(L"TForm1", nullptr);
    Describe("Label8", FindWindowExW(form, nullptr, L"Static", L"http://sumvane.io/lrc.html"));
    Describe("Edit1", FindWindowExW(form, nullptr, L"Edit", nullptr));
    CoUninitialize();
    return form ? 0 : 1;
}
