// The COM server around the source filter: entry point, class factory, registration and the
// four exports named in KavoraSource.def.
#include "filter/Module.h"

#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "filter/SourceFilter.h"

#include <atomic>
#include <string>

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

class CClassFactory final : public IClassFactory {
public:
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
        return CSourceFilter::Create(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }
};

CClassFactory g_factory;

std::wstring ClassKeyPath()
{
    wchar_t clsid[40] = {};
    StringFromGUID2(CLSID_RecorderSourceFilter, clsid, ARRAYSIZE(clsid));
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

HRESULT RegisterServer()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length == MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

    UniqueRegKey classKey;
    HRESULT hr = CreateKey(HKEY_CLASSES_ROOT, ClassKeyPath(), classKey);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(classKey.Get(), nullptr, kSourceFilterFriendlyName);
    if (FAILED(hr)) return hr;
    UniqueRegKey serverKey;
    hr = CreateKey(classKey.Get(), L"InprocServer32", serverKey);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(serverKey.Get(), nullptr, path);
    if (FAILED(hr)) return hr;
    // The graph calls in from its own threads; the filter locks its own state.
    return SetStringValue(serverKey.Get(), L"ThreadingModel", L"Both");
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
    if (!IsEqualCLSID(classId, CLSID_RecorderSourceFilter)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    const HRESULT hr = RegisterServer();
    if (FAILED(hr)) RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
    return hr;
}

STDAPI DllUnregisterServer()
{
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}
