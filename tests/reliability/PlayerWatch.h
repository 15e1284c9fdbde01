#pragma once
// What the long runs of the real player watch from outside: its handle, GDI and memory counts,
// judged against what the platform itself keeps of each filter graph; hand-offs as a second
// start sends them; whether a player runs at all.

#include <windows.h>
#include <string>
#include <vector>

// What the platform says about a process's resources; -1 where it says nothing.
struct ResourceCounts {
    long long handles = -1;
    long long gdiObjects = -1;
    long long userObjects = -1;
    long long privateBytes = -1;
    long long workingSet = -1;
};

ResourceCounts CountsOf(HANDLE process, DWORD processId);
// One line of figures, starting with `prefix` (such as "kavsoak:").
void PrintCounts(const char* prefix, const char* when, const ResourceCounts& counts);

// Growth from `before` to `after` over `graphs` graphs, against what the platform itself keeps
// of that many graphs, plus a tenth of a handle a graph and a count that does not depend on the
// length of the run (`memorySlack` bytes of memory). Prints the figures of each count with
// `prefix`; returns one line for each count that grew beyond what is allowed, none when flat.
std::vector<std::string> GrowthBeyondPlatform(const char* prefix, const ResourceCounts& before,
                                              const ResourceCounts& after, long long graphs, long long memorySlack);

std::wstring Quoted(const std::wstring& path);
// Hands `path` to the player as a second start does; false when the player did not answer
// within `milliseconds`. The player answers first and opens the document after.
bool HandOff(HWND window, const std::wstring& path, UINT milliseconds = 30000);
// True while a player runs: it holds the instance mutex for its whole life.
bool APlayerRuns();
