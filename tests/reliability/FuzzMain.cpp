// kavfuzz: the mutation fuzzer for long runs (scripts/fuzz.sh). Runs cases FIRST, FIRST + 1, ...
// until COUNT have run or SECONDS have passed, prints its rate every few seconds, and prints
// each finding and saves its bytes to the findings folder. A crash or a hang ends the run with
// exit code 3 after saying which case it was, so the caller can resume after it.
//
//   kavfuzz.exe [--first N] [--cases COUNT] [--seconds SECONDS] [--findings FOLDER]
//
// Exit code: 0 no findings, 1 findings, 2 the run could not start, 3 a crash or hang.
#include "tests/reliability/FuzzHarness.h"
#include "tests/reliability/ReliabilitySupport.h"

#include "document/WorkFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {
struct Options {
    std::uint64_t first = 0;
    std::uint64_t cases = 10000;
    double seconds = 0;  // 0: no time limit
    std::wstring findings;
};

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--first")
            options.first = std::wcstoull(value, nullptr, 10);
        else if (name == L"--cases")
            options.cases = std::wcstoull(value, nullptr, 10);
        else if (name == L"--seconds")
            options.seconds = std::wcstod(value, nullptr);
        else if (name == L"--findings" && *value)
            options.findings = std::wstring(value) + (std::wstring(value).back() == L'\\' ? L"" : L"\\");
        else
            return false;
    }
    return argc % 2 == 1;
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: kavfuzz [--first N] [--cases COUNT] [--seconds SECONDS] [--findings FOLDER]\n");
        return 2;
    }
    if (options.findings.empty()) options.findings = GetTempFolder() + L"kavfuzz-findings\\";

    CComScope com;
    CFuzzHarness harness;
    std::string error;
    if (!harness.Prepare(error)) {
        std::fprintf(stderr, "kavfuzz: %s\n", error.c_str());
        return 2;
    }
    CFuzzGuard::Install(options.findings, 10000);

    const auto start = std::chrono::steady_clock::now();
    double lastReport = 0;
    std::uint64_t findings = 0;
    std::uint64_t run = 0;
    for (; run < options.cases; ++run) {
        if (options.seconds > 0 && Since(start) >= options.seconds) break;
        const FuzzCase fuzzCase = MakeCase(harness.Seeds(), options.first + run);
        const std::string finding = harness.Run(fuzzCase);
        if (!finding.empty()) {
            ++findings;
            CFuzzGuard::Save(fuzzCase);
            std::printf("kavfuzz: FINDING %s\n", finding.c_str());
        }
        const double elapsed = Since(start);
        if (elapsed - lastReport >= 5) {
            lastReport = elapsed;
            std::printf("kavfuzz: %llu cases, %.0f a second, %llu findings\n", static_cast<unsigned long long>(run + 1),
                        (run + 1) / elapsed, static_cast<unsigned long long>(findings));
            std::fflush(stdout);
        }
    }
    const double elapsed = Since(start);
    std::printf("kavfuzz: done: cases %llu to %llu, %llu cases in %.1f s, %.0f a second, %llu findings\n",
                static_cast<unsigned long long>(options.first), static_cast<unsigned long long>(options.first + run),
                static_cast<unsigned long long>(run), elapsed, run / (elapsed > 0 ? elapsed : 1),
                static_cast<unsigned long long>(findings));
    std::printf("kavfuzz: %s\n", DescribeTally(harness.Tally()).c_str());
    return findings ? 1 : 0;
}
