#pragma once
// The tool's commands. Each takes the arguments after its name, prints its report and returns
// the exit status; a failure ends it by throwing a CommandError.

#include <string>
#include <vector>

int RunCreate(const std::vector<std::wstring>& args);
int RunInspect(const std::vector<std::wstring>& args);
int RunExtract(const std::vector<std::wstring>& args);
int RunEncode(const std::vector<std::wstring>& args);
int RunDecode(const std::vector<std::wstring>& args);
int RunExportWeb(const std::vector<std::wstring>& args);
