// export-web: writes a folder that plays a document in any current browser, from the disk or
// from a static web server: the page, its script and style, the timeline, the pictures and the
// voice in a form browsers play natively. The folder appears complete or not at all.
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"
#include "base/Handles.h"
#include "base/Result.h"
#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"
#include "kavtool/ToolDocument.h"
#include "kavtool/ToolFiles.h"
#include "kavtool/VoiceTrack.h"
#include "kavtool/WebPage.h"
#include "kavtool/WebPageFiles.h"
#include "voice/FlacWriter.h"
#include "voice/TmvReader.h"
#include "voice/WavFile.h"

#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <string_view>

namespace {
const wchar_t kHelp[] =
    L"Usage: kavtool export-web FILE.kav DIR [--audio flac|wav] [--force]\n"
    L"\n"
    L"Writes a folder that plays the document in a web browser, opened from the disk (DIR\\index.html)\n"
    L"or from any web server, with nothing loaded from elsewhere: index.html, player.js, player.css,\n"
    L"timeline.json (each period's start and end in ms and its picture file or null), the pictures\n"
    L"as stored in the document, and the voice.\n"
    L"  --audio flac   the voice as FLAC: lossless and about half the size of WAV (the default)\n"
    L"  --audio wav    the voice as 16-bit PCM WAV, for the rare browser without FLAC\n"
    L"  --force        replace DIR when it exists\n"
    L"DIR is written beside itself under a temporary name and renamed when complete, so it never\n"
    L"holds half an export. The command ends with the folder's size and what it is made of; a\n"
    L"voice of ten minutes or more shows its progress on standard error.\n"
    L"Exit status: 0 when the folder was written, 1 when the document cannot be opened or a file\n"
    L"cannot be written, 2 for a wrong command line.";

// Progress is shown for voices of at least this length; shorter ones take a moment.
constexpr double kProgressMinSeconds = 600;
constexpr int kProgressStepPercent = 10;
constexpr std::size_t kChunkFrames = 8192;

enum class AudioForm { Flac, Wav };

AudioForm AudioOption(const CCommandLine& line)
{
    const std::wstring name = line.Value(L"--audio").value_or(L"flac");
    if (name == L"flac") return AudioForm::Flac;
    if (name == L"wav") return AudioForm::Wav;
    line.FailUsage(L"--audio is flac or wav, not \"" + name + L"\"");
}

// "1.2 MB", "340 KB": decimal units, as disks and downloads are measured.
std::wstring FormatBytes(double bytes)
{
    wchar_t text[32];
    if (bytes >= 1e6) std::swprintf(text, 32, L"%.1f MB", bytes / 1e6);
    else std::swprintf(text, 32, L"%.0f KB", std::max(1.0, bytes / 1e3));
    return text;
}

std::wstring PerHour(double bytes, double seconds)
{
    return FormatBytes(seconds > 0 ? bytes * 3600 / seconds : 0) + L" per hour";
}

// The extension a browser and a web server know a picture by, from its first bytes; the name's
// own extension (letters and digits only) when the bytes are of no known kind.
std::wstring PictureExtension(const std::wstring& path)
{
    const std::vector<std::uint8_t> start = ReadFileStart(path, 12);
    const auto startsWith = [&](const char* magic, std::size_t at = 0) {
        const std::size_t length = std::strlen(magic);
        return start.size() >= at + length && std::memcmp(start.data() + at, magic, length) == 0;
    };
    if (startsWith("\xFF\xD8\xFF")) return L".jpg";
    if (startsWith("\x89PNG")) return L".png";
    if (startsWith("GIF8")) return L".gif";
    if (startsWith("BM")) return L".bmp";
    if (startsWith("RIFF") && startsWith("WEBP", 8)) return L".webp";
    std::wstring extension = FileNamePart(path);
    const std::size_t dot = extension.rfind(L'.');
    extension = dot == std::wstring::npos ? L"" : extension.substr(dot + 1);
    const bool plain = !extension.empty() && extension.size() <= 5 &&
                       std::all_of(extension.begin(), extension.end(), [](wchar_t c) { return iswalnum(c) && c < 0x80; });
    return plain ? L"." + extension : L"";
}

// The export's folder while it is written: beside DIR under a name of this process, removed with
// everything in it unless it has been moved into place.
class CStagingFolder {
public:
    explicit CStagingFolder(const std::wstring& target)
        : m_path(target + L".kavtool-" + std::to_wstring(GetCurrentProcessId()) + L"\\")
    {
        CleanUpFolder(m_path);
        const int error = SHCreateDirectoryExW(nullptr, m_path.c_str(), nullptr);
        if (error != ERROR_SUCCESS) FailWithFile(target, L"cannot be created", HRESULT_FROM_WIN32(error));
    }
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;
    ~CStagingFolder()
    {
        if (!m_path.empty()) CleanUpFolder(m_path);
    }

