#include "kavtool/PictureNames.h"

#include "document/ContainerFormat.h"
#include "document/WorkFolder.h"

#include <windows.h>
#include <algorithm>
#include <cwchar>
#include <string_view>

namespace {
constexpr std::size_t kMaxStem = 8;
constexpr std::size_t kMaxExtension = 3;

bool IsShortNameCharacter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
           std::wstring_view(L"!#$%&'()-@^_`{}~").find(c) != std::wstring_view::npos;
}

bool IsShortPart(std::wstring_view part, std::size_t maxLength)
{
    if (part.empty() || part.size() > maxLength) return false;
    for (const wchar_t c : part)
        if (!IsShortNameCharacter(c)) return false;
    return true;
}

// Taken as the file system compares names, without regard to case.
bool IsTaken(const std::vector<std::wstring>& taken, const std::wstring& name)
{
    const auto equal = [&](const std::wstring& other) {
        return CompareStringOrdinal(name.data(), static_cast<int>(name.size()), other.data(), static_cast<int>(other.size()),
                                    TRUE) == CSTR_EQUAL;
    };
    return std::any_of(taken.begin(), taken.end(), equal);
}

// The extension of `fileName` cut to three short-name characters, with its dot; empty when
// nothing of it fits. ".jpeg" keeps ".jpe" and ".tiff" ".tif", both still known to the system.
std::wstring ShortExtension(const std::wstring& fileName)
{
    const std::size_t dot = fileName.rfind(L'.');
    if (dot == std::wstring::npos) return {};
    std::wstring extension = fileName.substr(dot + 1, kMaxExtension);
    return IsShortPart(extension, kMaxExtension) ? L"." + extension : std::wstring();
}
}  // namespace

bool IsShortAsciiName(const std::wstring& name)
{
    const std::size_t dot = name.find(L'.');
    if (dot == std::wstring::npos) return IsShortPart(name, kMaxStem);
    const std::wstring_view view(name);
    return IsShortPart(view.substr(0, dot), kMaxStem) && IsShortPart(view.substr(dot + 1), kMaxExtension);
}

std::vector<std::wstring> ChoosePictureNames(const std::vector<std::wstring>& fileNames)
{
    std::vector<std::wstring> names(fileNames.size());
    // The work folder's own files are taken from the start: a picture of either name would
    // replace them.
    std::vector<std::wstring> taken{kIndexFileName, kVoiceFileName};
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        const std::wstring& name = fileNames[i];
        if (IsShortAsciiName(name) && IsPlainFileName(name) && !IsTaken(taken, name)) {
            names[i] = name;
            taken.push_back(name);
        }
    }
    unsigned number = 1;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        if (!names[i].empty()) continue;
        const std::wstring extension = ShortExtension(fileNames[i]);
        do {
            wchar_t stem[16];
            std::swprintf(stem, 16, L"P%04u", number++);
            names[i] = stem + extension;
        } while (IsTaken(taken, names[i]));
        taken.push_back(names[i]);
    }
    return names;
}
