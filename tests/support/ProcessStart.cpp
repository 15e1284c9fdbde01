#include "tests/support/ProcessStart.h"

#include <cstdio>

bool StartProcess(const std::wstring& exe, std::wstring& commandLine, bool inheritHandles, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process)
{
    const int tries = 3;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, 0,
                           nullptr, nullptr, &startup, &process))
            return true;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "starting %ls failed with error %lu (try %d of %d)\n", exe.c_str(), error, attempt, tries);
        if (attempt < tries) Sleep(250 * attempt);
        SetLastError(error);
    }
    return false;
}
