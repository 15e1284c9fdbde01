// Opening documents: CPlayerDocument::Load against CopyFileW of the same container, and the
// memory a load takes on top of what the process held before it.
#include "base/Handles.h"
#include "bench/BenchInputs.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"
#include "voice/ByteIo.h"
#include "voice/TmvReader.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr double kLoadTarget = 1.3;   // a load may take at most this many copies' time
constexpr double kHeapSlackBytes = 1 << 20;

// What a correct load left behind: every picture in the list and in the work folder with the
// size its entry gives, and a voice track that opens as a whole TMV file of the entry's size.
void CheckLoaded(const CPlayerDocument& document, std::uint32_t expectedPictures, std::uint64_t containerBytes)
{
    std::vector<PictureEntry> pictures;
    document.GetPictureList(pictures);
    Expect(pictures.size() == expectedPictures,
           Format("the load listed %zu pictures, the document has %u", pictures.size(), expectedPictures));
    const ContainerDirectory& directory = document.Directory();
    Expect(directory.pictures.size() == expectedPictures, "the directory lost pictures");
    std::uint64_t itemBytes = directory.index.size + directory.voice.size;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        Expect(FileBytes(pictures[i].path) == directory.pictures[i].size,
               "extracted picture " + Narrow(pictures[i].path) + " has the wrong size");
        itemBytes += directory.pictures[i].size;
    }
    Expect(itemBytes < containerBytes, "the items add up to more than the container");

    std::wstring voicePath;
    document.GetVoicePath(voicePath);
    Expect(FileBytes(voicePath) == directory.voice.size, "ZEL.TMV does not have the voice entry's size");
    CFileSource source(voicePath.c_str());
    CTmvReader reader;
    Expect(source.IsOpen() && reader.Open(source) == VoiceResult::Ok, "ZEL.TMV is not a whole voice track");
}

std::uint64_t LargestItem(const ContainerDirectory& directory)
{
    std::uint64_t largest = directory.index.size;
    for (const ContainerItem& picture : directory.pictures) largest = std::max<std::uint64_t>(largest, picture.size);
    return largest;
}

void RemoveFolder(const std::wstring& folder)
{
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) CleanUpFolder(folder);
}

