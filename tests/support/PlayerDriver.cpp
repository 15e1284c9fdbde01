#include "tests/support/PlayerDriver.h"
#include "player/UserSettings.h"
#include "tests/support/BitmapFile.h"
#include "tests/support/ProcessStart.h"

#include "base/ExternalNames.h"

#include <ole2.h>
#include <shlobj.h>
#include <cstring>
#include <cwchar>
#include <cstdlib>

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// ---------------------------------------------------------------------------------------------
// The program as a process

CPlayerProcess::~CPlayerProcess()
{
    if (IsRunning()) {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool CPlayerProcess::Start(const std::wstring& arguments, bool keepUserSettings)
{
    if (!keepUserSettings) RegDeleteTreeW(HKEY_CURRENT_USER, kUserSettingsKey);
    // Under Wine, a crash of the player would otherwise pass in silence: let it report
    // unhandled exceptions on the test's output.
    if (GetEnvironmentVariableW(L"WINEDEBUG", nullptr, 0) > 0) SetEnvironmentVariableW(L"WINEDEBUG", L"-all,err+seh");
    const std::wstring exe = BinFolder() + L"KavoraPlayer.exe";
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!StartProcess(exe, commandLine, false, startup, process)) return false;
    CloseHandle(process.hThread);
    m_process.Reset(process.hProcess);
    m_id = process.dwProcessId;
    return true;
}

HWND CPlayerProcess::WaitForWindow(int milliseconds)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindPlayerWindow(m_id)) != nullptr && IsWindowVisible(found); }, milliseconds);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool CPlayerProcess::WaitForExit(int milliseconds)
{
    return !m_process || WaitForSingleObject(m_process.Get(), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

bool CPlayerProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

// ---------------------------------------------------------------------------------------------
// Windows of the program

namespace {
struct WindowSearch {
    DWORD processId;
    HWND except;
    HWND found;
};

bool BelongsTo(HWND hwnd, DWORD processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    return processId == 0 || owner == processId;
}

BOOL CALLBACK FindMarkedWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (!BelongsTo(hwnd, search->processId)) return TRUE;
    if (reinterpret_cast<INT_PTR>(GetPropW(hwnd, kPlayerWindowProperty)) != 1) return TRUE;
    search->found = hwnd;
    return FALSE;
}

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (!BelongsTo(hwnd, search->processId) || !IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (hwnd == search->except || !BelongsTo(hwnd, search->processId) || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    if (std::wcscmp(className, L"#32770") != 0) return TRUE;
    search->found = hwnd;
    return FALSE;
}
}

HWND FindPlayerWindow(DWORD processId)
{
    WindowSearch search{processId, nullptr, nullptr};
    EnumWindows(&FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindVisibleWindowOf(DWORD processId)
{
    WindowSearch search{processId, nullptr, nullptr};
    EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialogOf(DWORD processId, HWND except)
{
    WindowSearch search{processId, except, nullptr};
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    return text;
}

std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

int SecondsOf(const std::wstring& label)
{
    const size_t colon = label.find(L':');
    if (colon < 2 || colon == std::wstring::npos || label.size() < colon + 6) return -1;
    const std::wstring time = label.substr(colon - 2, 8);
    int hours = 0, minutes = 0, seconds = 0;
    if (swscanf(time.c_str(), L"%d:%d:%d", &hours, &minutes, &seconds) != 3) return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostCommand(HWND dialog, int command)
{
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

// ---------------------------------------------------------------------------------------------
// Pixels

COLORREF ScreenPixel(HWND hwnd, double fx, double fy)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT at{static_cast<LONG>(client.right * fx), static_cast<LONG>(client.bottom * fy)};
    ClientToScreen(hwnd, &at);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    if (a == CLR_INVALID || b == CLR_INVALID) return false;
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

namespace {
const COLORREF kSlideBottom = RGB(0x10, 0x14, 0x18);
const double kSampleX = 0.1;
const double kSampleY = 0.3;

COLORREF Blend(COLORREF a, COLORREF b, double t)
{
    auto mix = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}
}

COLORREF SlideSample(HWND view)
{
    RECT client{};
    GetClientRect(view, &client);
    double width = client.right, height = client.bottom;
    double left = 0, top = 0;
    if (width > height * 4 / 3) {
        left = (width - height * 4 / 3) / 2;
        width = height * 4 / 3;
    } else {
        top = (height - width * 3 / 4) / 2;
        height = width * 3 / 4;
    }
    return ScreenPixel(view, (left + width * kSampleX) / client.right, (top + height * kSampleY) / client.bottom);
}

bool ShowsSlide(HWND view, COLORREF top)
{
    return Near(SlideSample(view), Blend(top, kSlideBottom, kSampleY), 16);
}

bool SaveScreen(const std::wstring& path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER header = Bitmap24Header(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    bool saved = false;
    if (dib && memory && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        saved = WriteBitmapFile(path, width, height, bits);
    }
    if (memory) DeleteDC(memory);
    if (dib) DeleteObject(dib);
    ReleaseDC(nullptr, screen);
    return saved;
}

bool SaveThreadStacks(DWORD processId, const std::wstring& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueKernelHandle output(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) return false;
    std::wstring commandLine = L"winedbg.exe --command \"bt all\" " + std::to_wstring(processId);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    UniqueKernelHandle debugger(process.hProcess);
    return WaitForSingleObject(debugger.Get(), 60000) == WAIT_OBJECT_0;
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

namespace {
// A data object offering one format: the shell's file list (CF_HDROP) in global memory.
class CFileListData : public IDataObject {
public:
    explicit CFileListData(const std::vector<std::wstring>& files)
    {
        for (const std::wstring& file : files) m_names.append(file).push_back(L'\0');
        m_names.push_back(L'\0');
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDataObject) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium) return E_INVALIDARG;
        const HRESULT offered = QueryGetData(format);
        if (FAILED(offered)) return offered;
        const size_t bytes = sizeof(DROPFILES) + m_names.size() * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        if (!memory) return E_OUTOFMEMORY;
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(drop + 1, m_names.data(), m_names.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (!format) return E_INVALIDARG;
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override
    {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return SHCreateStdEnumFmtEtc(1, &format, formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    virtual ~CFileListData() = default;
    LONG m_refs = 1;
    std::wstring m_names;
};

// Keeps the drag going over the target for a few rounds, so that the target sees it enter and
// move, then drops.
class CTimedDropSource : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDropSource) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDropSource*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override
    {
        if (escape) return DRAGDROP_S_CANCEL;
        return ++m_rounds < 6 ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int m_rounds = 0;
};
}

DWORD DragAndDropFiles(HWND target, POINT client, const std::vector<std::wstring>& files)
{
    MoveMouse(target, client);
    auto* data = new CFileListData(files);
    CTimedDropSource source;
    DWORD effect = DROPEFFECT_NONE;
    // The drag runs its own loop, which needs mouse messages to advance: hold the button down
    // over the target and let the loop poll.
    MouseButton(true);
    DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
    MouseButton(false);
    data->Release();
    // The press and release also reach the target's window; a next drag at once would make
    // them a double-click there, which maximises the player.
    Pump(GetDoubleClickTime() + 100);
    return effect;
}

std::wstring ResourceString(UINT id)
{
    UniqueModule module(LoadLibraryExW((BinFolder() + L"ZEL.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return std::wstring();
    wchar_t text[512] = {};
    LoadStringW(module.Get(), id, text, 512);
    return text;
}
