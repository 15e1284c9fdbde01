// The base owners and failure scopes, and the window framework: window binding and modal dialogs.
#include "base/ComPtr.h"
#include "base/Handles.h"
#include "base/Result.h"
#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

TEST(RunOperation, CarriesTheRaisedCodeAndMapsEverythingElseToUnexpected)
{
    EXPECT_EQ(RunOperation([] { ThrowIfFailed(E_INVALIDARG); }), E_INVALIDARG);
    EXPECT_EQ(RunOperation([] { Check(false); }), E_FAIL);
    EXPECT_EQ(RunOperation([] { throw std::runtime_error("x"); }), E_UNEXPECTED);
    EXPECT_EQ(RunOperation([] { throw std::bad_alloc(); }), E_UNEXPECTED);
    EXPECT_EQ(RunOperation([] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(RunOperation([] {}), S_OK);
}

TEST(UniqueHandle, ClosesOnceAndMovesOwnership)
{
    UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.Get();
    UniqueKernelHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.Get(), raw);
    moved.Reset();
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle must be closed";

    UniqueFile noFile(CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(noFile) << "INVALID_HANDLE_VALUE is the file owner's empty value";
}

namespace {
class CountedUnknown : public IUnknown {
public:
    ULONG refs = 1;
    IID asked = GUID_NULL;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        asked = iid;
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};
}

TEST(ComPtr, CountsReferencesAndReleasesBeforeTakingAnAddress)
{
    CountedUnknown object;
    {
        ComPtr<IUnknown> a;
        a.Attach(&object);
        EXPECT_EQ(object.refs, 1u);
        ComPtr<IUnknown> b = a;
        EXPECT_EQ(object.refs, 2u);
        IUnknown* out = nullptr;
        b.CopyTo(&out);
        EXPECT_EQ(object.refs, 3u);
        out->Release();
        IUnknown** slot = &b; // releases what b held
        EXPECT_EQ(*slot, nullptr);
        EXPECT_EQ(object.refs, 1u);
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(a.As(factory), E_NOINTERFACE);
        EXPECT_TRUE(IsEqualIID(object.asked, IID_IClassFactory)) << "the query asks for the target's own type";
    }
    EXPECT_EQ(object.refs, 0u);
}

namespace {
class RecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CREATE || message == WM_USER + 7 || message == WM_DESTROY) seen.push_back(message);
        if (message == WM_USER + 7) return 42;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};
}

namespace {
class ThrowingWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GETTEXTLENGTH) throw std::runtime_error("handler failed");
        return CWnd::WindowProc(message, wParam, lParam);
    }
};
}

TEST(CWnd, HandlerExceptionStopsAtTheWindowProcedureAndTheDefaultAnswers)
{
    ThrowingWnd window;
    ASSERT_TRUE(window.CreateEx(0, L"abc", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
    EXPECT_EQ(window.SendMessage(WM_GETTEXTLENGTH), 3);
    EXPECT_TRUE(window.DestroyWindow());
}

TEST(CWnd, SeesItsMessagesFromCreationAndUnbindsWhenDestroyed)
{
    RecordingWnd window;
    ASSERT_TRUE(window.CreateEx(0, L"test", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
    HWND hwnd = window.GetSafeHwnd();
    EXPECT_EQ(CWnd::FromHandle(hwnd), &window);
    EXPECT_EQ(window.SendMessage(WM_USER + 7), 42);
    ASSERT_TRUE(window.DestroyWindow());
    EXPECT_EQ(window.GetSafeHwnd(), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
    EXPECT_EQ(window.seen, (std::vector<UINT>{WM_CREATE, WM_USER + 7, WM_DESTROY}));
}

TEST(CWnd, SubclassedControlGetsItsOwnProcedureBack)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"abc", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(5),
                                 nullptr, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(child, GWLP_WNDPROC);
    {
        RecordingWnd control;
        ASSERT_TRUE(control.SubclassDlgItem(5, parent));
        EXPECT_EQ(control.SendMessage(WM_USER + 7), 42);
        EXPECT_EQ(control.GetWindowText(), L"abc") << "unhandled messages reach the static control";
    } // the control's end gives the child its own procedure back
    EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), original);
    DestroyWindow(parent);
}

TEST(CommandLine, FlagsLoseTheirLeadingCharacterAndTheLastFileWins)
{
    struct Recorder : CCommandLineInfo {
        std::vector<std::wstring> params;
        void ParseParam(const wchar_t* param, BOOL flag, BOOL last) override
        {
            params.push_back(std::wstring(flag ? L"flag:" : L"") + param + (last ? L";last" : L""));
            CCommandLineInfo::ParseParam(param, flag, last);
        }
    } info;
    CWinApp::ParseCommandLine(info, L"prog.exe \"C:\\a b.kav\" /p -q c.kav");
    EXPECT_EQ(info.params, (std::vector<std::wstring>{L"C:\\a b.kav", L"flag:p", L"flag:q", L"c.kav;last"}));
    EXPECT_EQ(info.m_strFileName, L"c.kav");
}

namespace {
class ClosingDialog : public CDialog {
public:
    ClosingDialog() : CDialog(IDD_ABOUTBOX) {}
    bool created = false;
    bool initialised = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CREATE) created = true;
        return CDialog::WindowProc(message, wParam, lParam);
    }
    BOOL OnInitDialog() override
    {
        initialised = true;
        PostMessage(WM_COMMAND, IDOK, 0);
        return TRUE;
    }
};
}

TEST(CDialog, RunsATemplateOfTheResourceModuleModally)
{
    UniqueModule zel(LoadLibraryW(L"ZEL.dll"));
    ASSERT_TRUE(zel) << "ZEL.dll must lie beside the tests";
    SetResourceModule(zel.Get());
    ClosingDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.created) << "WM_CREATE reaches the object";
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(LoadResourceString(IDS_TIP_PLAY), L"Play");
    EXPECT_EQ(LoadResourceString(9999), L"");
    SetResourceModule(nullptr);
}
