#include "tests/reliability/PlayerWatch.h"
#include "tests/reliability/FuzzCases.h"
#include "tests/reliability/ReliabilitySupport.h"

#include "document/WorkFolder.h"
#include "base/ExternalNames.h"
#include "base/ComPtr.h"
#include "base/Handles.h"

#include <dshow.h>
#include <psapi.h>
#include <winternl.h>
#include <algorithm>
#include <cstdio>

namespace {
// The handles a process holds, counted in the system's handle table. Wine answers
// GetProcessHandleCount for another process with 0, but lists every handle here.
long long SystemHandlesOf(DWORD processId)
{
    struct HandleEntry {
        ULONG ownerId;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                                         static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // the table grew: a larger buffer
            buffer.resize(std::max<std::size_t>(needed, buffer.size() * 2));
            continue;
        }
        if (status < 0) return -1;
        const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
        const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
        long long owned = 0;
        for (ULONG i = 0; i < count; ++i) owned += entries[i].ownerId == processId ? 1 : 0;
        return owned;
    }
    return -1;
}

// What one filter graph, built as the player builds it, played briefly and released, leaves
// behind in this process. Wine's own graph parts keep handles and memory of every graph (its
// file source with a WAVE file shows the same), and the player builds one graph a document:
// that much of the player's growth belongs to the platform, not to the player.
struct GraphCost {
    double handles = 0;
    double privateBytes = 0;
    double workingSet = 0;
};

GraphCost PlatformCostOfAGraph()
{
    const std::wstring voice = GetTempFolder() + L"kavora-reliability-graph.tmv";
    if (!WriteFileBytes(voice, EncodeTones(true, 1, 0, 8000))) return {};
    auto playOnce = [&] {
        ComPtr<IGraphBuilder> graph;
        ComPtr<IMediaControl> control;
        ComPtr<IFileSourceFilter> source;
        ComPtr<IBaseFilter> filter;
        ComPtr<IPin> output;
        if (FAILED(graph.CreateInstance(CLSID_FilterGraph)) ||
            FAILED(graph.As(control)) ||
            FAILED(source.CreateInstance(CLSID_RecorderSourceFilter)) ||
            FAILED(source->Load(voice.c_str(), nullptr)) || FAILED(source.As(filter)) ||
            FAILED(graph->AddFilter(filter.Get(), kSourceFilterName)) ||
            FAILED(filter->FindPin(kSourceFilterOutputPin, &output)) || FAILED(graph->Render(output.Get())))
            return false;
        control->Run();
        Sleep(100);
        control->Stop();
        return true;
    };
    const int graphs = 6;
    playOnce();
    const ResourceCounts before = CountsOf(GetCurrentProcess(), GetCurrentProcessId());
    for (int i = 0; i < graphs; ++i)
        if (!playOnce()) return {};
    const ResourceCounts after = CountsOf(GetCurrentProcess(), GetCurrentProcessId());
    DeleteFileW(voice.c_str());
    GraphCost cost;
    cost.handles = std::max(0.0, static_cast<double>(after.handles - before.handles) / graphs);
    cost.privateBytes = std::max(0.0, static_cast<double>(after.privateBytes - before.privateBytes) / graphs);
    cost.workingSet = std::max(0.0, static_cast<double>(after.workingSet - before.workingSet) / graphs);
    return cost;
}
}  // namespace

ResourceCounts CountsOf(HANDLE process, DWORD processId)
{
    ResourceCounts counts;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles > 0)
        counts.handles = handles;
    else
        counts.handles = SystemHandlesOf(processId);
    counts.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    counts.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        counts.privateBytes = static_cast<long long>(memory.PrivateUsage);
        counts.workingSet = static_cast<long long>(memory.WorkingSetSize);
    }
    return counts;
}

void PrintCounts(const char* prefix, const char* when, const ResourceCounts& c)
{
    std::printf("%s %-22s handles %lld, GDI objects %lld, USER objects %lld, private bytes %lld, working set %lld\n",
                prefix, when, c.handles, c.gdiObjects, c.userObjects, c.privateBytes, c.workingSet);
}

// A count the platform does not report (-1, or 0 throughout) is left out and said so. Memory is
// the private bytes where the platform reports them, else the working set.
std::vector<std::string> GrowthBeyondPlatform(const char* prefix, const ResourceCounts& before,
                                              const ResourceCounts& after, long long graphs, long long memorySlack)
{
    static const GraphCost platform = PlatformCostOfAGraph();
    std::vector<std::string> beyond;
    auto check = [&](const char* what, long long b, long long a, double perGraph, long long slack) {
        if (b <= 0 && a <= 0) {
            std::printf("%s %s: not reported by this platform\n", prefix, what);
            return;
        }
        const long long allowed = static_cast<long long>(perGraph * graphs) + slack;
        std::printf("%s %s grew by %lld; the platform keeps %.1f a graph, so %lld are allowed\n", prefix, what, a - b,
                    perGraph, allowed);
        if (a - b > allowed)
            beyond.push_back(std::string(what) + " grew from " + std::to_string(b) + " to " + std::to_string(a) +
                             ", beyond the " + std::to_string(allowed) + " allowed");
    };
    check("handles", before.handles, after.handles, platform.handles, 16 + graphs / 10);
    check("GDI objects", before.gdiObjects, after.gdiObjects, 0, 8);
    check("USER objects", before.userObjects, after.userObjects, 0, 8);
    if (before.privateBytes > 0)
        check("private bytes", before.privateBytes, after.privateBytes, platform.privateBytes, memorySlack);
    else
        check("working set", before.workingSet, after.workingSet, platform.workingSet, memorySlack);
    return beyond;
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

bool HandOff(HWND window, const std::wstring& path, UINT milliseconds)
{
    COPYDATASTRUCT data{};
    data.cbData = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(path.c_str());
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, milliseconds,
                               &result) != 0;
}

bool APlayerRuns()
{
    UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Tesmar Kavora Player"));
    return mutex.IsValid();
}