    const std::wstring& Path() const { return m_path; }

    // Renames the folder to `target`. An existing target is moved aside first and removed only
    // once the new folder is in its place; it is put back when that fails.
    void MoveTo(const std::wstring& target, const std::wstring& shownTarget)
    {
        const std::wstring aside = target + L".kavtool-old-" + std::to_wstring(GetCurrentProcessId());
        const bool replacing = IsExistingFolder(target);
        if (replacing && !MoveFileExW(target.c_str(), aside.c_str(), 0))
            FailWithFile(shownTarget, L"cannot be replaced", HResultFromLastError());
        const std::wstring staged = m_path.substr(0, m_path.size() - 1);
        if (!MoveFileExW(staged.c_str(), target.c_str(), 0)) {
            const HRESULT error = HResultFromLastError();
            if (replacing) MoveFileExW(aside.c_str(), target.c_str(), 0);
            FailWithFile(shownTarget, L"cannot be written", error);
        }
        m_path.clear();
        if (replacing) CleanUpFolder(aside + L"\\");
    }

private:
    std::wstring m_path;
};

// Opens the document's voice track for decoding. The player opens a document without decoding
// its voice, so a broken track is found here and told against the document, not the work folder.
void OpenVoice(CTmvReader& reader, CFileSource& source, const std::wstring& document)
{
    const VoiceResult result = source.IsOpen() ? reader.Open(source) : VoiceResult::ReadError;
    if (result != VoiceResult::Ok)
        FailWithFile(document, L"its voice track cannot be decoded: " + FromUtf8(DescribeVoiceResult(result)));
}

// Decodes the whole voice into `outPath` through `writer` (FLAC or WAVE), a chunk at a time,
// showing progress on standard error for a long voice.
template <class Writer>
void WriteVoice(CTmvReader& reader, const std::wstring& outPath, const std::wstring& shownName, Writer& writer)
{
    const TmvHeader& header = reader.Header();
    CFileSink sink{std::filesystem::path(outPath)};
    if (!sink.IsOpen()) FailWithFile(shownName, L"cannot be created");
    const auto fail = [&](VoiceResult result) {
        if (result != VoiceResult::Ok) FailWithFile(shownName, FromUtf8(DescribeVoiceResult(result)));
    };

    const bool showProgress = DurationSeconds(header) >= kProgressMinSeconds;
    int shownPercent = 0;
    fail(writer.Begin(sink, header.channels, header.sampleRate));
    std::vector<std::int16_t> frames(kChunkFrames * header.channels);
    for (std::uint64_t first = 0; first < header.frameCount;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkFrames, header.frameCount - first));
        fail(reader.ReadFrames(first, count, frames.data()));
        fail(writer.Write(frames.data(), count));
        first += count;
        const int percent = static_cast<int>(first * 100 / header.frameCount);
        if (showProgress && percent / kProgressStepPercent > shownPercent / kProgressStepPercent && percent < 100) {
            PrintError(L"kavtool: writing " + shownName + L": " + std::to_wstring(percent) + L"%");
            shownPercent = percent;
        }
    }
    fail(writer.Finish());
    if (!sink.Close()) fail(VoiceResult::WriteError);
}

std::wstring VoiceFileName(AudioForm form)
{
    return form == AudioForm::Flac ? L"voice.flac" : L"voice.wav";
}

