// kavtool.exe as its users run it: documents made with create, read back with inspect exactly
// as the player reads them, taken apart with extract; voice tracks converted with encode and
// decode; and the one-line refusals of bad command lines and bad files. The real program runs
// as a child process wherever its output, exit status or paths matter. The many refusals,
// which print nothing before the program's last step, run the same commands in this process:
// every start of a program under Wine costs about a third of a second.
#include "base/ByteOrder.h"
#include "base/Handles.h"
#include "document/ContainerWriter.h"
#include "document/PictureIndex.h"
#include "document/WorkFolder.h"
#include "kavtool/CommandLine.h"
#include "kavtool/Console.h"
#include "kavtool/Tool.h"
#include "tests/kavtool/JsonReader.h"
#include "tests/kavtool/KavToolProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestSignals.h"
#include "voice/TmvReader.h"
#include "voice/WavFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {
constexpr std::uint32_t kRate = 8000;
constexpr std::size_t kEntryOffset = 32;
constexpr std::size_t kEntrySize = 528;
constexpr std::size_t kNameFieldBytes = 512;

std::vector<std::int16_t> WaveSamples(const Bytes& wave, std::uint32_t& rate)
{
    CMemorySource source(wave);
    CWavReader reader;
    if (reader.Open(source) != VoiceResult::Ok) return {};
    std::vector<std::int16_t> samples(static_cast<std::size_t>(reader.FrameCount()) * reader.Channels());
    std::size_t read = 0;
    reader.Read(samples.data(), static_cast<std::size_t>(reader.FrameCount()), read);
    rate = reader.SampleRate();
    return samples;
}

std::vector<std::int16_t> TrackSamples(const Bytes& track)
{
    CMemorySource source(track);
    CTmvReader reader;
    if (reader.Open(source) != VoiceResult::Ok) return {};
    std::vector<std::int16_t> samples(static_cast<std::size_t>(reader.Header().frameCount) * reader.Header().channels);
    reader.ReadFrames(0, static_cast<std::size_t>(reader.Header().frameCount), samples.data());
    return samples;
}

Bytes ItemBytes(const Bytes& container, const JsonValue& item)
{
    const auto offset = static_cast<std::size_t>(item[L"offset"].Number());
    const auto size = static_cast<std::size_t>(item[L"size"].Number());
    if (offset > container.size() || size > container.size() - offset) return {};
    return Bytes(container.begin() + offset, container.begin() + offset + size);
}

// Overwrites the name field of directory entry `entry` with `name` and its NUL.
void PatchEntryName(Bytes& container, std::size_t entry, const std::wstring& name)
{
    std::uint8_t* field = container.data() + kEntryOffset + kEntrySize * entry;
    std::memset(field, 0, kNameFieldBytes);
    for (std::size_t i = 0; i < name.size(); ++i) StoreLe16(field + 2 * i, name[i]);
}

// A refusal by the real program: the status, nothing on standard output, one line on standard
// error that says what is wrong.
void ExpectRefusal(const ToolRun& run, DWORD status, const std::wstring& mentions)
{
    EXPECT_EQ(run.exitCode, status) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.err.empty() ? L'\0' : run.err.back(), L'\n');
    EXPECT_NE(run.err.find(mentions), std::wstring::npos) << run.err;
}

// The same commands run in this process: a refusal arrives as the exception whose message the
// program prints as its one line.
void ExpectRefused(const std::vector<std::wstring>& args, ExitStatus status, const std::wstring& mentions)
{
    std::optional<CommandError> refusal;
    try {
        RunTool(args);
    } catch (const CommandError& error) {
        refusal = error;
    }
    ASSERT_TRUE(refusal.has_value()) << "accepted: " << (args.empty() ? std::wstring() : args.back());
    EXPECT_EQ(refusal->Status(), status) << refusal->Message();
    EXPECT_EQ(refusal->Message().find(L'\n'), std::wstring::npos) << refusal->Message();
    EXPECT_NE(refusal->Message().find(mentions), std::wstring::npos) << refusal->Message();
}

class KavTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = GetTempFolder() + L"kavtool-tests-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CleanUpFolder(m_folder);
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
    }
    void TearDown() override { CleanUpFolder(m_folder); }

    std::wstring Path(const std::wstring& name) const { return m_folder + name; }

    // Half a second of tones as an ADPCM track, written as `name`; returns its bytes.
    Bytes MakeTrack(const std::wstring& name)
    {
        const Bytes track = EncodeTrack(MakeTones(kRate / 2, 1, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
        WriteFileBytes(Path(name), track);
        return track;
    }

    // A document written by the container library itself, for the tests of reading: the voice
    // track voice.tmv and each picture at 1000 ms times its place.
    std::wstring MakeDocument(const std::wstring& name, const std::vector<std::pair<std::wstring, Bytes>>& pictures)
    {
        MakeTrack(L"voice.tmv");
        ContainerContent content;
        content.voiceName = L"voice.tmv";
        content.voicePath = Path(L"voice.tmv");
        std::vector<IndexRecord> records;
        for (const auto& [pictureName, bytes] : pictures) {
            WriteFileBytes(Path(pictureName), bytes);
            content.pictures.push_back({pictureName, Path(pictureName)});
            records.push_back({false, true, pictureName, static_cast<std::uint32_t>(1000 * records.size())});
        }
        if (records.empty()) records.push_back({true, false, L"", 0});
        EXPECT_EQ(BuildPictureIndex(records, content.index), S_OK);
        EXPECT_EQ(WriteContainer(Path(name), content), S_OK);
        return Path(name);
    }

    JsonValue Inspect(const std::wstring& document, DWORD expectedStatus)
    {
        const ToolRun run = RunKavTool({L"inspect", document, L"--json"});
        EXPECT_EQ(run.exitCode, expectedStatus) << run.err;
        EXPECT_EQ(Lines(run.out).size(), 1u) << "one JSON object on one line";
        const JsonValue report = JsonValue::Parse(run.out);
        EXPECT_EQ(report.GetKind(), JsonValue::Kind::Object) << run.out;
        return report;
    }

    std::wstring m_folder;
};
}  // namespace

TEST_F(KavTool, InspectShowsACreatedDocumentAsThePlayerReadsIt)
{
    WriteFileBytes(Path(L"Přednáška.wav"), MakeWav(MakeTones(kRate, 1, kRate), 1, kRate));
    const Bytes a = Pattern(300, 'a'), b = Pattern(200, 'b'), c = Pattern(100, 'c');
    WriteFileBytes(Path(L"a.jpg"), a);
    WriteFileBytes(Path(L"b.png"), b);
    WriteFileBytes(Path(L"c.gif"), c);
    const std::wstring document = Path(L"talk.kav");
    const ToolRun created = RunKavTool({L"create", document, L"--voice", Path(L"Přednáška.wav"),
                                        L"--picture", L"4000=" + Path(L"b.png"), L"--no-picture", L"2000",
                                        L"--reference", L"2147483647", L"--picture", L"0=" + Path(L"a.jpg"),
                                        L"--picture=2000=" + Path(L"c.gif"), L"--reference", L"1000"});
    ASSERT_EQ(created.exitCode, 0u) << created.err;
    EXPECT_TRUE(created.err.empty()) << created.err;
    EXPECT_EQ(Lines(created.out).size(), 1u) << created.out;

    const JsonValue report = Inspect(document, 0);
    EXPECT_EQ(report[L"result"].String(), L"0x00000000");
    EXPECT_EQ(report[L"title"].String(), L"Přednáška") << "the voice file's stem, through UTF-16 paths and UTF-8 output";
    EXPECT_EQ(report[L"voice"][L"name"].String(), L"Přednáška.tmv");

    // Periods in order of time; of the two at 2000 ms the command line's order is kept.
    const JsonValue& periods = report[L"periods"];
    ASSERT_EQ(periods.Size(), 4u) << "references take no period";
    const std::pair<double, const wchar_t*> expected[] = {{0, L"a.jpg"}, {2000, nullptr}, {2000, L"c.gif"}, {4000, L"b.png"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(periods.At(i)[L"start_ms"].Number(), expected[i].first) << i;
        if (expected[i].second) {
            EXPECT_EQ(periods.At(i)[L"picture"].String(), expected[i].second) << i;
        } else {
            EXPECT_TRUE(periods.At(i)[L"picture"].IsNull()) << i;
        }
    }
    ASSERT_EQ(report[L"references"].Size(), 2u);
    EXPECT_EQ(report[L"references"].At(0).Number(), 1000);
    EXPECT_EQ(report[L"references"].At(1).Number(), 2147483647.0) << "the largest time the player reads";

    // The directory's offsets and sizes lead to the very bytes that went in.
    const Bytes container = ReadFileBytes(document);
    const JsonValue& pictures = report[L"pictures"];
    ASSERT_EQ(pictures.Size(), 3u);
    EXPECT_EQ(pictures.At(0)[L"name"].String(), L"a.jpg");
    EXPECT_EQ(ItemBytes(container, pictures.At(0)), a);
    EXPECT_EQ(pictures.At(1)[L"name"].String(), L"c.gif");
    EXPECT_EQ(ItemBytes(container, pictures.At(1)), c);
    EXPECT_EQ(pictures.At(2)[L"name"].String(), L"b.png");
    EXPECT_EQ(ItemBytes(container, pictures.At(2)), b);
    EXPECT_EQ(TrackSamples(ItemBytes(container, report[L"voice"])).size(), kRate) << "the WAVE file was encoded on the way in";

    const ToolRun text = RunKavTool({L"inspect", document});
    EXPECT_EQ(text.exitCode, 0u);
    const std::vector<std::wstring> lines = Lines(text.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], L"result      0x00000000");
    EXPECT_NE(text.out.find(L"period      2000 ms: (no picture)\n"), std::wstring::npos) << text.out;
    EXPECT_NE(text.out.find(L"reference   1000 ms\n"), std::wstring::npos) << text.out;
}

