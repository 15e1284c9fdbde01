#include "player/TimeDisplay.h"
#include <cwchar>

namespace {
std::wstring Format(const wchar_t* twoDigitHours, const wchar_t* threeDigitHours, int seconds)
{
    // Positions are never negative; should one arrive, it shows as the start rather than as a
    // string of minus signs.
    if (seconds < 0) seconds = 0;
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int rest = seconds % 60;
    wchar_t text[32];
    swprintf(text, 32, hours <= 99 ? twoDigitHours : threeDigitHours, hours, minutes, rest);
    return text;
}
}

std::wstring FormatTime(int seconds)
{
    return Format(L"%02d:%02d:%02d", L"%03d:%02d:%02d", seconds);
}

std::wstring FormatTargetTime(int seconds)
{
    return Format(L"To %02d:%02d:%02d", L"To %03d:%02d:%02d", seconds);
}