void ExportVoice(CTmvReader& reader, const std::wstring& folder, AudioForm form)
{
    const std::wstring name = VoiceFileName(form);
    if (form == AudioForm::Flac) {
        CFlacWriter writer;
        WriteVoice(reader, folder + name, name, writer);
    } else {
        CWavWriter writer;
        WriteVoice(reader, folder + name, name, writer);
    }
}

// Copies each picture the periods show once, under a plain ASCII name that every file system
// and web server keeps as it is, and builds the timeline on them.
WebTimeline ExportPictures(const std::vector<PictureEntry>& entries, const std::wstring& folder, std::int64_t durationMs)
{
    WebTimeline timeline;
    timeline.durationMs = durationMs;
    std::map<std::wstring, std::wstring> exported;  // extracted path -> exported name
    for (std::size_t i = 0; i < entries.size(); ++i) {
        WebPeriod period;
        period.startMs = entries[i].time;
        period.endMs = std::max(period.startMs, i + 1 < entries.size() ? entries[i + 1].time : durationMs);
        const std::wstring& source = entries[i].path;
        if (!source.empty()) {
            auto found = exported.find(source);
            if (found == exported.end()) {
                wchar_t stem[32];
                std::swprintf(stem, 32, L"picture-%03u", static_cast<unsigned>(exported.size() + 1));
                const std::wstring name = stem + PictureExtension(source);
                if (!CopyFileW(source.c_str(), (folder + name).c_str(), TRUE))
                    FailWithFile(name, L"cannot be written", HResultFromLastError());
                found = exported.emplace(source, name).first;
            }
            period.picture = found->second;
        }
        timeline.periods.push_back(std::move(period));
    }
    return timeline;
}

void WriteTextFile(const std::wstring& path, const std::string& text)
{
    CFileSink sink{std::filesystem::path(path)};
    if (!sink.IsOpen() || !sink.Write(text.data(), text.size()) || !sink.Close())
        FailWithFile(FileNamePart(path), L"cannot be written");
}

void WritePage(const WebTimeline& timeline, const std::wstring& folder)
{
    const std::wstring json = TimelineJson(timeline);
    WriteTextFile(folder + L"timeline.json", ToUtf8(json) + "\n");
    for (const WebPageFile& file : kWebPageFiles) {
        const std::string_view bytes(reinterpret_cast<const char*>(file.bytes), file.size);
        const std::wstring name = FromUtf8(file.name);
        WriteTextFile(folder + name,
                      name == L"index.html" ? FillPageTemplate(bytes, timeline.title, json) : std::string(bytes));
    }
}

bool IsInsideFolder(const std::wstring& path, const std::wstring& folder)
{
    const std::wstring full = FullPathOf(path);
    const std::wstring prefix = folder + L"\\";
    return full.size() > prefix.size() &&
           CompareStringOrdinal(full.c_str(), static_cast<int>(prefix.size()), prefix.c_str(), static_cast<int>(prefix.size()),
                                TRUE) == CSTR_EQUAL;
}

// DIR as a full path without a trailing backslash, checked: not a file, not an existing folder
// unless it may be replaced, and not the folder that holds the document.
std::wstring CheckTarget(const std::wstring& dir, const std::wstring& document, bool force)
{
    std::wstring target = FullPathOf(dir);
    while (target.size() > 3 && (target.back() == L'\\' || target.back() == L'/')) target.pop_back();
    if (IsExistingFile(target)) FailWithFile(dir, L"exists and is not a folder");
    if (IsExistingFolder(target)) {
        if (!force) FailWithFile(dir, L"exists (--force replaces it)");
        if (IsInsideFolder(document, target)) FailWithFile(dir, L"holds the document, which replacing it would delete");
    }
    return target;
}

// What the export is made of, measured in its folder before it moves into place.
struct ExportSizes {
    std::uint64_t total = 0;
    std::size_t files = 0;
    std::uint64_t voice = 0;
    std::uint64_t pictures = 0;
    std::size_t pictureFiles = 0;
    std::uint64_t page = 0;
};

ExportSizes MeasureExport(const std::wstring& folder, const std::wstring& voiceName)
{
    ExportSizes sizes;
    WIN32_FIND_DATAW found;
    const UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &found)) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring name = found.cFileName;
        const std::uint64_t size = FileSize(folder + name);
        sizes.total += size;
        ++sizes.files;
        if (name == voiceName) {
            sizes.voice = size;
        } else if (name.rfind(L"picture-", 0) == 0) {
            sizes.pictures += size;
            ++sizes.pictureFiles;
        } else {
            sizes.page += size;
        }
    }
    return sizes;
}

