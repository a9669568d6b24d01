#include "win/TAccessible.h"

#include <new>

namespace {

BSTR ToBstr(const std::u16string& text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object with the overrides laid over it; reference counted as COM wants, it owns
// its reference to the standard object.
class TAccessible final : public IAccessible
{
public:
    TAccessible(IAccessible* standard, TAccessibleOverrides overrides)
        : m_standard(standard), m_overrides(std::move(overrides))
    {
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: as the standard object has it.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return m_standard->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return m_standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        return m_standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override
    {
        return m_standard->Invoke(id, iid, locale, flags, parameters, result, exception,
                                  badArgument);
    }

    // IAccessible: the overrides for the control itself, the standard object for the rest.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return m_standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        return m_standard->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return m_standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        return Text(child, m_overrides.Name, name, &IAccessible::get_accName);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return m_standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return Text(child, m_overrides.Description, description, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child) || !m_overrides.Role)
            return m_standard->get_accRole(child, role);
        if (!role)
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = *m_overrides.Role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        const HRESULT result = m_standard->get_accState(child, state);
        if (SUCCEEDED(result) && IsSelf(child) && !m_overrides.Focusable && state->vt == VT_I4)
            state->lVal &= ~(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
        return result;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return m_standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return m_standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        return m_standard->get_accFocus(focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        return m_standard->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return Text(child, m_overrides.DefaultAction, action, &IAccessible::get_accDefaultAction);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override
    {
        return m_standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override
    {
        return m_standard->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        if (!IsSelf(child) || !m_overrides.DoDefaultAction)
            return m_standard->accDoDefaultAction(child);
        m_overrides.DoDefaultAction();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_standard->put_accValue(child, value);
    }

private:
    ~TAccessible() { m_standard->Release(); }

    HRESULT Text(const VARIANT& child, const std::optional<std::u16string>& text, BSTR* out,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*standard)(VARIANT, BSTR*))
    {
        if (!IsSelf(child) || !text)
            return (m_standard->*standard)(child, out);
        if (!out)
            return E_INVALIDARG;
        *out = ToBstr(*text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    LONG m_references = 1;
    IAccessible* m_standard;
    TAccessibleOverrides m_overrides;
};

} // namespace

LRESULT AccessibleObjectFor(HWND control, WPARAM wParam, const TAccessibleOverrides& overrides)
{
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* accessible = new (std::nothrow) TAccessible(standard, overrides);
    if (!accessible) {
        standard->Release();
        return 0;
    }
    // LresultFromObject takes its own reference; ours ends here.
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, accessible);
    accessible->Release();
    return result;
}