TEST_F(KavTool, InspectReportsThePlayersFailureCodesAndLeavesNoWorkFolder)
{
    const Bytes good = ReadFileBytes(MakeDocument(L"good.kav", {{L"a.jpg", Pattern(50, 'a')}}));

    // A file in the player's own work folder must survive: inspect works in a folder of its own.
    const std::wstring playerFolder = GetWorkFolderPath();
    const bool hadPlayerFolder = PathExists(playerFolder);
    if (!hadPlayerFolder) CreateDirectoryW(playerFolder.c_str(), nullptr);
    const std::wstring marker = playerFolder + L"kavtool-marker.txt";
    WriteFileBytes(marker, {'x'});

    const JsonValue missing = Inspect(Path(L"missing.kav"), 1);
    EXPECT_EQ(missing[L"result"].String(), L"0x80070057");
    EXPECT_TRUE(missing[L"title"].IsNull());
    EXPECT_TRUE(missing[L"voice"].IsNull());
    EXPECT_EQ(missing[L"pictures"].GetKind(), JsonValue::Kind::Array);
    EXPECT_EQ(missing[L"pictures"].Size(), 0u);
    EXPECT_EQ(missing[L"periods"].GetKind(), JsonValue::Kind::Array);
    EXPECT_EQ(missing[L"periods"].Size(), 0u);

    const std::wstring broken = Path(L"broken.kav");
    WriteFileBytes(broken, Bytes(good.begin(), good.begin() + kEntryOffset + kEntrySize + 100));
    EXPECT_EQ(Inspect(broken, 1)[L"result"].String(), L"0x80004005") << "cut off inside the directory";
    const ToolRun text = RunKavTool({L"inspect", broken});
    EXPECT_EQ(text.exitCode, 1u);
    EXPECT_EQ(text.out, L"result      0x80004005\n");
    EXPECT_EQ(Lines(text.err).size(), 1u);
    EXPECT_NE(text.err.find(broken), std::wstring::npos) << text.err;

    EXPECT_TRUE(PathExists(marker)) << "the player's work folder was touched";
    DeleteFileW(marker.c_str());
    if (!hadPlayerFolder) RemoveDirectoryW(playerFolder.c_str());
    WIN32_FIND_DATAW found;
    const UniqueFind leftover(FindFirstFileW((GetTempFolder() + L"kavtool-?*").c_str(), &found));
    if (leftover) {
        do {
            EXPECT_EQ(std::wstring(found.cFileName).rfind(L"kavtool-tests-", 0), 0u) << "left behind: " << found.cFileName;
        } while (FindNextFileW(leftover.Get(), &found));
    }
}

TEST_F(KavTool, InspectEscapesEveryNameInItsJson)
{
    const std::wstring document = MakeDocument(L"names.kav", {});
    // The reader takes any voice entry name; only the pictures' names become files.
    Bytes container = ReadFileBytes(document);
    const std::wstring title = L"Tab\there \"q\" \\ \x00E9\xD800 \x0001";
    PatchEntryName(container, 1, title + L".tmv");
    WriteFileBytes(document, container);

    const JsonValue report = Inspect(document, 0);
    EXPECT_EQ(report[L"title"].String(), title);
    EXPECT_EQ(report[L"voice"][L"name"].String(), title + L".tmv");
}

