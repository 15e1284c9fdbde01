#include "bench/BenchSupport.h"

#include "base/ComScope.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

double CStopwatch::Seconds() const
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Maximum(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

namespace {
double FileTimeSeconds(const FILETIME& time)
{
    ULARGE_INTEGER units;
    units.LowPart = time.dwLowDateTime;
    units.HighPart = time.dwHighDateTime;
    return static_cast<double>(units.QuadPart) / 1e7;
}
}  // namespace

double ProcessCpuSeconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return -1;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

PROCESS_MEMORY_COUNTERS_EX MemoryOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        counters = PROCESS_MEMORY_COUNTERS_EX{};
    return counters;
}

void Expect(bool condition, const std::string& what)
{
    if (!condition) throw CWrongResult(what);
}

void PrintRow(const ResultRow& row)
{
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", row.area.c_str(), row.measure.c_str(), row.figure.c_str(),
                row.reference.c_str(), row.ratio.c_str(), row.target.c_str(), row.verdict.c_str());
    std::fflush(stdout);
}

void Note(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("kavbench: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::fflush(stderr);
}

std::string Format(const char* format, ...)
{
    char text[512];
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

std::string Milliseconds(double seconds)
{
    return seconds < 0.01 ? Format("%.3f ms", seconds * 1000) : Format("%.1f ms", seconds * 1000);
}

std::string Mebibytes(double bytes)
{
    return Format("%.2f MiB", bytes / (1024.0 * 1024.0));
}

std::string ListMilliseconds(const std::vector<double>& seconds)
{
    std::string list;
    for (double value : seconds) list += Format(" %.1f", value * 1000);
    return list;
}

std::string Verdict(bool met)
{
    return met ? "met" : "MISSED";
}

std::wstring Widen(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(units, 0)), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr,
                            nullptr);
    return narrow;
}

std::wstring TempFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    std::wstring folder(buffer, length < MAX_PATH ? length : 0);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::string OptionValue(const Arguments& arguments, const std::string& name, const std::string& fallback)
{
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == name) return arguments[i + 1];
    return fallback;
}

Arguments Positionals(const Arguments& arguments)
{
    Arguments positionals;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].rfind("--", 0) == 0) {
            ++i;
            continue;
        }
        positionals.push_back(arguments[i]);
    }
    return positionals;
}

int RunCommand(const char* program, const Commands& commands, int argc, wchar_t** argv)
{
    const std::string name = argc >= 2 ? Narrow(argv[1]) : std::string();
    if (!commands.count(name)) {
        std::string names;
        for (const auto& command : commands) names += (names.empty() ? "" : "|") + command.first;
        std::fprintf(stderr, "usage: %s %s ...\n", program, names.c_str());
        return 64;
    }
    Arguments arguments;
    for (int i = 2; i < argc; ++i) arguments.push_back(Narrow(argv[i]));
    const COleScope ole;
    int status = 0;
    try {
        commands.at(name)(arguments);
    } catch (const CWrongResult& wrong) {
        PrintRow({name, "self-check", "-", "-", "-", "-", std::string("WRONG: ") + wrong.what()});
        status = 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
        status = 1;
    }
    return status;
}
