#include "player/TimeDisplay.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include <cwchar>
#include <string>

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

namespace {
void AppendCount(std::wstring& text, int count, const wchar_t* unit)
{
    if (!text.empty()) text += L' ';
    text += std::to_wstring(count) + L' ' + unit;
    if (count != 1) text += L's';
}
}

std::wstring FormatSpokenTime(int seconds)
{
    if (seconds < 0) seconds = 0;
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int rest = seconds % 60;
    std::wstring text;
    if (hours > 0) AppendCount(text, hours, L"hour");
    if (minutes > 0) AppendCount(text, minutes, L"minute");
    if (rest > 0 || text.empty()) AppendCount(text, rest, L"second");
    return text;
}

std::wstring FormatSpokenPosition(int seconds, int duration)
{
    return FormatSpokenTime(seconds) + L" of " + FormatSpokenTime(duration);
}

std::wstring FormatSpeed(double speed)
{
    wchar_t number[16];
    swprintf(number, 16, L"%g", speed);
    return FormatResourceString(IDS_SPEED_VALUE, {number});
}