TEST_F(KavTool, ExtractCopiesEveryItemByteForByteAndDeletesNothing)
{
    const Bytes a = Pattern(400, 'a'), b = Pattern(1, 'b');
    const std::wstring document = MakeDocument(L"doc.kav", {{L"a.jpg", a}, {L"B.PNG", b}});
    const Bytes index = ReadFileBytes(document);

    const std::wstring dir = Path(L"out\\deeper");
    const ToolRun extracted = RunKavTool({L"extract", document, dir});
    ASSERT_EQ(extracted.exitCode, 0u) << extracted.err;
    EXPECT_EQ(Lines(extracted.out).size(), 4u) << extracted.out;
    EXPECT_EQ(ReadFileBytes(dir + L"\\ZEL.TMV"), ReadFileBytes(Path(L"voice.tmv")));
    EXPECT_EQ(ReadFileBytes(dir + L"\\a.jpg"), a);
    EXPECT_EQ(ReadFileBytes(dir + L"\\B.PNG"), b);
    CPictureIndex pictureIndex;
    EXPECT_EQ(pictureIndex.LoadIndex(dir + L"\\ZEL.PIN"), S_OK);
    std::vector<IndexRecord> records;
    pictureIndex.GetRecords(records);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].name, L"B.PNG");
    EXPECT_EQ(records[1].time, 1000u);

    // A folder with something in it is refused, and with --force written into, never emptied.
    WriteFileBytes(dir + L"\\notes.txt", {'n'});
    WriteFileBytes(dir + L"\\a.jpg", {'o', 'l', 'd'});
    ExpectRefusal(RunKavTool({L"extract", document, dir}), 1, dir);
    EXPECT_EQ(ReadFileBytes(dir + L"\\a.jpg"), Bytes({'o', 'l', 'd'}));
    const ToolRun forced = RunKavTool({L"extract", document, dir, L"--force"});
    EXPECT_EQ(forced.exitCode, 0u) << forced.err;
    EXPECT_EQ(ReadFileBytes(dir + L"\\a.jpg"), a);
    EXPECT_TRUE(PathExists(dir + L"\\notes.txt"));

    ExpectRefused({L"extract", Path(L"missing.kav"), Path(L"elsewhere")}, kExitFailure, L"0x80070057");
    EXPECT_FALSE(PathExists(Path(L"elsewhere")));
    ExpectRefused({L"extract", document, Path(L"a.jpg")}, kExitFailure, L"not a folder");
}

TEST_F(KavTool, ExtractRefusesAPictureNameThatLeavesTheFolder)
{
    const std::wstring document = MakeDocument(L"hostile.kav", {{L"EVIL.JPG", Pattern(20, 'e')}});
    Bytes container = ReadFileBytes(document);
    PatchEntryName(container, 2, L"..\\EVIL.JPG");
    WriteFileBytes(document, container);
    DeleteFileW(Path(L"EVIL.JPG").c_str());

    ExpectRefusal(RunKavTool({L"extract", document, Path(L"out")}), 1, L"0x80004005");
    EXPECT_FALSE(PathExists(Path(L"EVIL.JPG"))) << "written outside the folder";
    EXPECT_FALSE(PathExists(Path(L"out"))) << "the folder is made only for a document the reader accepts";
}

TEST_F(KavTool, EncodeAndDecodeRoundTripAWaveFile)
{
    const std::vector<std::int16_t> source = MakeTones(kRate * 3 / 2, 1, kRate);
    WriteFileBytes(Path(L"in.wav"), MakeWav(source, 1, kRate));
    const ToolRun encoded = RunKavTool({L"encode", Path(L"in.wav"), Path(L"voice.tmv")});
    ASSERT_EQ(encoded.exitCode, 0u) << encoded.err;
    EXPECT_NE(encoded.out.find(L"1.500 s, 8000 Hz mono, IMA ADPCM"), std::wstring::npos) << encoded.out;
    EXPECT_NE(encoded.out.find(L"x real time"), std::wstring::npos) << encoded.out;
    const ToolRun decoded = RunKavTool({L"decode", Path(L"voice.tmv"), Path(L"out.wav")});
    ASSERT_EQ(decoded.exitCode, 0u) << decoded.err;
    EXPECT_NE(decoded.out.find(L"1.500 s, 8000 Hz mono"), std::wstring::npos) << decoded.out;

    std::uint32_t rate = 0;
    const std::vector<std::int16_t> back = WaveSamples(ReadFileBytes(Path(L"out.wav")), rate);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(back.size(), source.size());
    EXPECT_GT(SnrDb(source, back), 20.0);

    // Stereo through 16-bit PCM comes back exactly.
    const std::vector<std::int16_t> stereo = MakeTones(kRate / 2, 2, kRate);
    WriteFileBytes(Path(L"stereo.wav"), MakeWav(stereo, 2, kRate));
    ASSERT_EQ(RunKavTool({L"encode", Path(L"stereo.wav"), Path(L"stereo.tmv"), L"--codec", L"pcm"}).exitCode, 0u);
    ASSERT_EQ(RunKavTool({L"decode", Path(L"stereo.tmv"), Path(L"stereo-back.wav")}).exitCode, 0u);
    EXPECT_EQ(WaveSamples(ReadFileBytes(Path(L"stereo-back.wav")), rate), stereo);
}

