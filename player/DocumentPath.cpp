#include "player/DocumentPath.h"
#include <shlwapi.h>

bool HasDocumentExtension(const std::wstring& path)
{
    const std::wstring tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    return CompareStringOrdinal(tail.c_str(), static_cast<int>(tail.size()), L".kav", 4, TRUE) == CSTR_EQUAL;
}

bool IsOpenableDocumentPath(const std::wstring& path)
{
    return !path.empty() && PathFileExistsW(path.c_str()) && !PathIsDirectoryW(path.c_str()) &&
           HasDocumentExtension(path);
}

std::optional<std::wstring> PathFromCopyData(const COPYDATASTRUCT* data)
{
    if (!data || !data->lpData || data->cbData == 0 || data->cbData % sizeof(wchar_t) != 0) return std::nullopt;
    const auto* text = static_cast<const wchar_t*>(data->lpData);
    const size_t units = data->cbData / sizeof(wchar_t);
    size_t length = 0;
    while (length < units && text[length] != L'\0') ++length;
    if (length == 0) return std::nullopt;
    return std::wstring(text, length);
}
