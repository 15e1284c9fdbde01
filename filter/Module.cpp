// The COM server around the source filter and the speed filter: entry point, class factories,
// registration and the four exports named in KavoraSource.def.
#include "filter/Module.h"

#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "filter/SourceFilter.h"
#include "base/Handles.h"
#include "filter/SpeedFilter.h"

#include <atomic>
#include <string>

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

using CreateFunction = HRESULT (*)(REFIID iid, void** object);

class CClassFactory final : public IClassFactory {
public:
    explicit CClassFactory(CreateFunction create) : m_create(create) {}

    // IUnknown: one static instance; its references do not keep the DLL loaded (LockServer does).
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return m_create(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }

private:
    CreateFunction m_create;
};

CClassFactory g_sourceFactory(CSourceFilter::Create);
CClassFactory g_speedFactory(CSpeedFilter::Create);

struct ServedClass {
    const GUID& classId;
    const wchar_t* name;
    CClassFactory& factory;
};
const ServedClass kClasses[] = {
    {CLSID_RecorderSourceFilter, kSourceFilterFriendlyName, g_sourceFactory},
    {CLSID_SpeedFilter, kSpeedFilterName, g_speedFactory},
};

std::wstring ClassKeyPath(const GUID& classId)
{
    wchar_t clsid[40] = {};
    StringFromGUID2(classId, clsid, ARRAYSIZE(clsid));
    return std::wstring(L"CLSID\\") + clsid;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    const LONG status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT CreateKey(HKEY parent, const std::wstring& path, UniqueRegKey& key)
{
    HKEY created = nullptr;
    const LONG status =
        RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    key.Reset(created);
    return S_OK;
}

HRESULT RegisterFilterClass(const ServedClass& served, const wchar_t* path)
{
    UniqueRegKey classKey;
    HRESULT hr = CreateKey(HKEY_CLASSES_ROOT, ClassKeyPath(served.classId), classKey);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(classKey.Get(), nullptr, served.name);
    if (FAILED(hr)) return hr;
    UniqueRegKey serverKey;
    hr = CreateKey(classKey.Get(), L"InprocServer32", serverKey);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(serverKey.Get(), nullptr, path);
    if (FAILED(hr)) return hr;
    // The graph calls in from its own threads; the filter locks its own state.
    return SetStringValue(serverKey.Get(), L"ThreadingModel", L"Both");
}

HRESULT RegisterServer()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length == MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    for (const ServedClass& served : kClasses) {
        const HRESULT hr = RegisterFilterClass(served, path);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterServer()
{
    for (const ServedClass& served : kClasses) {
        const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath(served.classId).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}
}

void ModuleAddObject() { ++g_objects; }
void ModuleReleaseObject() { --g_objects; }
HMODULE ModuleHandle() { return g_module; }

HRESULT CopyToTaskMemory(const wchar_t* text, LPWSTR* copy)
{
    if (!copy) return E_POINTER;
    const std::size_t bytes = (lstrlenW(text) + 1) * sizeof(wchar_t);
    *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*copy) return E_OUTOFMEMORY;
    CopyMemory(*copy, text, bytes);
    return S_OK;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const ServedClass& served : kClasses)
        if (IsEqualCLSID(classId, served.classId)) return served.factory.QueryInterface(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    const HRESULT hr = RegisterServer();
    if (FAILED(hr)) UnregisterServer();
    return hr;
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer();
}
