// extract: copies a document's items into a folder the way the player fills its work folder:
// the index as ZEL.PIN, the voice track as ZEL.TMV and each picture under its entry name.
#include "base/Handles.h"
#include "document/ContainerReader.h"
#include "document/WorkFolder.h"
#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"
#include "kavtool/ToolFiles.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {
const wchar_t kHelp[] =
    L"Usage: kavtool extract FILE.kav DIR [--force]\n"
    L"\n"
    L"Checks the document as the player does and copies its items into DIR: the picture index\n"
    L"as ZEL.PIN, the voice track as ZEL.TMV and every picture under its own name. DIR is\n"
    L"created when missing. Nothing in DIR is ever deleted.\n"
    L"  --force   extract into a DIR that is not empty, replacing files of the same names\n"
    L"Exit status: 0 when all items were copied, 1 when not, 2 for a wrong command line.";

bool IsEmptyFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return true;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") return false;
    } while (FindNextFileW(find.Get(), &found));
    return true;
}

// DIR as a full path with its trailing backslash, existing afterwards.
std::wstring PrepareFolder(const std::wstring& dir, bool force)
{
    std::wstring folder = FullPathOf(dir);
    if (folder.back() != L'\\') folder += L'\\';
    if (IsExistingFile(dir)) FailWithFile(dir, L"exists and is not a folder");
    if (IsExistingFolder(folder)) {
        if (!force && !IsEmptyFolder(folder)) FailWithFile(dir, L"is not empty (--force extracts into it anyway)");
        return folder;
    }
    const int error = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (error != ERROR_SUCCESS) FailWithFile(dir, L"cannot be created", HRESULT_FROM_WIN32(error));
    return folder;
}

void PrintItem(const std::wstring& fileName, const ContainerItem& item)
{
    PrintOut(fileName + L"  " + std::to_wstring(item.size) + L" bytes");
}
}  // namespace

int RunExtract(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"extract", args, {{L"--force", false, false}});
    if (line.PrintHelpIfAsked(kHelp)) return kExitOk;
    line.ExpectPositionals({L"FILE.kav", L"DIR"});
    const std::wstring& path = line.Positional(0);
    const std::wstring& dir = line.Positional(1);

    // The player's own first test, with its result code.
    if (!PathFileExistsW(path.c_str())) FailWithFile(path, L"no such file", E_INVALIDARG);
    CContainerReader reader;
    const HRESULT read = reader.Read(path);
    if (FAILED(read)) FailWithFile(path, L"the player cannot open this document", read);

    // The folder is made only for a document that has passed the reader's checks.
    const std::wstring folder = PrepareFolder(dir, line.Has(L"--force"));
    const HRESULT copied = CopyContainerItems(reader.File(), reader.Directory(), folder);
    reader.Close();
    if (FAILED(copied)) FailWithFile(path, L"an item cannot be extracted into " + dir, copied);

    const ContainerDirectory& directory = reader.Directory();
    PrintItem(kIndexFileName, directory.index);
    PrintItem(kVoiceFileName, directory.voice);
    for (const ContainerItem& picture : directory.pictures) PrintItem(picture.name, picture);
    return kExitOk;
}
