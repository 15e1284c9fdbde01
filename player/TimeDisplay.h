#pragma once
// The one time format of the player's labels: hours, minutes and seconds of a whole-second
// position, hours with two digits up to 99 and three from 100 on.

#include <string>

std::wstring FormatTime(int seconds);
// The seek target label's text: "To " and the time.
std::wstring FormatTargetTime(int seconds);
// A position in words, as a screen reader says it: "2 minutes 10 seconds", "1 hour", "0 seconds".
std::wstring FormatSpokenTime(int seconds);
// The seek bar's value in words: "2 minutes 10 seconds of 5 minutes".
std::wstring FormatSpokenPosition(int seconds, int duration);
// A listening speed as the window shows it: "1.5×", "0.75×", "2×".
std::wstring FormatSpeed(double speed);
