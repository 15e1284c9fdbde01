// kavbench.exe: the in-process benchmarks. scripts/bench.sh runs each command in a process of
// its own, so one benchmark's memory peak never hides in another's.
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"

#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

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

int wmain(int argc, wchar_t** argv)
{
    const std::map<std::string, std::function<void(const Arguments&)>> commands = {
        {"make-document", MakeDocumentCommand},
        {"open", OpenBenchmark},
        {"decode", DecodeBenchmark},
        {"pictures", PictureBenchmark},
    };
    if (argc < 2 || !commands.count(Narrow(argv[1]))) {
        std::fprintf(stderr, "usage: kavbench make-document|open|decode|pictures ...\n");
        return 64;
    }
    Arguments arguments;
    for (int i = 2; i < argc; ++i) arguments.push_back(Narrow(argv[i]));
    // Single apartment, as on the player's own thread: the filter and the picture loader are
    // used as the player uses them.
    const HRESULT com = OleInitialize(nullptr);
    int status = 0;
    try {
        commands.at(Narrow(argv[1]))(arguments);
    } catch (const CWrongResult& wrong) {
        PrintRow({Narrow(argv[1]), "self-check", "-", "-", "-", "-", std::string("WRONG: ") + wrong.what()});
        status = 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kavbench: %s\n", error.what());
        status = 1;
    }
    if (SUCCEEDED(com)) OleUninitialize();
    return status;
}
