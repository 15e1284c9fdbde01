#pragma once
// The one time format of the player's labels: hours, minutes and seconds of a whole-second
// position, hours with two digits up to 99 and three from 100 on.

#include <string>

std::wstring FormatTime(int seconds);
// The seek target label's text: "To " and the time.
std::wstring FormatTargetTime(int seconds);
