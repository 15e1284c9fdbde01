#pragma once
// kavtool: makes Kavora documents, checks them as the player reads them, takes them apart and
// converts voice tracks.

#include <string>
#include <vector>

// Runs the command that `args` (the arguments after the program's name) ask for and returns its
// exit status. A refusal or failure arrives as a CommandError carrying the line to print.
int RunTool(const std::vector<std::wstring>& args);
