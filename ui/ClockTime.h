#pragma once
// A position as a clock shows it in short notices and lists: minutes and seconds below an hour
// ("12:04"), hours, minutes and seconds from an hour on ("1:02:03").

#include <string>

std::wstring FormatClockTime(int seconds);