// The folder's size and why it is that large: the voice grows from the document's codec to one
// that browsers play; the pictures are the document's own bytes.
void PrintSizes(const std::wstring& dir, const ExportSizes& sizes, const std::wstring& document, AudioForm form,
                const TmvHeader& voice)
{
    const double seconds = DurationSeconds(voice);
    const double pcmBytes = seconds * voice.sampleRate * voice.channels * 2;
    const auto voiceBytes = static_cast<double>(sizes.voice);
    wchar_t format[64];
    std::swprintf(format, 64, L"%u Hz %ls", static_cast<unsigned>(voice.sampleRate), voice.channels == 1 ? L"mono" : L"stereo");

    PrintOut(dir + L": " + FormatBytes(static_cast<double>(sizes.total)) + L" in " + std::to_wstring(sizes.files) +
             L" files; the document is " + FormatBytes(static_cast<double>(FileSize(document))));
    const std::wstring voiceLine = L"  " + VoiceFileName(form) + L"  " + FormatBytes(voiceBytes) + L": the voice as " + format;
    if (form == AudioForm::Flac) {
        wchar_t share[16];
        std::swprintf(share, 16, L"%.0f%%", pcmBytes > 0 ? 100 * voiceBytes / pcmBytes : 0.0);
        PrintOut(voiceLine + L" FLAC, lossless, " + PerHour(voiceBytes, seconds) + L" (" + share + L" of the " +
                 PerHour(pcmBytes, seconds) + L" of 16-bit PCM WAV)");
    } else {
        PrintOut(voiceLine + L" 16-bit PCM WAV, " + PerHour(pcmBytes, seconds) + L" (--audio flac is about half)");
    }
    PrintOut(L"    the document holds it as " + std::wstring(CodecName(voice.codec)) + L", " +
             PerHour(static_cast<double>(voice.FileSize()), seconds) + L", which browsers do not play");
    PrintOut(L"  " + std::to_wstring(sizes.pictureFiles) + (sizes.pictureFiles == 1 ? L" picture  " : L" pictures  ") +
             FormatBytes(static_cast<double>(sizes.pictures)) + L", as stored in the document");
    PrintOut(L"  page  " + FormatBytes(static_cast<double>(sizes.page)) + L": index.html, player.js, player.css, timeline.json");
}
}  // namespace

int RunExportWeb(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"export-web", args, {{L"--audio", true, false}, {L"--force", false, false}});
    if (line.PrintHelpIfAsked(kHelp)) return kExitOk;
    line.ExpectPositionals({L"FILE.kav", L"DIR"});
    const std::wstring& path = line.Positional(0);
    const std::wstring& dir = line.Positional(1);
    const AudioForm form = AudioOption(line);

    CPlayerDocument document(PrivateWorkFolder(path));
    const HRESULT loaded = document.Load(path);
    if (FAILED(loaded)) FailToOpen(path, loaded);
    const std::wstring target = CheckTarget(dir, path, line.Has(L"--force"));

    std::wstring voicePath;
    document.GetVoicePath(voicePath);
    CFileSource voiceSource{std::filesystem::path(voicePath)};
    CTmvReader voice;
    OpenVoice(voice, voiceSource, path);
    const TmvHeader& header = voice.Header();
    std::vector<PictureEntry> entries;
    document.GetPictureList(entries);

    CStagingFolder staging(target);
    const auto durationMs = static_cast<std::int64_t>(header.frameCount * 1000 / header.sampleRate);
    WebTimeline timeline = ExportPictures(entries, staging.Path(), durationMs);
    document.GetTitle(timeline.title);
    timeline.voice = VoiceFileName(form);
    ExportVoice(voice, staging.Path(), form);
    WritePage(timeline, staging.Path());

    const ExportSizes sizes = MeasureExport(staging.Path(), timeline.voice);
    staging.MoveTo(target, dir);
    PrintSizes(dir, sizes, path, form, header);
    return kExitOk;
}
