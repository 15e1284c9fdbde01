#include "ui/ClockTime.h"
#include <cwchar>

std::wstring FormatClockTime(int seconds)
{
    if (seconds < 0) seconds = 0;
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int rest = seconds % 60;
    wchar_t text[32];
    if (hours > 0)
        swprintf(text, 32, L"%d:%02d:%02d", hours, minutes, rest);
    else
        swprintf(text, 32, L"%d:%02d", minutes, rest);
    return text;
}
