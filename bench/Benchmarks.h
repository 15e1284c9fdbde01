#pragma once
// The in-process benchmarks of kavbench.exe, one function a command. Each prints its result
// rows and throws CWrongResult when what it measured turned out wrong.

#include "bench/BenchSupport.h"

// make-document OUT.kav PICTURE... (--megabytes N | --seconds S) --pictures COUNT [--first PICTURE]
void MakeDocumentCommand(const Arguments& arguments);
// open CONTAINER LABEL --pictures COUNT --runs N
void OpenBenchmark(const Arguments& arguments);
// decode --runs N
void DecodeBenchmark(const Arguments& arguments);
// pictures LABEL=PICTURE... --runs N
void PictureBenchmark(const Arguments& arguments);
// picture-list DOCUMENT --runs N
void PictureListBenchmark(const Arguments& arguments);
// picture-switch SMALL LARGE LARGE --runs N
void PictureSwitchBenchmark(const Arguments& arguments);
// speed --runs N
void SpeedBenchmark(const Arguments& arguments);
