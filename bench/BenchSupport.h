#pragma once
// What every benchmark shares: a stopwatch, medians, the process's CPU time and memory counters,
// checks that stop a benchmark whose answer is wrong, and the result rows that scripts/bench.sh
// gathers into its table.

#include <windows.h>
#include <psapi.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

class CStopwatch {
public:
    CStopwatch() { Restart(); }
    void Restart() { QueryPerformanceCounter(&m_start); }
    double Seconds() const;

private:
    LARGE_INTEGER m_start{};
};

double Median(std::vector<double> values);
double Maximum(const std::vector<double>& values);

// User plus kernel time of a process, and of the calling thread, in seconds.
double ProcessCpuSeconds(HANDLE process);
double ThreadCpuSeconds();

// The memory counters as Wine reports them for `process` (zeros when it cannot tell).
PROCESS_MEMORY_COUNTERS_EX MemoryOf(HANDLE process);

// A benchmark whose own result fails its check throws this: its figure must never show.
class CWrongResult : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
void Expect(bool condition, const std::string& what);

// One line of the table: what was measured, its figure, the reference measured in the same
// run, their ratio, the target and whether it was met. Printed as "ROW" and tab-separated
// fields on standard output.
struct ResultRow {
    std::string area;
    std::string measure;
    std::string figure;
    std::string reference;
    std::string ratio;
    std::string target;
    std::string verdict;
};
void PrintRow(const ResultRow& row);
// Progress for the person watching; goes to standard error so the rows stay clean.
void Note(const char* format, ...);

std::string Format(const char* format, ...);
std::string Milliseconds(double seconds);
std::string Mebibytes(double bytes);
// " 12.3 14.1 ..." : each value in milliseconds, for the notes.
std::string ListMilliseconds(const std::vector<double>& seconds);
// "met" or "MISSED", for a figure with a target.
std::string Verdict(bool met);

// UTF-16 from the UTF-8 (or ASCII) text of a command-line argument, and back for messages.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

// The user's temporary folder with its trailing backslash.
std::wstring TempFolder();

using Arguments = std::vector<std::string>;
using Commands = std::map<std::string, std::function<void(const Arguments&)>>;

// The value after `name` in the arguments, or `fallback` when the option is absent.
std::string OptionValue(const Arguments& arguments, const std::string& name, const std::string& fallback);
// The arguments that are neither options ("--name") nor their values.
Arguments Positionals(const Arguments& arguments);

// Runs the command named by argv[1] with the arguments after it, with OLE initialised on this
// thread as on the player's own. A CWrongResult becomes a WRONG row and status 2.
int RunCommand(const char* program, const Commands& commands, int argc, wchar_t** argv);
