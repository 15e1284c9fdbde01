#pragma once
// A long random run of the real player, driven from outside: every button, menu command and key,
// media keys, hand-offs by second starts and by WM_COPYDATA, drops, good, damaged, missing, huge
// and tiny documents, and window sizes and states, at random intervals of up to 2 s and in bursts.
// After every action and in between it checks what the player promises: one window that answers,
// one voice at most and a pause that holds, a work folder holding exactly the open document,
// message boxes only for documents that cannot open, handles and memory within what the platform
// keeps, and a clean end. The first broken promise ends the run with the seed, the action number
// and the last actions, so the same seed replays the same sequence of actions.

#include "tests/reliability/FuzzCases.h"
#include "tests/reliability/FuzzHarness.h"
#include "tests/reliability/MonkeyDocuments.h"
#include "tests/reliability/PlayerWatch.h"
#include "tests/support/PlayerDriver.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// What differs between the work folder `work` and the items of a document loaded into the
// folder `expected`: names, sizes and the index. With `expected` empty (no document open),
// anything in `work`. Empty when they agree.
std::string WorkFolderDifference(const std::wstring& work, const std::wstring& expected);

struct MonkeyFigures {
    std::uint64_t actions = 0;
    std::map<std::string, std::uint64_t> byKind;
    std::uint64_t dropsTaken = 0;    // drops the player accepted
    std::uint64_t dropsHeldByABox = 0; // drags that could end only once the run dismissed a message box
    std::uint64_t checks = 0;        // invariants checked, each one counted
    std::uint64_t settlePoints = 0;  // moments the full set was checked on a settled player
    std::uint64_t settledChecks = 0; // the invariants checked at those moments
    std::uint64_t opens = 0;         // documents asked for
    std::uint64_t messageBoxes = 0;  // dismissed by the run
    std::uint64_t fileDialogs = 0;   // cancelled by the run
    std::uint64_t aboutBoxes = 0;    // closed by the run
    DWORD longestSilenceMs = 0;      // the longest the player took to answer a round trip
    double minutes = 0;
};

// A broken promise: what was seen.
class CFinding : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CMonkeyRun {
public:
    CMonkeyRun(const CMonkeyDocuments& documents, std::uint64_t seed, DWORD seconds);

    // Runs the player for the given time; empty when every promise held, else the report of the
    // finding. COM and OLE must be initialised on the calling thread.
    std::string Run();
    const MonkeyFigures& Figures() const { return m_figures; }

private:
    // What the player was asked to open last; the latest request wins.
    struct Request {
        const MonkeyDocument* document = nullptr;
        bool handOff = false;  // a missing document handed over leaves the open one as it is
    };

    void Start();

    // Actions
    void Act();
    // Records an action of a kind, or a step of a check, for the report of a finding.
    void Log(const char* kind, const std::string& detail = {});
    void Note(const std::string& step);
    void Remember(const std::string& line);
    void PressRandomButton();
    void RunRandomMenuCommand();
    void PressRandomKey();
    void PressMediaKey();
    void StartSecond();
    void SendCopyData();
    void Drop();
    void ChangeWindow();
    const MonkeyDocument& PickDocument();
    void Requested(const MonkeyDocument& document, bool handOff);

    // Checks
    void Check(bool holds, const std::string& what);
    void CheckQuick();
    void Watch(DWORD milliseconds);
    void HandleDialogs();
    bool Flush();
    bool ShowsLatest() const;
    void Settle();
    void CheckSettled();
    void CheckWorkFolder();
    void CheckPauseHolds();
    void CheckResources();
    void CloseAndCheckEnd();
    void WaitForSecondStarts();
    std::wstring Title() const;
    int Elapsed() const;
    double MinutesRun() const;

    const CMonkeyDocuments& m_documents;
    const std::uint64_t m_seed;
    const DWORD m_seconds;
    CRandom m_random;
    MonkeyFigures m_figures;
    std::deque<std::string> m_lastActions;
    DWORD m_began = 0;

    CPlayerProcess m_player;
    HWND m_window = nullptr;
    std::vector<std::unique_ptr<CPlayerProcess>> m_secondStarts;
    Request m_latest;
    std::uint64_t m_boxAllowance = 0;   // damaged and missing documents asked for, not yet answered
    std::uint64_t m_boxesSinceLatest = 0;
    DWORD m_silentSince = 0;            // when the player last failed a round trip; 0 while it answers
    std::wstring m_failedText;          // what the player says when a document cannot open
    CFolderSnapshot m_tempBefore;
    bool m_countsTaken = false;
    ResourceCounts m_startCounts;
    std::uint64_t m_opensAtStart = 0;
    DWORD m_lastResourceCheck = 0;
};
