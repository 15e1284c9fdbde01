// kavtool.exe: runs one command and turns a failure into one line on standard error.
#include "kavtool/CommandLine.h"
#include "kavtool/Console.h"
#include "kavtool/Tool.h"

#include <exception>
#include <new>

int wmain(int argc, wchar_t** argv)
{
    try {
        return RunTool(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const CommandError& error) {
        PrintError(error.Message());
        return error.Status();
    } catch (const std::bad_alloc&) {
        PrintError(L"kavtool: out of memory");
        return kExitFailure;
    } catch (const std::exception& error) {
        PrintError(L"kavtool: unexpected failure: " + FromUtf8(error.what()));
        return kExitFailure;
    }
}