TEST_F(KavTool, DecodeWritesTheVoiceAtAListeningSpeedWithItsPitchKept)
{
    const std::vector<std::int16_t> tone = MakeSine(kRate * 3, 2, kRate, 440);
    WriteFileBytes(Path(L"tone.wav"), MakeWav(tone, 2, kRate));
    ASSERT_EQ(RunKavTool({L"encode", Path(L"tone.wav"), Path(L"tone.tmv"), L"--codec", L"pcm"}).exitCode, 0u);
    const ToolRun decoded = RunKavTool({L"decode", Path(L"tone.tmv"), Path(L"fast.wav"), L"--speed", L"1.5"});
    ASSERT_EQ(decoded.exitCode, 0u) << decoded.err;
    EXPECT_NE(decoded.out.find(L"played at 1.5x: 2.000 s"), std::wstring::npos) << decoded.out;

    std::uint32_t rate = 0;
    const std::vector<std::int16_t> fast = WaveSamples(ReadFileBytes(Path(L"fast.wav")), rate);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(fast.size(), tone.size() * 2 / 3);
    EXPECT_NEAR(ToneFrequency(fast, 2, 0, kRate, 0, fast.size() / 2), 440, 4.4);
    EXPECT_NEAR(ToneFrequency(fast, 2, 1, kRate, 0, fast.size() / 2), 440, 4.4);

    const ToolRun help = RunKavTool({L"decode", L"--help"});
    EXPECT_NE(help.out.find(L"--speed"), std::wstring::npos) << help.out;
    for (const wchar_t* speed : {L"3", L"0.6", L"fast", L"", L"1.5x"})
        ExpectRefused({L"decode", Path(L"tone.tmv"), Path(L"other.wav"), L"--speed", speed}, kExitUsage,
                      L"--speed is one of 0.5, 0.75, 1, 1.25, 1.5, 1.75 and 2");
    EXPECT_FALSE(PathExists(Path(L"other.wav")));
}

