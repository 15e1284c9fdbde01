#include "tests/reliability/MonkeyRun.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/DesktopInput.h"
#include "tests/support/ProcessStart.h"

#include "document/WorkFolder.h"
#include "player/UserSettings.h"
#include "base/Handles.h"
#include "resources/ResourceIds.h"

#include <ole2.h>
#include <algorithm>
#include <cstdio>
#include <map>

namespace {
constexpr DWORD kAnswerMs = 2000;          // the round trip the player answers within when idle
constexpr DWORD kBusyMs = 15000;           // how long an open of the huge document may keep it busy
constexpr DWORD kSettleMs = 30000;
constexpr DWORD kWarmUpMs = 30000;         // before the first resource counts
constexpr DWORD kResourceCheckMs = 120000;
constexpr long long kMemorySlack = 16 * 1024 * 1024;
constexpr std::size_t kLoggedActions = 20;

// Controls of the common file dialog that a message box and the about box do not have.
constexpr int kFileDialogControls[] = {0x460, 0x470, 0x47C, 0x480};
const wchar_t kPlayerProperty[] = L"Tesmar Kavora Player";

std::string Narrow(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

enum class DialogKind { MessageBox, About, FileDialog };

DialogKind KindOf(HWND dialog)
{
    if (GetDlgItem(dialog, IDC_ABOUT_PRODUCT)) return DialogKind::About;
    for (const int control : kFileDialogControls)
        if (GetDlgItem(dialog, control)) return DialogKind::FileDialog;
    return DialogKind::MessageBox;
}

BOOL CALLBACK CountPlayerWindow(HWND hwnd, LPARAM count)
{
    if (reinterpret_cast<INT_PTR>(GetPropW(hwnd, kPlayerProperty)) == 1) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int PlayerWindows()
{
    int count = 0;
    EnumWindows(&CountPlayerWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

struct PictureListSearch {
    DWORD processId;
    HWND player;
    HWND found;
};

// A visible, titled top-level window of the player's process other than the player and its
// dialogs: a window of its own such as a picture list.
// The picture list window of the player: the one that holds the list control. (A tooltip the
// player shows is a window of its own with a text too.)
BOOL CALLBACK FindPictureList(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<PictureListSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || hwnd == search->player || !IsWindowVisible(hwnd) ||
        !GetDlgItem(hwnd, IDC_PICTURE_LIST))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// A label's text, read with a time limit: a player that no longer answers must not hold the run.
std::wstring LabelText(HWND window, int id)
{
    wchar_t text[512] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(GetDlgItem(window, id), WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, kBusyMs, &result))
        throw CFinding("the player did not answer for " + std::to_string(kBusyMs / 1000) + " s");
    return text;
}

// What the sound server has of the player: its streams (one per audio renderer, paused or not,
// as Wine keeps a paused renderer's stream open), and with `listen` the bytes that were not
// silence on the null sink's monitor over 0.6 s. Wine starts Unix programs without a handle to
// wait on, so the answer is written beside the build and renamed once whole. -1 where no
// answer came.
struct SoundServerView {
    int streams = -1;
    long long audibleBytes = -1;
};

SoundServerView AskSoundServer(bool listen)
{
    SoundServerView view;
    const std::wstring answer = BinFolder() + L"..\\monkey-sound.txt";
    if (answer.size() < 3 || answer[1] != L':' || (answer[0] != L'Z' && answer[0] != L'z')) return view;
    std::wstring unixAnswer = answer.substr(2);
    std::replace(unixAnswer.begin(), unixAnswer.end(), L'\\', L'/');
    const std::wstring part = L"'" + unixAnswer + L".part'";
    std::wstring script = L"pactl list sink-inputs | grep -c 'application.name = \\\"KavoraPlayer.exe\\\"' >" + part + L";";
    if (listen)
        script += L" timeout 0.6 parec -d null.monitor --raw --format=s16le --channels=1 --rate=8000 | tr -d '\\000' | wc -c >>" + part + L";";
    script += L" mv " + part + L" '" + unixAnswer + L"'";
    std::wstring commandLine = L"/bin/sh -c \"" + script + L"\"";
    DeleteFileW(answer.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return view;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!WaitFor([&] { return PathExists(answer); }, 5000)) return view;
    const Bytes bytes = ReadFileBytes(answer);
    DeleteFileW(answer.c_str());
    long long streams = -1;
    long long audible = -1;
    if (std::sscanf(std::string(bytes.begin(), bytes.end()).c_str(), "%lld %lld", &streams, &audible) >= 1)
        view.streams = static_cast<int>(streams);
    if (listen) view.audibleBytes = audible;
    return view;
}

const char* KindName(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Good: return "";
    case DocumentKind::Damaged: return " (damaged)";
    case DocumentKind::Missing: return " (missing)";
    }
    return "";
}

struct Key {
    UINT virtualKey;
    const char* name;
};
// Every key the player knows, including those of features that are arriving: speed down, up
// and normal, stop at each picture, and the picture list.
const Key kKeys[] = {{VK_SPACE, "Space"}, {VK_LEFT, "Left"},  {VK_RIGHT, "Right"},   {VK_PRIOR, "PageUp"},
                     {VK_NEXT, "PageDown"}, {VK_HOME, "Home"}, {VK_UP, "Up"},         {VK_DOWN, "Down"},
                     {'M', "M"},            {VK_OEM_4, "["},   {VK_OEM_6, "]"},       {VK_OEM_PLUS, "="},
                     {'S', "S"},            {'L', "L"}};

struct Button {
    int id;
    const char* name;
};
const Button kButtons[] = {{IDC_PLAY, "play"},          {IDC_PAUSE, "pause"},        {IDC_SKIP_BACK, "skip back"},
                           {IDC_SKIP_FORWARD, "skip forward"}, {IDC_NEXT_PICTURE, "next picture"},
                           {IDC_PREV_PICTURE, "previous picture"}, {IDC_TOPMOST, "always on top"},
                           {IDC_MUTE, "mute"},          {IDC_COMPACT, "strip view"}, {IDC_MAXIMIZE, "maximise"},
                           {IDC_MINIMIZE, "minimise"}};

struct MediaKey {
    int command;
    const char* name;
};
const MediaKey kMediaKeys[] = {{APPCOMMAND_MEDIA_PLAY_PAUSE, "play/pause"}, {APPCOMMAND_MEDIA_PLAY, "play"},
                               {APPCOMMAND_MEDIA_PAUSE, "pause"},           {APPCOMMAND_MEDIA_NEXTTRACK, "next"},
                               {APPCOMMAND_MEDIA_PREVIOUSTRACK, "previous"}};

// The files and folders in `folder` by lower-case name, with their sizes (-1 for folders).
std::map<std::wstring, long long> FilesIn(const std::wstring& folder)
{
    std::map<std::wstring, long long> files;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return files;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
        files[name] = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                          ? -1
                          : static_cast<long long>((static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
    } while (FindNextFileW(find.Get(), &found));
    return files;
}

// What one listing has that the other has not, or has at another size; at most a few names.
std::string ListingDifference(const std::map<std::wstring, long long>& seen, const std::map<std::wstring, long long>& expected)
{
    std::string out;
    int named = 0;
    for (const auto& [name, size] : seen) {
        const auto match = expected.find(name);
        if (match != expected.end() && match->second == size) continue;
        if (named++ < 5) out += (match == expected.end() ? " extra " : " other size ") + Narrow(name) + ";";
    }
    for (const auto& [name, size] : expected)
        if (seen.find(name) == seen.end() && named++ < 5) out += " missing " + Narrow(name) + ";";
    return out;
}
}  // namespace

std::string WorkFolderDifference(const std::wstring& work, const std::wstring& expected)
{
    const auto files = FilesIn(work);
    if (expected.empty()) return files.empty() ? std::string() : "with no document it holds" + ListingDifference(files, {});
    const auto items = FilesIn(expected);
    if (files != items) return "it holds" + ListingDifference(files, items);
    if (ReadFileBytes(work + L"ZEL.PIN") != ReadFileBytes(expected + L"ZEL.PIN")) return "its index differs";
    return {};
}

CMonkeyRun::CMonkeyRun(const CMonkeyDocuments& documents, std::uint64_t seed, DWORD seconds)
    : m_documents(documents), m_seed(seed), m_seconds(seconds), m_random(seed)
{
}

std::string CMonkeyRun::Run()
{
    m_began = GetTickCount();
    try {
        Start();
        std::uint64_t nextSettle = 5 + m_random.Below(8);
        DWORD nextProgress = 60000;
        while (GetTickCount() - m_began < m_seconds * 1000) {
            // Now and then a burst of actions with no pause between them.
            const std::uint64_t burst = m_random.OneIn(8) ? 3 + m_random.Below(6) : 1;
            for (std::uint64_t i = 0; i < burst; ++i) {
                Act();
                CheckQuick();
            }
            if (m_figures.actions >= nextSettle) {
                Settle();
                CheckSettled();
                nextSettle = m_figures.actions + 5 + m_random.Below(8);
            }
            Watch(static_cast<DWORD>(m_random.Below(2001)));
            if (GetTickCount() - m_began >= nextProgress) {
                std::printf("kavmonkey: %.0f min, %llu actions, %llu invariants checked\n", MinutesRun(),
                            static_cast<unsigned long long>(m_figures.actions),
                            static_cast<unsigned long long>(m_figures.checks));
                std::fflush(stdout);
                nextProgress += 60000;
            }
        }
        Settle();
        CheckSettled();
        CheckResources();
        CloseAndCheckEnd();
        m_figures.minutes = MinutesRun();
        return {};
    } catch (const CFinding& finding) {
        m_figures.minutes = MinutesRun();
        SaveScreen(BinFolder() + L"..\\monkey-finding.bmp");
        if (m_player.IsRunning()) SaveThreadStacks(m_player.Id(), BinFolder() + L"..\\monkey-finding-stacks.txt");
        char head[160];
        std::snprintf(head, sizeof(head), "finding at action %llu, %.1f min into the run with seed %llu: ",
                      static_cast<unsigned long long>(m_figures.actions), m_figures.minutes,
                      static_cast<unsigned long long>(m_seed));
        std::string report = head + std::string(finding.what()) + "\nreplay it with: scripts/monkey.sh " +
                             std::to_string(m_seconds) + " " + std::to_string(m_seed) + "\nthe last actions:\n";
        for (const std::string& action : m_lastActions) report += "  " + action + "\n";
        return report;
    }
}

void CMonkeyRun::Start()
{
    m_failedText = ResourceString(IDS_PLAYBACK_FAILED);
    Check(!m_failedText.empty(), "ZEL.dll has no text for a failed open");
    Check(!APlayerRuns(), "a player runs already");
    m_tempBefore.AddNames(GetTempFolder(), {L"ZEL", L"kavmonkey"});
    const MonkeyDocument& demo = m_documents.All().front();
    Log("start", "of the player with " + Narrow(demo.label));
    Check(m_player.Start(Quoted(demo.path)), "the player could not be started");
    m_window = m_player.WaitForWindow();
    Check(m_window != nullptr, "the player window did not appear");
    Requested(demo, false);
    Settle();
    CheckSettled();
}

// ---------------------------------------------------------------------------------------------
// Actions

void CMonkeyRun::Act()
{
    const std::uint64_t roll = m_random.Below(100);
    if (roll < 22)
        PressRandomButton();
    else if (roll < 34)
        RunRandomMenuCommand();
    else if (roll < 54)
        PressRandomKey();
    else if (roll < 60)
        PressMediaKey();
    else if (roll < 70)
        StartSecond();
    else if (roll < 78)
        SendCopyData();
    else if (roll < 84)
        Drop();
    else if (roll < 95)
        ChangeWindow();
    else
        Log("nothing");
}

void CMonkeyRun::Log(const char* kind, const std::string& detail)
{
    ++m_figures.byKind[kind];
    char head[48];
    std::snprintf(head, sizeof(head), "#%llu %.1fs ", static_cast<unsigned long long>(++m_figures.actions),
                  (GetTickCount() - m_began) / 1000.0);
    Remember(head + std::string(kind) + (detail.empty() ? "" : " ") + detail);
}

void CMonkeyRun::Note(const std::string& step)
{
    char head[32];
    std::snprintf(head, sizeof(head), "(check) %.1fs ", (GetTickCount() - m_began) / 1000.0);
    Remember(head + step);
}

void CMonkeyRun::Remember(const std::string& line)
{
    m_lastActions.push_back(line);
    if (m_lastActions.size() > kLoggedActions) m_lastActions.pop_front();
}

void CMonkeyRun::PressRandomButton()
{
    const Button& button = kButtons[m_random.Below(std::size(kButtons))];
    Log("button", button.name);
    PressButton(m_window, button.id);
}

// Every context-menu command, as the menu sends it. The open command's file dialog and the
// about box are found and dismissed.
void CMonkeyRun::RunRandomMenuCommand()
{
    const int id = ID_MENU_OPEN + static_cast<int>(m_random.Below(ID_MENU_ABOUT - ID_MENU_OPEN + 1));
    Log("menu command", std::to_string(id));
    PostCommand(m_window, id);
    if (id != ID_MENU_OPEN && id != ID_MENU_ABOUT) return;
    std::uint64_t& dismissed = id == ID_MENU_OPEN ? m_figures.fileDialogs : m_figures.aboutBoxes;
    const std::uint64_t before = dismissed;
    const DWORD began = GetTickCount();
    while (dismissed == before && GetTickCount() - began < kBusyMs) Watch(100);
    Check(dismissed > before, id == ID_MENU_OPEN ? "the open command showed no file dialog" : "the about command showed no about box");
}

void CMonkeyRun::PressRandomKey()
{
    if (m_random.OneIn(15)) {
        // Ctrl+O as real key presses, so the player sees the control key held; they reach it
        // only while it has the focus.
        Log("key", "Ctrl+O");
        SetForegroundWindow(m_window);
        keybd_event(VK_CONTROL, 0, 0, 0);
        keybd_event('O', 0, 0, 0);
        keybd_event('O', 0, KEYEVENTF_KEYUP, 0);
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        const std::uint64_t before = m_figures.fileDialogs;
        const DWORD began = GetTickCount();
        while (m_figures.fileDialogs == before && GetTickCount() - began < 3000) Watch(100);
        return;
    }
    const Key& key = kKeys[m_random.Below(std::size(kKeys))];
    Log("key", key.name);
    PostMessageW(m_window, WM_KEYDOWN, key.virtualKey, 1);
    PostMessageW(m_window, WM_KEYUP, key.virtualKey, 0xC0000001);
    if (key.virtualKey != 'L') return;
    // The picture list, where there is one, closes again with Escape.
    PictureListSearch search{m_player.Id(), m_window, nullptr};
    WaitFor([&] {
        EnumWindows(&FindPictureList, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, 1000);
    if (!search.found) return;
    Note("Escape on the picture list");
    PostMessageW(search.found, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(search.found, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    Check(WaitFor([&] { return !IsWindowVisible(search.found); }, kBusyMs), "the picture list did not close with Escape");
}

void CMonkeyRun::PressMediaKey()
{
    const MediaKey& key = kMediaKeys[m_random.Below(std::size(kMediaKeys))];
    Log("media key", key.name);
    PostMessageW(m_window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(m_window), MAKELPARAM(0, key.command));
}

const MonkeyDocument& CMonkeyRun::PickDocument()
{
    const std::uint64_t roll = m_random.Below(100);
    const DocumentKind kind = roll < 60 ? DocumentKind::Good : roll < 85 ? DocumentKind::Damaged : DocumentKind::Missing;
    std::vector<const MonkeyDocument*> choices;
    for (const MonkeyDocument& document : m_documents.All())
        if (document.kind == kind) choices.push_back(&document);
    return *choices[static_cast<std::size_t>(m_random.Below(choices.size()))];
}

void CMonkeyRun::Requested(const MonkeyDocument& document, bool handOff)
{
    m_latest = Request{&document, handOff};
    m_boxesSinceLatest = 0;
    ++m_figures.opens;
    if (document.kind != DocumentKind::Good) ++m_boxAllowance;
}

// A second start with the document's whole path, or with its name from a current folder of the
// document's own. It hands the path over and ends; the run waits for that, so the order of
// requests stays known.
void CMonkeyRun::StartSecond()
{
    const MonkeyDocument& document = PickDocument();
    const bool relative = m_random.OneIn(2);
    Log("second start", std::string("with ") + (relative ? "the name of " : "the path of ") + Narrow(document.label) +
                              KindName(document.kind));
    // A second start leaves the settings the running player keeps as they are, as a user's does.
    auto second = std::make_unique<CPlayerProcess>();
    constexpr bool keepUserSettings = true;
    bool started = false;
    if (relative) {
        const std::size_t slash = document.path.find_last_of(L'\\');
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        SetCurrentDirectoryW(document.path.substr(0, slash + 1).c_str());
        started = second->Start(Quoted(document.path.substr(slash + 1)), keepUserSettings);
        SetCurrentDirectoryW(previous);
    } else {
        started = second->Start(Quoted(document.path), keepUserSettings);
    }
    Check(started, "a second start could not be started");
    Requested(document, true);
    m_secondStarts.push_back(std::move(second));
    WaitForSecondStarts();
}

void CMonkeyRun::SendCopyData()
{
    const MonkeyDocument& document = PickDocument();
    Log("WM_COPYDATA", "with " + Narrow(document.label) + KindName(document.kind));
    Requested(document, true);
    Check(HandOff(m_window, document.path, kBusyMs), "WM_COPYDATA was not answered");
}

// A drop of one file with OLE drag and drop and the real mouse, dragged by a process of its own
// (this program started with --drop) while this one keeps checking and dismisses what the open
// shows. Under Wine, a process that has dragged many times can come to wait forever inside a
// drag, handing its file list to the target: a fresh process for each drag keeps that out of
// the run.
void CMonkeyRun::Drop()
{
    const MonkeyDocument& document = PickDocument();
    if (IsIconic(m_window)) {
        Log("drop", "of " + Narrow(document.label) + " left out: the player is minimised");
        return;
    }
    Log("drop", "of " + Narrow(document.label) + KindName(document.kind));
    RECT client{};
    GetClientRect(m_window, &client);
    const POINT at{client.right / 2, 12};
    // The open runs inside the drop, so the request counts from before it.
    const Request before = m_latest;
    const std::uint64_t boxesBefore = m_boxesSinceLatest;
    Requested(document, false);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = Quoted(self) + L" --drop " +
                               std::to_wstring(reinterpret_cast<std::uintptr_t>(m_window)) + L" " +
                               std::to_wstring(at.x) + L" " + std::to_wstring(at.y) + L" " + Quoted(document.path);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    Check(StartProcess(self, commandLine, false, startup, started), "the dragging process could not be started");
    CloseHandle(started.hThread);
    const UniqueKernelHandle drag(started.hProcess);
    const auto done = [&] { return WaitForSingleObject(drag.Get(), 0) == WAIT_OBJECT_0; };
    const DWORD began = GetTickCount();
    // Whether the drag was still running when a message box of the open was dismissed: a
    // program that drags may wait on the player's message box.
    const std::uint64_t boxesBeforeDrop = m_figures.messageBoxes;
    bool heldByABox = false;
    try {
        while (!done() && GetTickCount() - began < kSettleMs) {
            Watch(100);
            heldByABox = heldByABox || (!done() && m_figures.messageBoxes > boxesBeforeDrop);
        }
    } catch (...) {
        TerminateProcess(drag.Get(), 1);
        throw;
    }
    const bool ended = done();
    if (!ended) {
        SaveThreadStacks(GetProcessId(drag.Get()), BinFolder() + L"..\\monkey-drop-stacks.txt");
        TerminateProcess(drag.Get(), 1);
    }
    Check(ended, "a drop did not end");
    DWORD effect = DROPEFFECT_NONE;
    GetExitCodeProcess(drag.Get(), &effect);
    if (heldByABox) ++m_figures.dropsHeldByABox;
    if (effect != DROPEFFECT_NONE) {
        ++m_figures.dropsTaken;
        return;
    }
    Note("the drop was refused");
    m_latest = before;
    m_boxesSinceLatest = boxesBefore;
    --m_figures.opens;
    if (document.kind != DocumentKind::Good && m_boxAllowance > 0) --m_boxAllowance;
}

void CMonkeyRun::ChangeWindow()
{
    switch (m_random.Below(4)) {
    case 0: {
        const int x = static_cast<int>(m_random.Below(300));
        const int y = static_cast<int>(m_random.Below(200));
        const int width = 300 + static_cast<int>(m_random.Below(700));
        const int height = 200 + static_cast<int>(m_random.Below(600));
        Log("window", "to " + std::to_string(width) + "x" + std::to_string(height));
        SetWindowPos(m_window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        break;
    }
    case 1:
        Log("window", "maximised");
        PostMessageW(m_window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        break;
    case 2:
        Log("window", "minimised");
        PostMessageW(m_window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    default:
        Log("window", "restored");
        PostMessageW(m_window, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Checks

void CMonkeyRun::Check(bool holds, const std::string& what)
{
    ++m_figures.checks;
    if (!holds) throw CFinding(what);
}

// What holds at every moment: the process runs, one player window answers, and every dialog it
// shows is one it may show.
void CMonkeyRun::CheckQuick()
{
    if (!m_player.IsRunning()) {
        DWORD code = 0;
        GetExitCodeProcess(m_player.Handle(), &code);
        char text[64];
        std::snprintf(text, sizeof(text), "the player ended with exit code 0x%08lX", static_cast<unsigned long>(code));
        // A player that ended its window normally has removed its work folder on the way out.
        Check(false, text + std::string(PathExists(GetWorkFolderPath()) ? ", leaving its work folder"
                                                                         : ", its work folder removed"));
    }
    const int windows = PlayerWindows();
    Check(windows == 1 && FindPlayerWindow(0) == m_window, std::to_string(windows) + " player windows");
    const DWORD sent = GetTickCount();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result)) {
        m_figures.longestSilenceMs = std::max(m_figures.longestSilenceMs, GetTickCount() - sent);
        m_silentSince = 0;
    } else {
        if (!m_silentSince) m_silentSince = sent;
        const DWORD silence = GetTickCount() - m_silentSince;
        m_figures.longestSilenceMs = std::max(m_figures.longestSilenceMs, silence);
        Check(silence < kBusyMs, "the player has not answered for " + std::to_string(silence / 1000) + " s");
    }
    HandleDialogs();
}

void CMonkeyRun::Watch(DWORD milliseconds)
{
    const DWORD began = GetTickCount();
    do {
        CheckQuick();
        Pump(std::min<DWORD>(100, milliseconds));
    } while (GetTickCount() - began < milliseconds);
}

// Dismisses the player's dialogs: file dialogs and about boxes may show at any time, as keys and
// commands open them; a message box only for a damaged or missing document asked for, one each,
// and saying that it cannot be opened.
void CMonkeyRun::HandleDialogs()
{
    while (HWND dialog = FindDialogOf(m_player.Id(), m_window)) {
        switch (KindOf(dialog)) {
        case DialogKind::About:
            ++m_figures.aboutBoxes;
            Note("about box closed");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            break;
        case DialogKind::FileDialog:
            ++m_figures.fileDialogs;
            Note("file dialog cancelled");
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            break;
        case DialogKind::MessageBox: {
            const std::wstring text = MessageBoxText(dialog);
            Check(m_boxAllowance > 0, "a message box that no damaged or missing document explains: \"" + Narrow(text) + "\"");
            Check(text == m_failedText, "a message box says \"" + Narrow(text) + "\"");
            --m_boxAllowance;
            ++m_boxesSinceLatest;
            ++m_figures.messageBoxes;
            Note("message box dismissed");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            break;
        }
        }
        Check(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, kBusyMs),
              "a dialog stayed up after it was dismissed");
    }
}

// Two round trips: the first is answered before messages posted earlier run, the second only
// after the player has taken them, opens and all.
bool CMonkeyRun::Flush()
{
    for (int trip = 0; trip < 2; ++trip) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kBusyMs, &result)) return false;
    }
    return true;
}

// Whether the player shows the outcome of the latest request: the document's title, or for a
// document that cannot open a message box dismissed and (unless a second start refused the path
// before touching the open document) no document at all.
bool CMonkeyRun::ShowsLatest() const
{
    if (!m_latest.document) return true;
    const MonkeyDocument& document = *m_latest.document;
    switch (document.kind) {
    case DocumentKind::Good: return Title() == document.title;
    case DocumentKind::Damaged: return m_boxesSinceLatest > 0 && Title().empty();
    case DocumentKind::Missing: return m_boxesSinceLatest > 0 && (m_latest.handOff || Title().empty());
    }
    return false;
}

void CMonkeyRun::Settle()
{
    WaitForSecondStarts();
    const DWORD began = GetTickCount();
    for (;;) {
        CheckQuick();
        Check(Flush(), "the player did not answer for " + std::to_string(kBusyMs / 1000) + " s");
        if (!FindDialogOf(m_player.Id(), m_window) && ShowsLatest()) break;
        Check(GetTickCount() - began < kSettleMs,
              "the player does not show what it was asked for last (" + Narrow(m_latest.document->label) +
                  KindName(m_latest.document->kind) + "): title \"" + Narrow(Title()) + "\", " +
                  std::to_string(m_boxesSinceLatest) + " message boxes since");
        Watch(200);
    }
    // Once the latest request shows, no earlier one can still raise a message box.
    m_boxAllowance = 0;
    ++m_figures.settlePoints;
}

void CMonkeyRun::CheckSettled()
{
    const std::uint64_t checksBefore = m_figures.checks;
    const bool checkPause = m_random.OneIn(2);
    CheckWorkFolder();
    CFolderSnapshot temp;
    temp.AddNames(GetTempFolder(), {L"ZEL", L"kavmonkey"});
    const std::string outside = temp.DifferencesFrom(m_tempBefore);
    Check(outside.empty(), "the temporary folder changed beside the work folder: " + outside);
    const MonkeyDocument* open = m_documents.WithTitle(Title());
    const int elapsed = Elapsed();
    Check(elapsed >= 0 && elapsed <= (open ? open->seconds + 1 : 0),
          "the time label shows " + Narrow(LabelText(m_window, IDC_TIME)));
    const int voices = AskSoundServer(false).streams;
    Check(voices <= 1, "the player has " + std::to_string(voices) + " voices at the sound server at once");
    if (checkPause) CheckPauseHolds();

    if (!m_countsTaken && GetTickCount() - m_began >= std::min<DWORD>(kWarmUpMs, m_seconds * 1000 / 3)) {
        m_startCounts = CountsOf(m_player.Handle(), m_player.Id());
        m_opensAtStart = m_figures.opens;
        m_countsTaken = true;
        m_lastResourceCheck = GetTickCount();
        PrintCounts("kavmonkey:", "after the warm-up:", m_startCounts);
    } else if (m_countsTaken && GetTickCount() - m_lastResourceCheck >= kResourceCheckMs) {
        CheckResources();
    }
    m_figures.settledChecks += m_figures.checks - checksBefore;
}

// The work folder holds the items of the document the window shows, as the document loaded
// beside the run has them, and nothing else; with no document shown, nothing at all.
void CMonkeyRun::CheckWorkFolder()
{
    const std::wstring title = Title();
    const MonkeyDocument* open = m_documents.WithTitle(title);
    Check(title.empty() || open, "the player shows the title \"" + Narrow(title) + "\", which no document has");
    const std::string difference = WorkFolderDifference(GetWorkFolderPath(), open ? open->reference->WorkFolder() : L"");
    Check(difference.empty(), "the work folder does not match " + (open ? Narrow(open->label) : "no document") + ": " + difference);
}

// After Pause the elapsed time stands still for 2 s: no voice plays on behind the window. After
// Play, where the document has time left, it moves again.
void CMonkeyRun::CheckPauseHolds()
{
    Note("pause, and the time stands still");
    DWORD_PTR result = 0;
    Check(SendMessageTimeoutW(m_window, WM_COMMAND, MAKEWPARAM(IDC_PAUSE, BN_CLICKED),
                              reinterpret_cast<LPARAM>(GetDlgItem(m_window, IDC_PAUSE)), SMTO_NORMAL, kBusyMs, &result),
          "Pause was not answered");
    Watch(300); // a tick may still show the position the pause held
    const int held = Elapsed();
    const DWORD began = GetTickCount();
    while (GetTickCount() - began < 2000) {
        Watch(100);
        const int now = Elapsed();
        Check(now == held, "after Pause the elapsed time went on from " + std::to_string(held) + " s to " +
                               std::to_string(now) + " s");
    }
    const SoundServerView paused = AskSoundServer(true);
    Check(paused.streams <= 1 && paused.audibleBytes <= 0,
          "after Pause the sound server has " + std::to_string(paused.streams) + " voices of the player and hears " +
              std::to_string(paused.audibleBytes) + " bytes that are not silence");
    const MonkeyDocument* open = m_documents.WithTitle(Title());
    if (!open || held + 4 > open->seconds) return;
    // Pausing at pictures, Play goes on only to the next picture's start, which in the huge
    // document comes within the same second: then only the voices are counted.
    DWORD pauseAtPictures = 0;
    DWORD size = sizeof(pauseAtPictures);
    const bool pausesAtPictures = RegGetValueW(HKEY_CURRENT_USER, kUserSettingsKey, kPauseAtPicturesValue, RRF_RT_REG_DWORD,
                                               nullptr, &pauseAtPictures, &size) == ERROR_SUCCESS &&
                                  pauseAtPictures == 1;
    Note(pausesAtPictures ? "play, pausing at pictures" : "play, and the time moves");
    Check(SendMessageTimeoutW(m_window, WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED),
                              reinterpret_cast<LPARAM>(GetDlgItem(m_window, IDC_PLAY)), SMTO_NORMAL, kBusyMs, &result),
          "Play was not answered");
    if (pausesAtPictures) {
        Watch(500);
        const int voices = AskSoundServer(false).streams;
        Check(voices <= 1, "after Play the player has " + std::to_string(voices) + " voices at the sound server");
        return;
    }
    const DWORD played = GetTickCount();
    while (Elapsed() == held && GetTickCount() - played < 3000) Watch(100);
    Check(Elapsed() != held, "after Play the elapsed time stands at " + std::to_string(held) + " s");
    const int voices = AskSoundServer(false).streams;
    Check(voices == 1 || voices < 0, "while the time moves the player has " + std::to_string(voices) + " voices at the sound server");
}

void CMonkeyRun::CheckResources()
{
    if (!m_countsTaken) return;
    const ResourceCounts now = CountsOf(m_player.Handle(), m_player.Id());
    PrintCounts("kavmonkey:", "now:", now);
    const auto beyond = GrowthBeyondPlatform("kavmonkey:", m_startCounts, now,
                                             static_cast<long long>(m_figures.opens - m_opensAtStart), kMemorySlack);
    std::string growth;
    for (const std::string& line : beyond) growth += line + "; ";
    Check(growth.empty(), "the player's resources grew: " + growth);
    m_lastResourceCheck = GetTickCount();
}

void CMonkeyRun::CloseAndCheckEnd()
{
    Note("close");
    PressButton(m_window, IDC_CLOSE);
    Check(m_player.WaitForExit(kBusyMs), "the player did not end when closed");
    Check(!PathExists(GetWorkFolderPath()), "the work folder is still there after the player closed");
}

void CMonkeyRun::WaitForSecondStarts()
{
    for (const auto& second : m_secondStarts) {
        const DWORD began = GetTickCount();
        while (!second->WaitForExit(0) && GetTickCount() - began < kBusyMs) Watch(100);
        Check(second->WaitForExit(0), "a second start did not end");
    }
    m_secondStarts.clear();
}

std::wstring CMonkeyRun::Title() const
{
    return LabelText(m_window, IDC_TITLE);
}

int CMonkeyRun::Elapsed() const
{
    return SecondsOf(LabelText(m_window, IDC_TIME));
}

double CMonkeyRun::MinutesRun() const
{
    return (GetTickCount() - m_began) / 60000.0;
}
