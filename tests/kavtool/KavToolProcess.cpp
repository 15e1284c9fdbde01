#include "tests/kavtool/KavToolProcess.h"

#include "base/Handles.h"
#include "kavtool/Console.h"
#include "tests/support/ProcessStart.h"

#include <thread>

namespace {
std::wstring ToolPath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"kavtool.exe";
}

// The argument in quotes, with backslashes before a quote doubled as the runtime expects.
std::wstring Quote(const std::wstring& arg)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string ReadAll(HANDLE pipe)
{
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

// A pipe whose write end the child inherits.
void MakePipe(UniqueKernelHandle& readEnd, UniqueKernelHandle& writeEnd)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    readEnd.Reset(read);
    writeEnd.Reset(write);
}
}  // namespace

ToolRun RunKavTool(const std::vector<std::wstring>& args)
{
    const std::wstring exe = ToolPath();
    std::wstring commandLine = Quote(exe);
    for (const std::wstring& arg : args) commandLine += L" " + Quote(arg);

    UniqueKernelHandle outRead, outWrite, errRead, errWrite;
    MakePipe(outRead, outWrite);
    MakePipe(errRead, errWrite);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = errWrite.Get();
    PROCESS_INFORMATION info{};
    ToolRun run;
    if (!StartProcess(exe, commandLine, true, startup, info)) {
        run.err = L"kavtool did not start: CreateProcess failed with error " + std::to_wstring(GetLastError());
        return run;
    }
    const UniqueKernelHandle process(info.hProcess);
    CloseHandle(info.hThread);
    // Only the child holds the write ends now, so the reads end when it does.
    outWrite.Reset();
    errWrite.Reset();

    std::string err;
    std::thread errReader([&] { err = ReadAll(errRead.Get()); });
    const std::string out = ReadAll(outRead.Get());
    errReader.join();
    WaitForSingleObject(process.Get(), INFINITE);
    GetExitCodeProcess(process.Get(), &run.exitCode);
    run.out = FromUtf8(out);
    run.err = FromUtf8(err);
    return run;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return lines;
}