TEST_F(KavTool, CreateTellsAVoiceFileByItsContent)
{
    const std::vector<std::int16_t> samples = MakeTones(kRate / 2, 1, kRate);
    WriteFileBytes(Path(L"recording.dat"), MakeWav(samples, 1, kRate));
    const std::wstring document = Path(L"doc.kav");
    const ToolRun created = RunKavTool({L"create", document, L"--voice", Path(L"recording.dat"), L"--codec", L"pcm",
                                        L"--title", L"Week 1. Intro"});
    ASSERT_EQ(created.exitCode, 0u) << created.err;
    const JsonValue report = Inspect(document, 0);
    EXPECT_EQ(report[L"title"].String(), L"Week 1. Intro") << "a title with a dot keeps it";
    EXPECT_EQ(report[L"references"].Size(), 1u) << "a document without times gets one reference";
    EXPECT_EQ(TrackSamples(ItemBytes(ReadFileBytes(document), report[L"voice"])), samples)
        << "a RIFF WAVE file under any name is encoded, here as PCM";

    // A TMV track goes in as it is; anything else is refused, and the earlier document stays.
    const Bytes earlier = ReadFileBytes(document);
    WriteFileBytes(Path(L"fake.wav"), Pattern(100, 'w'));
    ExpectRefused({L"create", document, L"--voice", Path(L"fake.wav")}, kExitFailure, Path(L"fake.wav") + L": not a RIFF WAVE");
    WriteFileBytes(Path(L"fake.tmv"), Pattern(100, 't'));
    ExpectRefused({L"create", document, L"--voice", Path(L"fake.tmv")}, kExitFailure, Path(L"fake.tmv") + L": not a TMV");
    Bytes cut = MakeTrack(L"cut.tmv");
    cut.resize(cut.size() - 1);
    WriteFileBytes(Path(L"cut.tmv"), cut);
    ExpectRefused({L"create", document, L"--voice", Path(L"cut.tmv")}, kExitFailure, L"shorter");
    WriteFileBytes(Path(L"broken.wav"), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    ExpectRefused({L"create", document, L"--voice", Path(L"broken.wav")}, kExitFailure, Path(L"broken.wav"));
    EXPECT_EQ(ReadFileBytes(document), earlier);
}

TEST_F(KavTool, CreateGivesEveryPictureANameThePlayerCanFind)
{
    MakeTrack(L"voice.tmv");
    CreateDirectoryW(Path(L"one").c_str(), nullptr);
    CreateDirectoryW(Path(L"two").c_str(), nullptr);
    const std::pair<const wchar_t*, Bytes> files[] = {
        {L"a-rather-long-name.jpg", Pattern(10, 'l')}, {L"one\\same.png", Pattern(11, '1')},
        {L"two\\SAME.png", Pattern(12, '2')},          {L"ZEL.TMV", Pattern(13, 'z')},
        {L"photo.jpeg", Pattern(14, 'p')},            {L"ok.gif", Pattern(15, 'o')},
        {L"P0001.jpg", Pattern(16, 'q')},
    };
    std::vector<std::wstring> args{L"create", Path(L"doc.kav"), L"--voice", Path(L"voice.tmv"), L"--verbose"};
    std::uint32_t time = 0;
    for (const auto& file : files) {
        WriteFileBytes(Path(file.first), file.second);
        args.push_back(L"--picture");
        args.push_back(std::to_wstring(time += 1000) + L"=" + Path(file.first));
    }
    args.push_back(L"--picture");
    args.push_back(L"99000=" + Path(L"ok.gif"));
    const ToolRun created = RunKavTool(args);
    ASSERT_EQ(created.exitCode, 0u) << created.err;
    EXPECT_NE(created.out.find(L"a-rather-long-name.jpg stored as P0002.jpg"), std::wstring::npos)
        << "--verbose tells the derived names: " << created.out;

    // Names that can stay are kept (P0001.jpg included); the others get names of their own,
    // never the work folder's ZEL.TMV, and a file shown twice is stored once.
    const JsonValue report = Inspect(Path(L"doc.kav"), 0);
    const wchar_t* const names[] = {L"P0002.jpg", L"same.png", L"P0003.png", L"P0004.TMV",
                                    L"P0005.jpe", L"ok.gif",   L"P0001.jpg"};
    const JsonValue& pictures = report[L"pictures"];
    ASSERT_EQ(pictures.Size(), 7u);
    const Bytes container = ReadFileBytes(Path(L"doc.kav"));
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(pictures.At(i)[L"name"].String(), names[i]) << i;
        EXPECT_EQ(ItemBytes(container, pictures.At(i)), files[i].second) << names[i];
    }
    const JsonValue& periods = report[L"periods"];
    ASSERT_EQ(periods.Size(), 8u);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(periods.At(i)[L"picture"].String(), names[i]) << i;
    EXPECT_EQ(periods.At(7)[L"picture"].String(), L"ok.gif");
}

TEST_F(KavTool, ExportWebWritesInspectsPeriodsWithTheDocumentsOwnPictures)
{
    WriteFileBytes(Path(L"talk.wav"), MakeWav(MakeTones(kRate * 3 / 2, 1, kRate), 1, kRate));
    const Bytes a = Pattern(300, 'a'), b = Pattern(200, 'b');
    WriteFileBytes(Path(L"a.jpg"), a);
    WriteFileBytes(Path(L"b.png"), b);
    const std::wstring document = Path(L"talk.kav");
    ASSERT_EQ(RunKavTool({L"create", document, L"--voice", Path(L"talk.wav"), L"--picture", L"0=" + Path(L"a.jpg"),
                          L"--no-picture", L"400", L"--picture", L"400=" + Path(L"b.png"), L"--picture",
                          L"900=" + Path(L"a.jpg"), L"--reference", L"100"})
                  .exitCode,
              0u);
    const std::wstring dir = Path(L"web");
    const ToolRun exported = RunKavTool({L"export-web", document, dir});
    ASSERT_EQ(exported.exitCode, 0u) << exported.err;
    EXPECT_TRUE(exported.err.empty()) << exported.err;
    EXPECT_NE(exported.out.find(L"voice.flac"), std::wstring::npos) << exported.out;
    EXPECT_NE(exported.out.find(L"per hour"), std::wstring::npos) << "the size is explained: " << exported.out;

    const Bytes json = ReadFileBytes(dir + L"\\timeline.json");
    const JsonValue timeline = JsonValue::Parse(FromUtf8(std::string(json.begin(), json.end())));
    const JsonValue report = Inspect(document, 0);
    EXPECT_EQ(timeline[L"title"].String(), report[L"title"].String());
    EXPECT_EQ(timeline[L"duration_ms"].Number(), 1500);
    EXPECT_EQ(timeline[L"voice"].String(), L"voice.flac");
    const Bytes voice = ReadFileBytes(dir + L"\\voice.flac");
    EXPECT_EQ(std::string(voice.begin(), voice.begin() + std::min<std::size_t>(4, voice.size())), "fLaC");

    // Each period as inspect reads it, ending where the next one starts; each picture the
    // document's own bytes, exported once however often it is shown.
    const JsonValue& periods = timeline[L"periods"];
    const JsonValue& expected = report[L"periods"];
    ASSERT_EQ(periods.Size(), expected.Size());
    const Bytes container = ReadFileBytes(document);
    for (std::size_t i = 0; i < periods.Size(); ++i) {
        const JsonValue& period = periods.At(i);
        EXPECT_EQ(period[L"start_ms"].Number(), expected.At(i)[L"start_ms"].Number()) << i;
        const double end = i + 1 < periods.Size() ? expected.At(i + 1)[L"start_ms"].Number() : 1500;
        EXPECT_EQ(period[L"end_ms"].Number(), end) << i;
        ASSERT_EQ(period[L"picture"].IsNull(), expected.At(i)[L"picture"].IsNull()) << i;
        if (period[L"picture"].IsNull()) continue;
        const std::wstring name = expected.At(i)[L"picture"].String();
        EXPECT_EQ(ReadFileBytes(dir + L"\\" + period[L"picture"].String()), name == L"a.jpg" ? a : b) << i;
    }
    EXPECT_EQ(periods.At(0)[L"picture"].String(), periods.At(3)[L"picture"].String());
    const std::wstring page[] = {L"index.html", L"player.js", L"player.css"};
    for (const std::wstring& name : page) EXPECT_TRUE(PathExists(dir + L"\\" + name)) << name;
}

