// create: makes a document of a voice recording, pictures and the times they appear.
#include "document/ContainerFormat.h"
#include "document/ContainerWriter.h"
#include "document/PictureIndex.h"
#include "document/WorkFolder.h"
#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"
#include "kavtool/PictureNames.h"
#include "kavtool/ToolFiles.h"
#include "kavtool/VoiceTrack.h"

#include <windows.h>
#include <algorithm>
#include <filesystem>
#include <optional>

namespace {
const wchar_t kHelp[] =
    L"Usage: kavtool create OUT.kav --voice FILE [--title NAME] [--codec adpcm|pcm]\n"
    L"                      [--picture MS=FILE]... [--no-picture MS]... [--reference MS]... [--verbose]\n"
    L"\n"
    L"Writes a document holding a voice track and pictures shown from the given times on.\n"
    L"  --voice FILE        a 16-bit PCM WAVE file, encoded on the way in, or a TMV voice track\n"
    L"  --codec C           codec for a WAVE voice file: adpcm (the default) or pcm\n"
    L"  --title NAME        the title the player shows; the voice file's name without its extension\n"
    L"                      when not given\n"
    L"  --picture MS=FILE   show the picture in FILE from MS milliseconds on\n"
    L"  --no-picture MS     show no picture from MS milliseconds on\n"
    L"  --reference MS      a reference mark at MS milliseconds; it changes no picture\n"
    L"  --verbose           say how the voice file was taken and under which name each picture is stored\n"
    L"Times are whole milliseconds from 0 to 2147483647. The periods are stored in order of time; of\n"
    L"two at the same time the later on the command line wins. A picture keeps its file name when\n"
    L"that is a short ASCII 8.3 name, and is stored as P0001.EXT and so on otherwise. A document\n"
    L"with no times at all gets one reference mark at 0, since the index holds at least one record.\n"
    L"OUT.kav is written whole or not at all.";

const wchar_t kVoiceExtension[] = L".tmv";

// "1 picture", "2 pictures"
std::wstring Count(std::size_t count, const wchar_t* noun)
{
    return std::to_wstring(count) + L" " + noun + (count == 1 ? L"" : L"s");
}

// One record to be, with the picture file it shows (empty for none and for references).
struct PlannedRecord {
    IndexRecord record;
    std::wstring source;
};

// The voice track as the document will hold it: the given TMV file, or a temporary one
// encoded from the given WAVE file.
struct PreparedVoice {
    std::optional<CTemporaryFile> encoded;
    std::wstring path;
};

std::vector<PlannedRecord> PlanRecords(const CCommandLine& line)
{
    std::vector<PlannedRecord> planned;
    for (const auto& [option, value] : line.Options()) {
        PlannedRecord plan;
        if (option == L"--picture") {
            const std::size_t equals = value.find(L'=');
            if (equals == std::wstring::npos || equals + 1 == value.size())
                line.FailUsage(L"--picture needs MS=FILE, not \"" + value + L"\"");
            plan.record.time = ParseMilliseconds(line, option, value.substr(0, equals));
            plan.source = value.substr(equals + 1);
        } else if (option == L"--no-picture") {
            plan.record.time = ParseMilliseconds(line, option, value);
            plan.record.hasPicture = false;
        } else if (option == L"--reference") {
            plan.record.time = ParseMilliseconds(line, option, value);
            plan.record.isReference = true;
            plan.record.hasPicture = false;
        } else {
            continue;
        }
        planned.push_back(std::move(plan));
    }
    // The player walks the periods in file order and stops at the first that starts later
    // than the position, so they must be in order of time.
    std::stable_sort(planned.begin(), planned.end(),
                     [](const PlannedRecord& a, const PlannedRecord& b) { return a.record.time < b.record.time; });
    if (planned.empty()) {
        PlannedRecord mark;
        mark.record.isReference = true;
        mark.record.hasPicture = false;
        planned.push_back(mark);
    }
    return planned;
}

// The voice entry's name: the title with an extension, which the player removes again.
std::wstring VoiceEntryName(const CCommandLine& line, const std::wstring& voice)
{
    const std::optional<std::wstring> given = line.Value(L"--title");
    const std::wstring title = given ? *given : std::filesystem::path(voice).stem().wstring();
    const std::wstring name = title + kVoiceExtension;
    if (title.empty()) line.FailUsage(L"--title needs a name");
    if (name.size() >= container::kNameUnits) line.FailUsage(L"the title is too long (at most 251 characters)");
    if (!IsPlainFileName(name))
        line.FailUsage(L"the title \"" + title + L"\" cannot be stored: it must not hold control characters, any of"
                       L" < > : \" / \\ | ? * or end in a dot");
    return name;
}

PreparedVoice PrepareVoice(const std::wstring& voice, TmvCodec codec, bool verbose)
{
    PreparedVoice prepared;
    if (StartsAsWave(voice)) {
        const std::wstring temp = GetTempFolder();
        if (temp.empty()) FailWithFile(voice, L"cannot be encoded: the system names no usable temporary folder");
        prepared.encoded.emplace(temp);
        prepared.path = prepared.encoded->Path();
        EncodeVoice(voice, prepared.path, prepared.path, codec);
        if (verbose) PrintOut(L"voice: " + voice + L" encoded as " + CodecName(codec));
        return prepared;
    }
    // A name ending in .wav promises a WAVE file; anything else must be a complete TMV track.
    if (HasExtension(voice, L".wav")) FailWithFile(voice, L"not a RIFF WAVE file");
    ReadVoiceHeader(voice);
    prepared.path = voice;
    if (verbose) PrintOut(L"voice: " + voice + L" taken as a TMV voice track");
    return prepared;
}

// One picture entry per distinct picture file, however often the file is shown; the records
// take the entry names.
std::vector<ContainerPicture> NamePictures(std::vector<PlannedRecord>& planned, bool verbose)
{
    std::vector<std::wstring> sources;
    std::vector<std::optional<FileIdentity>> identities;
    std::vector<std::size_t> pictureOfRecord(planned.size());
    for (std::size_t i = 0; i < planned.size(); ++i) {
        if (planned[i].source.empty()) continue;
        const std::optional<FileIdentity> identity = IdentifyFile(planned[i].source);
        // A file whose identity cannot be read is taken as one of its own.
        const auto known = identity ? std::find(identities.begin(), identities.end(), identity) : identities.end();
        pictureOfRecord[i] = static_cast<std::size_t>(known - identities.begin());
        if (known != identities.end()) continue;
        identities.push_back(identity);
        sources.push_back(planned[i].source);
    }

    std::vector<std::wstring> fileNames;
    for (const std::wstring& source : sources) fileNames.push_back(FileNamePart(source));
    const std::vector<std::wstring> names = ChoosePictureNames(fileNames);
    std::vector<ContainerPicture> pictures;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (verbose) PrintOut(L"picture: " + sources[i] + L" stored as " + names[i]);
        pictures.push_back({names[i], sources[i]});
    }
    for (std::size_t i = 0; i < planned.size(); ++i)
        if (!planned[i].source.empty()) planned[i].record.name = names[pictureOfRecord[i]];
    return pictures;
}

