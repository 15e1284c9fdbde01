// Start-up of KavoraPlayer.exe: where the resource module is looked for, how the command line
// is vetted, and, run as a real process, what a user sees when start-up is refused.
#include "app/PlayerApp.h"
#include "base/Handles.h"
#include "tests/support/ProcessStart.h"
#include <gtest/gtest.h>
#include <fstream>
#include <string>

TEST(PlayerApp, LooksForTheResourceModuleBesideTheProgram)
{
    EXPECT_EQ(ResourceModulePathBeside(L"C:\\Programs\\Kavora\\KavoraPlayer.exe"), L"C:\\Programs\\Kavora\\ZEL.dll");
    EXPECT_EQ(ResourceModulePathBeside(L"C:\\KavoraPlayer.exe"), L"C:\\ZEL.dll") << "no second backslash at a root";
}

namespace {
std::wstring TempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    std::ofstream(path.c_str()).put('x');
    return path;
}

bool Accepts(const std::wstring& commandLine)
{
    CPlayerApp app;
    app.ParseCommandLineText(commandLine.c_str());
    return app.CommandLineDocumentIsAcceptable();
}
}

TEST(PlayerApp, AcceptsNothingOrExactlyOneExistingDocument)
{
    const std::wstring lower = TempFile(L"kavora-app-test.kav");
    const std::wstring upper = TempFile(L"kavora-app-test2.KAV");
    const std::wstring other = TempFile(L"kavora-app-test.kav2");
    EXPECT_TRUE(Accepts(L"KavoraPlayer.exe"));
    EXPECT_TRUE(Accepts(L"KavoraPlayer.exe \"" + lower + L"\""));
    EXPECT_TRUE(Accepts(L"KavoraPlayer.exe \"" + upper + L"\"")) << "the extension's case does not matter";
    EXPECT_FALSE(Accepts(L"KavoraPlayer.exe \"" + other + L"\""));
    EXPECT_FALSE(Accepts(L"KavoraPlayer.exe \"" + lower + L"\" \"" + upper + L"\"")) << "two documents";
    EXPECT_FALSE(Accepts(L"KavoraPlayer.exe C:\\no\\such.kav"));
    EXPECT_FALSE(Accepts(L"KavoraPlayer.exe /p")) << "a flag arrives as a bare word that names no file";
    for (const auto& path : {lower, upper, other}) DeleteFileW(path.c_str());
}

namespace {
// Runs the program with `arguments` from `exePath` and returns its process.
UniqueKernelHandle Start(const std::wstring& exePath, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + exePath + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!StartProcess(exePath, commandLine, false, startup, process)) return UniqueKernelHandle();
    CloseHandle(process.hThread);
    return UniqueKernelHandle(process.hProcess);
}

struct FoundBox {
    DWORD processId;
    HWND box = nullptr;
    std::wstring text;
};

BOOL CALLBACK FindMessageBox(HWND hwnd, LPARAM param)
{
    auto* found = reinterpret_cast<FoundBox*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != found->processId || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t className[64];
    GetClassNameW(hwnd, className, 64);
    if (std::wstring(className) != L"#32770") return TRUE;
    found->box = hwnd;
    // The text of a message box is its static control 0xFFFF.
    wchar_t text[256] = {};
    GetDlgItemTextW(hwnd, 0xFFFF, text, 256);
    found->text = text;
    return FALSE;
}

std::wstring ThisFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}
}

TEST(PlayerProcess, WithoutItsResourceModuleSaysSoOnceAndEnds)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kavora-no-zel\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exe = folder + L"KavoraPlayer.exe";
    ASSERT_TRUE(CopyFileW((ThisFolder() + L"KavoraPlayer.exe").c_str(), exe.c_str(), FALSE));

    UniqueKernelHandle process = Start(exe, L"");
    ASSERT_TRUE(process);
    FoundBox found{GetProcessId(process.Get()), nullptr, {}};
    for (int i = 0; i < 100 && !found.box; ++i) {
        Sleep(100);
        EnumWindows(&FindMessageBox, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_NE(found.box, nullptr) << "a message box must appear";
    EXPECT_EQ(found.text, L"ZEL.DLL not found");
    PostMessageW(found.box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    DeleteFileW(exe.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(PlayerProcess, ABadCommandLineEndsWithoutAWindow)
{
    for (const wchar_t* arguments : {L"C:\\no\\such.kav", L"/p", L"a.kav b.kav"}) {
        UniqueKernelHandle process = Start(ThisFolder() + L"KavoraPlayer.exe", arguments);
        ASSERT_TRUE(process);
        EXPECT_EQ(WaitForSingleObject(process.Get(), 15000), WAIT_OBJECT_0) << arguments;
    }
}