TEST_F(KavTool, ExportWebReplacesAFolderOnlyWhenToldAndNeverLeavesHalfOfOne)
{
    const std::wstring document = MakeDocument(L"doc.kav", {{L"a.jpg", Pattern(50, 'a')}});
    const std::wstring dir = Path(L"web");
    CreateDirectoryW(dir.c_str(), nullptr);
    WriteFileBytes(dir + L"\\mine.txt", {'m'});
    ExpectRefused({L"export-web", document, dir}, kExitFailure, L"--force");
    EXPECT_TRUE(PathExists(dir + L"\\mine.txt"));
    ExpectRefused({L"export-web", document, Path(L"doc.kav")}, kExitFailure, L"not a folder");

    // A document that does not open is told in inspect's own words, and nothing is written.
    const Bytes good = ReadFileBytes(document);
    const std::wstring broken = Path(L"broken.kav");
    WriteFileBytes(broken, Bytes(good.begin(), good.begin() + kEntryOffset + kEntrySize + 100));
    for (const std::wstring& bad : {broken, Path(L"missing.kav")}) {
        const ToolRun inspected = RunKavTool({L"inspect", bad});
        const ToolRun exported = RunKavTool({L"export-web", bad, Path(L"never")});
        ExpectRefusal(exported, 1, bad);
        EXPECT_EQ(exported.err, inspected.err);
    }

    // The player opens a document without decoding its voice; the export decodes all of it.
    WriteFileBytes(Path(L"noise.tmv"), Pattern(500, 'n'));
    ContainerContent content;
    content.voiceName = L"noise.tmv";
    content.voicePath = Path(L"noise.tmv");
    ASSERT_EQ(BuildPictureIndex({{true, false, L"", 0}}, content.index), S_OK);
    ASSERT_EQ(WriteContainer(Path(L"noise.kav"), content), S_OK);
    ExpectRefused({L"export-web", Path(L"noise.kav"), Path(L"never")}, kExitFailure, Path(L"noise.kav") + L": its voice track");

    const ToolRun forced = RunKavTool({L"export-web", document, dir, L"--force", L"--audio", L"wav"});
    ASSERT_EQ(forced.exitCode, 0u) << forced.err;
    EXPECT_FALSE(PathExists(dir + L"\\mine.txt")) << "replaced, not written into";
    EXPECT_TRUE(PathExists(dir + L"\\voice.wav"));
    // A folder that holds the document is never replaced: that would delete the document.
    const std::wstring inner = dir + L"\\doc.kav";
    ASSERT_TRUE(CopyFileW(document.c_str(), inner.c_str(), TRUE));
    ExpectRefused({L"export-web", inner, dir, L"--force"}, kExitFailure, L"holds the document");
    EXPECT_TRUE(PathExists(inner));

    WIN32_FIND_DATAW found;
    const UniqueFind leftover(FindFirstFileW(Path(L"*.kavtool-*").c_str(), &found));
    EXPECT_FALSE(leftover.IsValid()) << "left behind: " << found.cFileName;
    EXPECT_FALSE(PathExists(Path(L"never")));
}

