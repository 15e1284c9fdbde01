// inspect: reads a document exactly as the player opens it and reports what the player would
// see: the result code, the title, the directory and the picture periods.
#include "document/PictureIndex.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"
#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"
#include "kavtool/Json.h"
#include "kavtool/ToolDocument.h"
#include "kavtool/ToolFiles.h"

#include <windows.h>
#include <cstdint>
#include <optional>

namespace {
const wchar_t kHelp[] =
    L"Usage: kavtool inspect FILE.kav [--json]\n"
    L"\n"
    L"Opens the document the way the player does, in a private work folder under the temporary\n"
    L"folder that is removed afterwards, and prints the result code (0x00000000 when the player\n"
    L"would open it), the title, the directory (index, voice track and pictures with their offsets\n"
    L"and sizes), the picture periods and the reference records.\n"
    L"  --json   print one JSON object instead: result, title, index, voice, pictures, periods\n"
    L"           ({start_ms, picture}, picture null for a period without one) and references\n"
    L"Exit status: 0 when the player would open the document, 1 when not, 2 for a wrong command line.";

struct DocumentReport {
    HRESULT result = E_UNEXPECTED;
    std::optional<std::wstring> title;
    std::optional<ContainerDirectory> directory;
    std::vector<PictureEntry> periods;
    std::vector<std::uint32_t> references;
};

// The player's document keeps no reference records, so they are read from the extracted
// index before the document removes its work folder.
std::vector<std::uint32_t> ReadReferences(const std::wstring& indexPath)
{
    CPictureIndex index;
    std::vector<IndexRecord> records;
    if (FAILED(index.LoadIndex(indexPath)) || FAILED(index.GetRecords(records))) return {};
    std::vector<std::uint32_t> references;
    for (const IndexRecord& record : records)
        if (record.isReference) references.push_back(record.time);
    return references;
}

DocumentReport ReadDocument(const std::wstring& path)
{
    CPlayerDocument document(PrivateWorkFolder(path));

    DocumentReport report;
    report.result = document.Load(path);
    if (FAILED(report.result)) return report;
    std::wstring title;
    document.GetTitle(title);
    report.title = title;
    report.directory = document.Directory();
    document.GetPictureList(report.periods);
    report.references = ReadReferences(document.WorkFolder() + kIndexFileName);
    return report;
}

// Names may hold any character; on a text line the control characters show as '?'.
std::wstring Printable(std::wstring text)
{
    for (wchar_t& c : text)
        if (c < 0x20) c = L'?';
    return text;
}

void PrintText(const DocumentReport& report)
{
    PrintOut(L"result      " + FormatResult(report.result));
    if (report.title) PrintOut(L"title       " + Printable(*report.title));
    if (report.directory) {
        const auto printItem = [](const wchar_t* kind, const ContainerItem& item) {
            PrintOut(kind + Printable(item.name) + L", offset " + std::to_wstring(item.offset) + L", " +
                     std::to_wstring(item.size) + L" bytes");
        };
        printItem(L"index       ", report.directory->index);
        printItem(L"voice       ", report.directory->voice);
        for (const ContainerItem& picture : report.directory->pictures) printItem(L"picture     ", picture);
    }
    for (const PictureEntry& period : report.periods)
        PrintOut(L"period      " + std::to_wstring(period.time) + L" ms: " +
                 (period.path.empty() ? L"(no picture)" : Printable(FileNamePart(period.path))));
    for (const std::uint32_t time : report.references) PrintOut(L"reference   " + std::to_wstring(time) + L" ms");
}

void WriteItem(CJsonWriter& json, const ContainerItem& item)
{
    json.BeginObject();
    json.Key(L"name");
    json.String(item.name);
    json.Key(L"offset");
    json.Number(item.offset);
    json.Key(L"size");
    json.Number(item.size);
    json.EndObject();
}

void PrintJson(const DocumentReport& report)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key(L"result");
    json.String(FormatResult(report.result));
    json.Key(L"title");
    if (report.title) json.String(*report.title);
    else json.Null();
    json.Key(L"index");
    if (report.directory) WriteItem(json, report.directory->index);
    else json.Null();
    json.Key(L"voice");
    if (report.directory) WriteItem(json, report.directory->voice);
    else json.Null();
    json.Key(L"pictures");
    json.BeginArray();
    if (report.directory)
        for (const ContainerItem& picture : report.directory->pictures) WriteItem(json, picture);
    json.EndArray();
    json.Key(L"periods");
    json.BeginArray();
    for (const PictureEntry& period : report.periods) {
        json.BeginObject();
        json.Key(L"start_ms");
        json.Number(period.time);
        json.Key(L"picture");
        if (period.path.empty()) json.Null();
        else json.String(FileNamePart(period.path));
        json.EndObject();
    }
    json.EndArray();
    json.Key(L"references");
    json.BeginArray();
    for (const std::uint32_t time : report.references) json.Number(time);
    json.EndArray();
    json.EndObject();
    PrintOut(json.Text());
}
}  // namespace

int RunInspect(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"inspect", args, {{L"--json", false, false}});
    if (line.PrintHelpIfAsked(kHelp)) return kExitOk;
    line.ExpectPositionals({L"FILE.kav"});
    const std::wstring& path = line.Positional(0);

    const DocumentReport report = ReadDocument(path);
    if (line.Has(L"--json")) PrintJson(report);
    else PrintText(report);
    if (SUCCEEDED(report.result)) return kExitOk;

    PrintError(DescribeLoadFailure(path, report.result));
    return kExitFailure;
}