// The least any extraction into separate files costs on this platform: each item read with one
// ReadFile and written with one WriteFile into a new file of a fresh folder, nothing checked.
void ExtractPlainly(const std::wstring& container, const ContainerDirectory& directory, const std::wstring& folder)
{
    Expect(CreateDirectoryW(folder.c_str(), nullptr) != FALSE, "cannot create " + Narrow(folder));
    UniqueFile in(CreateFileW(container.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    Expect(in.IsValid(), "cannot open the container");
    std::vector<ContainerItem> items = directory.pictures;
    items.push_back(directory.index);
    items.back().name = kIndexFileName;
    items.push_back(directory.voice);
    items.back().name = kVoiceFileName;
    std::vector<std::uint8_t> buffer;
    for (const ContainerItem& item : items) {
        UniqueFile out(CreateFileW((folder + item.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        Expect(out.IsValid(), "cannot create " + Narrow(item.name));
        for (std::uint32_t done = 0; done < item.size;) {
            const DWORD piece = std::min<std::uint32_t>(item.size - done, kCopyChunkSize);
            buffer.resize(piece);
            OVERLAPPED at{};
            at.Offset = item.offset + done;
            DWORD moved = 0;
            Expect(ReadFile(in.Get(), buffer.data(), piece, &moved, &at) && moved == piece, "a plain read failed");
            Expect(WriteFile(out.Get(), buffer.data(), piece, &moved, nullptr) && moved == piece, "a plain write failed");
            done += piece;
        }
    }
}
}  // namespace

void MakeDocumentCommand(const Arguments& arguments)
{
    const Arguments positionals = Positionals(arguments);
    Expect(positionals.size() >= 2, "make-document OUT.kav PICTURE... needs a picture");
    DocumentPlan plan;
    plan.path = Widen(positionals[0]);
    plan.firstPicture = Widen(OptionValue(arguments, "--first", ""));
    for (std::size_t i = 1; i < positionals.size(); ++i) plan.pictures.push_back(Widen(positionals[i]));
    plan.pictureCount = static_cast<std::uint32_t>(std::atoi(OptionValue(arguments, "--pictures", "500").c_str()));
    std::uint64_t pictureBytes = plan.firstPicture.empty() ? 0 : FileBytes(plan.firstPicture);
    for (std::uint32_t i = pictureBytes ? 1 : 0; i < plan.pictureCount; ++i)
        pictureBytes += FileBytes(plan.pictures[i % plan.pictures.size()]);
    const std::string seconds = OptionValue(arguments, "--seconds", "");
    if (!seconds.empty())
        plan.voiceFrames = std::strtoull(seconds.c_str(), nullptr, 10) * 16000;
    else
        plan.voiceFrames = VoiceFramesForSize(
            std::strtoull(OptionValue(arguments, "--megabytes", "10").c_str(), nullptr, 10) * 1000000, pictureBytes);

    const CStopwatch watch;
    const DocumentFacts facts = MakeDocument(plan);
    Note("made %s: %.1f MB, voice %.1f MB (%.0f s), %u pictures every %u ms, in %.1f s", positionals[0].c_str(),
         facts.containerBytes / 1e6, facts.voiceBytes / 1e6, plan.voiceFrames / 16000.0, facts.pictureCount,
         facts.periodMs, watch.Seconds());
}

void OpenBenchmark(const Arguments& arguments)
{
    const Arguments positionals = Positionals(arguments);
    Expect(positionals.size() == 2, "open CONTAINER LABEL");
    const std::wstring container = Widen(positionals[0]);
    const std::string label = positionals[1];
    const auto expectedPictures = static_cast<std::uint32_t>(std::atoi(OptionValue(arguments, "--pictures", "500").c_str()));
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));
    const std::uint64_t containerBytes = FileBytes(container);
    Expect(containerBytes > 0, "no container at " + positionals[0]);

    const std::wstring work = TempFolder() + L"kavbench-work\\";
    const std::wstring copy = TempFolder() + L"kavbench-copy.kav";
    RemoveFolder(work);
    DeleteFileW(copy.c_str());

    // The first load is the one whose memory counts: nothing else has run in this process yet.
    const PROCESS_MEMORY_COUNTERS_EX before = MemoryOf(GetCurrentProcess());
    std::uint64_t largestItem = 0;
    {
        CPlayerDocument document(work);
        const HRESULT loaded = document.Load(container);
        Expect(SUCCEEDED(loaded), Format("Load failed with 0x%08lX", static_cast<unsigned long>(loaded)));
        const PROCESS_MEMORY_COUNTERS_EX after = MemoryOf(GetCurrentProcess());
        CheckLoaded(document, expectedPictures, containerBytes);
        largestItem = LargestItem(document.Directory());

        const double workingSetGrowth = static_cast<double>(after.PeakWorkingSetSize) - before.WorkingSetSize;
        const double privateGrowth = static_cast<double>(after.PeakPagefileUsage) - before.PagefileUsage;
        const double allowed = kCopyChunkSize + static_cast<double>(largestItem) + kHeapSlackBytes;
        const double growth = std::max(workingSetGrowth, privateGrowth);
        PrintRow({"Open", label + " load: peak memory growth (working set / private)",
                  Mebibytes(workingSetGrowth) + " / " + Mebibytes(privateGrowth),
                  "buffer + largest item " + Mebibytes(kCopyChunkSize + static_cast<double>(largestItem)),
                  Format("%.2fx", growth / (kCopyChunkSize + static_cast<double>(largestItem))),
                  "<= buffer + largest item + 1 MiB", Verdict(growth <= allowed)});
    }

    // Copy, load and the plain extraction take turns on the same warm file, each into a place
    // that was emptied beforehand outside the timing, so none pays for another's clean-up.
    std::vector<double> copies, loads, plains, cleanUps, copyDeletes;
    ContainerDirectory directory;
    for (int run = 0; run < runs; ++run) {
        CStopwatch watch;
        Expect(CopyFileW(container.c_str(), copy.c_str(), FALSE) != FALSE, "CopyFileW failed");
        copies.push_back(watch.Seconds());
        Expect(FileBytes(copy) == containerBytes, "the copy has the wrong size");
        watch.Restart();
        DeleteFileW(copy.c_str());
        copyDeletes.push_back(watch.Seconds());

        {
            CPlayerDocument document(work);
            watch.Restart();
            Expect(SUCCEEDED(document.Load(container)), "a repeated load failed");
            loads.push_back(watch.Seconds());
            std::vector<PictureEntry> pictures;
            document.GetPictureList(pictures);
            Expect(pictures.size() == expectedPictures, "a repeated load listed the wrong pictures");
            directory = document.Directory();
            // The document's destructor empties and removes the work folder.
            watch.Restart();
        }
        cleanUps.push_back(watch.Seconds());

        watch.Restart();
        ExtractPlainly(container, directory, work);
        plains.push_back(watch.Seconds());
        RemoveFolder(work);
    }

    const double load = Median(loads);
    const double reference = Median(copies);
    PrintRow({"Open", Format("%s load (%.0f MB, %u pictures), median of %d", label.c_str(), containerBytes / 1e6,
                             expectedPictures, runs),
              Milliseconds(load), "CopyFileW " + Milliseconds(reference), Format("%.2fx", load / reference),
              Format("<= %.1fx", kLoadTarget), Verdict(load <= kLoadTarget * reference)});
    const double plain = Median(plains);
    PrintRow({"Open", label + " load against the plain extraction of the same items into their own files",
              Milliseconds(load), "plain ReadFile/WriteFile " + Milliseconds(plain), Format("%.2fx", load / plain),
              "-", "info"});
    PrintRow({"Open", Format("%s work folder clean-up (%u pictures), median of %d", label.c_str(), expectedPictures, runs),
              Milliseconds(Median(cleanUps)), "deleting the copy " + Milliseconds(Median(copyDeletes)),
              Format("%.0fx", Median(cleanUps) / Median(copyDeletes)), "-", "info"});
    Note("%s: loads%s ms, copies%s ms, plain%s ms, clean-ups%s ms", label.c_str(), ListMilliseconds(loads).c_str(),
         ListMilliseconds(copies).c_str(), ListMilliseconds(plains).c_str(), ListMilliseconds(cleanUps).c_str());
}