TEST_F(KavTool, BadCommandLinesAreRefusedInOneLineWithStatusTwo)
{
    MakeTrack(L"voice.tmv");
    const std::wstring voice = Path(L"voice.tmv");
    const std::wstring out = Path(L"out.kav");
    ExpectRefusal(RunKavTool({}), 2, L"no command");
    ExpectRefusal(RunKavTool({L"create", out, L"--voice", voice, L"--no-picture", L"-5"}), 2, L"milliseconds");

    ExpectRefused({L"frob"}, kExitUsage, L"frob");
    ExpectRefused({L"create", out}, kExitUsage, L"--voice");
    ExpectRefused({L"create", L"--voice", voice}, kExitUsage, L"OUT.kav");
    ExpectRefused({L"create", out, L"--voice", voice, L"--bogus"}, kExitUsage, L"--bogus");
    ExpectRefused({L"create", out, L"--voice", voice, L"--title", L"a", L"--title", L"b"}, kExitUsage, L"--title");
    ExpectRefused({L"create", out, L"--voice", voice, L"--title", L"a:b"}, kExitUsage, L"title");
    ExpectRefused({L"create", out, L"--voice", voice, L"--title="}, kExitUsage, L"title");
    ExpectRefused({L"create", out, L"--voice", voice, L"--picture", voice}, kExitUsage, L"MS=FILE");
    ExpectRefused({L"create", out, L"--voice", voice, L"--picture", L"5="}, kExitUsage, L"MS=FILE");
    for (const wchar_t* time : {L"12abc", L"", L"2147483648", L"99999999999", L"1.5", L"+5", L" 5"})
        ExpectRefused({L"create", out, L"--voice", voice, L"--reference", time}, kExitUsage, L"milliseconds");
    ExpectRefused({L"create", out, L"--voice", voice, L"--reference"}, kExitUsage, L"needs a value");
    ExpectRefused({L"create", out, L"--voice", voice, L"--verbose=yes"}, kExitUsage, L"takes no value");
    ExpectRefused({L"create", voice, L"--voice", voice}, kExitUsage, L"input file");
    ExpectRefused({L"create", voice, L"--voice", voice, L"--picture", L"0=" + voice}, kExitUsage, L"input file");
    ExpectRefused({L"inspect"}, kExitUsage, L"FILE.kav");
    ExpectRefused({L"inspect", out, out}, kExitUsage, L"unexpected");
    ExpectRefused({L"extract", out}, kExitUsage, L"DIR");
    ExpectRefused({L"encode", Path(L"in.wav"), voice, L"--codec", L"mp3"}, kExitUsage, L"mp3");
    ExpectRefused({L"decode", voice, voice}, kExitUsage, L"input file");
    ExpectRefused({L"export-web", out, Path(L"web"), L"--audio", L"mp3"}, kExitUsage, L"mp3");

    ExpectRefused({L"create", out, L"--voice", Path(L"none.wav")}, kExitFailure, Path(L"none.wav"));
    ExpectRefused({L"create", out, L"--voice", voice, L"--picture", L"0=" + Path(L"none.jpg")}, kExitFailure,
                  Path(L"none.jpg"));
    ExpectRefused({L"create", out, L"--voice", m_folder}, kExitFailure, L"folder");
    EXPECT_FALSE(PathExists(out));

    const ToolRun help = RunKavTool({L"create", L"--help"});
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_EQ(help.out.rfind(L"Usage: kavtool create", 0), 0u) << help.out;
    EXPECT_TRUE(help.err.empty());
}

TEST_F(KavTool, AFailedConversionLeavesTheEarlierFileAndNoTemporaryOne)
{
    const Bytes earlier{'e', 'a', 'r', 'l', 'y'};
    WriteFileBytes(Path(L"out.tmv"), earlier);
    WriteFileBytes(Path(L"broken.wav"), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    ExpectRefused({L"encode", Path(L"broken.wav"), Path(L"out.tmv")}, kExitFailure, Path(L"broken.wav"));
    EXPECT_EQ(ReadFileBytes(Path(L"out.tmv")), earlier);
    ExpectRefused({L"decode", Path(L"broken.wav"), Path(L"out.tmv")}, kExitFailure, Path(L"broken.wav"));
    EXPECT_EQ(ReadFileBytes(Path(L"out.tmv")), earlier);

    WIN32_FIND_DATAW found;
    const UniqueFind leftover(FindFirstFileW(Path(L"*.tmp").c_str(), &found));
    EXPECT_FALSE(leftover.IsValid()) << "left behind: " << found.cFileName;
}
