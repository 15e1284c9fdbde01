#include "kavtool/Tool.h"

#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"

namespace {
struct Command {
    const wchar_t* name;
    int (*run)(const std::vector<std::wstring>& args);
    const wchar_t* summary;
};

const Command kCommands[] = {
    {L"create", RunCreate, L"create OUT.kav --voice FILE [options]   make a document"},
    {L"inspect", RunInspect, L"inspect FILE.kav [--json]               read a document as the player does"},
    {L"extract", RunExtract, L"extract FILE.kav DIR [--force]          copy a document's items into a folder"},
    {L"encode", RunEncode, L"encode IN.wav OUT.tmv [--codec C]       make a voice track of a WAVE file"},
    {L"decode", RunDecode, L"decode IN.tmv OUT.wav [--speed S]       turn a voice track into a WAVE file"},
    {L"export-web", RunExportWeb, L"export-web FILE.kav DIR [--force]       write a folder that plays in a web browser"},
};

void PrintToolHelp()
{
    PrintOut(L"Usage: kavtool COMMAND [ARGUMENTS]");
    PrintOut(L"");
    for (const Command& command : kCommands) PrintOut(L"  kavtool " + std::wstring(command.summary));
    PrintOut(L"");
    PrintOut(L"kavtool COMMAND --help tells more about a command.");
    PrintOut(L"Exit status: 0 success, 1 a file or operation failed, 2 the command line is wrong.");
}

const Command* FindCommand(const std::wstring& name)
{
    for (const Command& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}
}  // namespace

int RunTool(const std::vector<std::wstring>& args)
{
    if (args.empty()) throw CommandError(kExitUsage, L"kavtool: no command given (see kavtool --help)");
    const std::wstring& name = args.front();
    if (name == L"--help" || name == L"-h" || name == L"help") {
        if (args.size() > 1 && FindCommand(args[1])) return FindCommand(args[1])->run({L"--help"});
        PrintToolHelp();
        return kExitOk;
    }
    const Command* command = FindCommand(name);
    if (!command) throw CommandError(kExitUsage, L"kavtool: unknown command \"" + name + L"\" (see kavtool --help)");
    return command->run(std::vector<std::wstring>(args.begin() + 1, args.end()));
}