void CheckInputs(const CCommandLine& line, const std::wstring& out, const std::wstring& voice,
                 const std::vector<PlannedRecord>& planned)
{
    std::vector<std::wstring> inputs{voice};
    for (const PlannedRecord& plan : planned)
        if (!plan.source.empty()) inputs.push_back(plan.source);
    for (const std::wstring& input : inputs) {
        RequireInputFile(input);
        if (IsSameFile(input, out)) line.FailUsage(L"OUT.kav is the input file " + input);
    }
    if (IsExistingFolder(out)) FailWithFile(out, L"is a folder");
}
}  // namespace

int RunCreate(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"create", args,
                            {{L"--voice", true, false}, {L"--title", true, false}, {L"--codec", true, false},
                             {L"--picture", true, true}, {L"--no-picture", true, true}, {L"--reference", true, true},
                             {L"--verbose", false, false}});
    if (line.PrintHelpIfAsked(kHelp)) return kExitOk;
    line.ExpectPositionals({L"OUT.kav"});
    const std::wstring& out = line.Positional(0);
    const std::optional<std::wstring> voice = line.Value(L"--voice");
    if (!voice) line.FailUsage(L"missing --voice FILE");
    const TmvCodec codec = CodecOption(line);
    const bool verbose = line.Has(L"--verbose");
    std::vector<PlannedRecord> planned = PlanRecords(line);

    ContainerContent content;
    CheckInputs(line, out, *voice, planned);
    content.voiceName = VoiceEntryName(line, *voice);
    const PreparedVoice prepared = PrepareVoice(*voice, codec, verbose);
    content.voicePath = prepared.path;
    content.pictures = NamePictures(planned, verbose);
    std::vector<IndexRecord> records;
    for (const PlannedRecord& plan : planned) records.push_back(plan.record);
    const HRESULT built = BuildPictureIndex(records, content.index);
    if (FAILED(built)) FailWithFile(out, L"the picture index cannot be built", built);
    // The names are checked by now, so the writer refuses arguments only for the format's limits.
    const HRESULT written = WriteContainer(out, content);
    if (written == E_INVALIDARG)
        FailWithFile(out, L"cannot be written: the document would reach 2 GiB or hold over 32765 pictures");
    if (FAILED(written)) FailWithFile(out, L"cannot be written", written);

    const std::size_t periods = static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(), [](const IndexRecord& record) { return !record.isReference; }));
    PrintOut(out + L": " + Count(content.pictures.size(), L"picture") + L", " + Count(periods, L"period") + L", " +
             Count(records.size() - periods, L"reference") + L", " + std::to_wstring(FileSize(out)) + L" bytes");
    return kExitOk;
}
