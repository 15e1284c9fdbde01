// kavbench.exe: the in-process benchmarks. scripts/bench.sh runs each command in a process of
// its own, so one benchmark's memory peak never hides in another's.
#include "bench/Benchmarks.h"

int wmain(int argc, wchar_t** argv)
{
    const Commands commands = {
        {"make-document", MakeDocumentCommand},
        {"open", OpenBenchmark},
        {"decode", DecodeBenchmark},
        {"pictures", PictureBenchmark},
        {"picture-list", PictureListBenchmark},
        {"picture-switch", PictureSwitchBenchmark},
        {"speed", SpeedBenchmark},
    };
    return RunCommand("kavbench", commands, argc, argv);
}
