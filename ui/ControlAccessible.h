#pragma once
// What a screen reader learns about a skinned control. The skinned controls paint themselves,
// so the platform's standard description of their window (a static text or a bare window) says
// little. CControlAccessible wraps the standard description of the control's client area and
// answers the name, value, role, state and default action from the control itself; location,
// navigation, hit testing and the rest stay the standard object's.

#include "base/ComPtr.h"
#include <oleacc.h>
#include <string>

// What a control says about itself.
class IAccessibleControl {
public:
    virtual std::wstring AccessibleName() const = 0;
    // Empty for a control without a value.
    virtual std::wstring AccessibleValue() const = 0;
    virtual LONG AccessibleRole() const = 0;
    // State bits beyond those of the window itself (focusable, focused, unavailable, invisible).
    virtual LONG AccessibleState() const = 0;
    // Empty for a control without a default action.
    virtual std::wstring DefaultActionName() const = 0;
    virtual void DoDefaultAction() = 0;

protected:
    ~IAccessibleControl() = default;
};

class CControlAccessible : public IAccessible, public IOleWindow {
public:
    // The accessible object of `hwnd`, which the control `control` draws.
    static HRESULT Create(HWND hwnd, IAccessibleControl& control, ComPtr<CControlAccessible>& created);

    // The control is going away: every later call answers that the object is disconnected.
    void Disconnect() { m_control = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IAccessible: answered by the control
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;

    // IAccessible: answered by the standard object
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;

private:
    CControlAccessible(HWND hwnd, IAccessibleControl& control, ComPtr<IAccessible> standard)
        : m_hwnd(hwnd), m_control(&control), m_standard(std::move(standard))
    {
    }
    virtual ~CControlAccessible() = default;

    // S_OK when the call may go on: the control is still there (and, for CheckSelf, `child`
    // names the control itself).
    HRESULT CheckSelf(const VARIANT& child) const;
    HRESULT CheckConnected() const { return m_control ? S_OK : RPC_E_DISCONNECTED; }

    LONG m_references = 1;
    HWND m_hwnd;
    IAccessibleControl* m_control;
    ComPtr<IAccessible> m_standard;
};

// A control's accessible object, made when a screen reader first asks and disconnected when
// the control goes.
class CAccessibleHost {
public:
    CAccessibleHost() = default;
    CAccessibleHost(const CAccessibleHost&) = delete;
    CAccessibleHost& operator=(const CAccessibleHost&) = delete;
    ~CAccessibleHost();

    // The answer to WM_GETOBJECT: the object for OBJID_CLIENT, 0 for every other object (which
    // the window's default handling then answers).
    LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, IAccessibleControl& control);

private:
    ComPtr<CControlAccessible> m_object;
};

// Tells screen readers that a property of the control `hwnd` changed (EVENT_OBJECT_*).
void NotifyAccessibleChange(HWND hwnd, DWORD event);
