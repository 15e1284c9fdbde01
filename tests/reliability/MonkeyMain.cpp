// kavmonkey SECONDS SEED: the random run of the real player (see MonkeyRun.h). Prints its figures
// as lines starting with "kavmonkey:" and ends with 0 when every promise held, 1 on a finding,
// 2 when the run could not be set up.
// kavmonkey --drop WINDOW X Y FILE: one drag of FILE onto the client point X, Y of the window
// whose handle is WINDOW, as the run does it from a process of its own; ends with the effect
// the target granted.
#include "tests/reliability/MonkeyDocuments.h"
#include "tests/reliability/MonkeyRun.h"

#include "document/WorkFolder.h"
#include "tests/support/PlayerDriver.h"

#include <ole2.h>
#include <cstdio>
#include <cwchar>

namespace {
constexpr DWORD kDefaultSeconds = 60;
constexpr std::uint64_t kDefaultSeed = 1;

void PrintFigures(std::uint64_t seed, const MonkeyFigures& figures)
{
    std::printf("kavmonkey: seed %llu: %llu actions in %.1f min (%.0f a minute); %llu invariants checked, %llu of "
                "them at %llu settled moments; %llu documents asked for, %llu message boxes, %llu file dialogs and "
                "%llu about boxes dismissed; the longest the player took to answer: %.1f s\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(figures.actions), figures.minutes,
                figures.minutes > 0 ? figures.actions / figures.minutes : 0.0,
                static_cast<unsigned long long>(figures.checks), static_cast<unsigned long long>(figures.settledChecks),
                static_cast<unsigned long long>(figures.settlePoints), static_cast<unsigned long long>(figures.opens),
                static_cast<unsigned long long>(figures.messageBoxes), static_cast<unsigned long long>(figures.fileDialogs),
                static_cast<unsigned long long>(figures.aboutBoxes), figures.longestSilenceMs / 1000.0);
    std::printf("kavmonkey: actions by kind:");
    for (const auto& [kind, count] : figures.byKind) std::printf(" %s %llu;", kind.c_str(), static_cast<unsigned long long>(count));
    std::printf(" drops taken by the player %llu, of them held until a message box was dismissed %llu\n",
                static_cast<unsigned long long>(figures.dropsTaken), static_cast<unsigned long long>(figures.dropsHeldByABox));
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 6 && std::wcscmp(argv[1], L"--drop") == 0) {
        const HWND target = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(argv[2], nullptr, 10)));
        const POINT at{std::wcstol(argv[3], nullptr, 10), std::wcstol(argv[4], nullptr, 10)};
        OleInitialize(nullptr);
        const DWORD effect = DragAndDropFiles(target, at, {argv[5]});
        OleUninitialize();
        return static_cast<int>(effect);
    }
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : kDefaultSeconds;
    const std::uint64_t seed = argc > 2 ? std::wcstoull(argv[2], nullptr, 10) : kDefaultSeed;
    if (seconds == 0) {
        std::fprintf(stderr, "usage: kavmonkey [SECONDS] [SEED]\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 0;
    {
        CMonkeyDocuments documents;
        std::string error;
        if (!documents.Prepare(BinFolder() + L"..\\demo\\demo.kav", seed, error)) {
            std::fprintf(stderr, "kavmonkey: cannot make the documents: %s\n", error.c_str());
            OleUninitialize();
            return 2;
        }
        std::printf("kavmonkey: seed %llu, %lu s\n", static_cast<unsigned long long>(seed), static_cast<unsigned long>(seconds));
        std::fflush(stdout);
        CMonkeyRun run(documents, seed, seconds);
        const std::string finding = run.Run();
        PrintFigures(seed, run.Figures());
        if (!finding.empty()) {
            std::printf("kavmonkey: %s", finding.c_str());
            status = 1;
        } else {
            std::printf("kavmonkey: every promise held\n");
        }
    }
    // A run that ended on a finding leaves the player ended by force and its work folder behind.
    if (status != 0) CleanUpFolder(GetWorkFolderPath());
    OleUninitialize();
    return status;
}
