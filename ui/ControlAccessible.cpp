#include "ui/ControlAccessible.h"
#include <new>

namespace {
// The identifier of IAccessible from the header: MinGW's oleacc import library also has a
// symbol IID_IAccessible, which is a code thunk, not the GUID, and wins when linked first.
const IID& kIidAccessible = __uuidof(IAccessible);

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE; // the property exists but is empty
    *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The state of a control's window as screen readers expect it of any control.
LONG WindowState(HWND hwnd)
{
    LONG state = 0;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (!IsWindowVisible(hwnd)) state |= STATE_SYSTEM_INVISIBLE;
    if (!IsWindowEnabled(hwnd)) state |= STATE_SYSTEM_UNAVAILABLE;
    if ((style & WS_TABSTOP) && !(state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)))
        state |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == hwnd) state |= STATE_SYSTEM_FOCUSED;
    return state;
}
}

HRESULT CControlAccessible::Create(HWND hwnd, IAccessibleControl& control, ComPtr<CControlAccessible>& created)
{
    ComPtr<IAccessible> standard;
    const HRESULT hr = CreateStdAccessibleObject(hwnd, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard));
    if (FAILED(hr)) return hr;
    auto* object = new (std::nothrow) CControlAccessible(hwnd, control, std::move(standard));
    if (!object) return E_OUTOFMEMORY;
    created.Attach(object);
    return S_OK;
}

HRESULT CControlAccessible::CheckSelf(const VARIANT& child) const
{
    if (!m_control) return RPC_E_DISCONNECTED;
    return IsSelf(child) ? S_OK : E_INVALIDARG;
}

// ---------------------------------------------------------------------------------------------
// IUnknown

HRESULT STDMETHODCALLTYPE CControlAccessible::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
        *object = static_cast<IAccessible*>(this);
    } else if (iid == IID_IOleWindow) {
        *object = static_cast<IOleWindow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CControlAccessible::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE CControlAccessible::Release()
{
    const LONG references = InterlockedDecrement(&m_references);
    if (references == 0) delete this;
    return static_cast<ULONG>(references);
}

// ---------------------------------------------------------------------------------------------
// IDispatch: the standard object's

HRESULT STDMETHODCALLTYPE CControlAccessible::GetTypeInfoCount(UINT* count)
{
    return m_standard->GetTypeInfoCount(count);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return m_standard->GetTypeInfo(index, locale, info);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                                            DISPID* ids)
{
    return m_standard->GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                                     UINT* argumentError)
{
    return m_standard->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
}

// ---------------------------------------------------------------------------------------------
// IAccessible: what the control says

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accName(VARIANT child, BSTR* name)
{
    const HRESULT hr = CheckSelf(child);
    return FAILED(hr) ? hr : ReturnText(m_control->AccessibleName(), name);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accValue(VARIANT child, BSTR* value)
{
    const HRESULT hr = CheckSelf(child);
    if (FAILED(hr)) return hr;
    const std::wstring text = m_control->AccessibleValue();
    if (text.empty()) {
        if (value) *value = nullptr;
        return DISP_E_MEMBERNOTFOUND; // a control without a value
    }
    return ReturnText(text, value);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    const HRESULT hr = CheckSelf(child);
    if (FAILED(hr)) return hr;
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = m_control->AccessibleRole();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accState(VARIANT child, VARIANT* state)
{
    const HRESULT hr = CheckSelf(child);
    if (FAILED(hr)) return hr;
    if (!state) return E_POINTER;
    state->vt = VT_I4;
    state->lVal = WindowState(m_hwnd) | m_control->AccessibleState();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    const HRESULT hr = CheckSelf(child);
    if (FAILED(hr)) return hr;
    const std::wstring text = m_control->DefaultActionName();
    if (text.empty()) {
        if (action) *action = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    return ReturnText(text, action);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accDoDefaultAction(VARIANT child)
{
    const HRESULT hr = CheckSelf(child);
    if (FAILED(hr)) return hr;
    if (m_control->DefaultActionName().empty()) return DISP_E_MEMBERNOTFOUND;
    m_control->DoDefaultAction();
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// IAccessible: the standard object's

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accParent(IDispatch** parent)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accParent(parent);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accChildCount(LONG* count)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accChildCount(count);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accChild(child, object);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accDescription(child, description);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accHelp(child, help);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accHelpTopic(file, child, topic);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accKeyboardShortcut(child, shortcut);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accFocus(VARIANT* child)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accFocus(child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accSelection(VARIANT* children)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->get_accSelection(children);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accSelect(LONG flags, VARIANT child)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->accSelect(flags, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                                          VARIANT child)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->accLocation(left, top, width, height, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->accNavigate(direction, start, end);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accHitTest(LONG left, LONG top, VARIANT* child)
{
    const HRESULT hr = CheckConnected();
    return FAILED(hr) ? hr : m_standard->accHitTest(left, top, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL; // names come from the control; nobody else sets them
}

HRESULT STDMETHODCALLTYPE CControlAccessible::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// IOleWindow

HRESULT STDMETHODCALLTYPE CControlAccessible::GetWindow(HWND* hwnd)
{
    if (!hwnd) return E_POINTER;
    *hwnd = m_hwnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------

CAccessibleHost::~CAccessibleHost()
{
    if (m_object) m_object->Disconnect();
}

LRESULT CAccessibleHost::OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, IAccessibleControl& control)
{
    // The object identifier travels as a 32-bit value in the low half of lParam.
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    if (!m_object && FAILED(CControlAccessible::Create(hwnd, control, m_object))) return 0;
    return LresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(m_object.Get()));
}

void NotifyAccessibleChange(HWND hwnd, DWORD event)
{
    if (hwnd) NotifyWinEvent(event, hwnd, OBJID_CLIENT, CHILDID_SELF);
}
