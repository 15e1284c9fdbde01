// The picture list: from opening it over a 500-picture document to its first paint, against
// the same list with no pictures (nothing to make thumbnails of); and how long the thumbnails of
// the entries in view then take to fill in.
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "document/PlayerDocument.h"
#include "base/Handles.h"
#include "framework/Resources.h"
#include "ui/PictureList.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr double kFirstPaintTarget = 0.3;
constexpr double kFillInLimit = 20.0;

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The entries whose icons lie in the list's client area now.
std::vector<size_t> EntriesInView(const CPictureList& list, size_t count)
{
    std::vector<size_t> inView;
    RECT client{};
    GetClientRect(list.List(), &client);
    for (size_t i = 0; i < count; ++i) {
        RECT icon{};
        RECT common{};
        if (ListView_GetItemRect(list.List(), static_cast<int>(i), &icon, LVIR_ICON) &&
            IntersectRect(&common, &icon, &client))
            inView.push_back(i);
    }
    return inView;
}

struct Opening {
    double firstPaint = 0; // seconds from Show to the end of the first paint
    double filledIn = 0;   // seconds from Show until every entry in view shows its thumbnail
    size_t inView = 0;
};

Opening OpenList(HWND owner, const std::vector<PictureEntry>& pictures, bool waitForThumbnails)
{
    Opening opening;
    CPictureList list;
    const CStopwatch watch;
    Expect(list.Show(owner, pictures, 0), "the picture list does not open");
    RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    opening.firstPaint = watch.Seconds();
    Expect(static_cast<size_t>(ListView_GetItemCount(list.List())) == pictures.size(),
           "the list does not hold every period");
    if (waitForThumbnails) {
        const std::vector<size_t> inView = EntriesInView(list, pictures.size());
        Expect(!inView.empty(), "the list shows no entry");
        const auto filled = [&] {
            return std::all_of(inView.begin(), inView.end(), [&](size_t i) { return list.HasThumbnail(i); });
        };
        while (!filled() && watch.Seconds() < kFillInLimit) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            Pump();
        }
        Expect(filled(), "the thumbnails of the entries in view never came");
        opening.filledIn = watch.Seconds();
        opening.inView = inView.size();
    }
    list.Close();
    Pump();
    return opening;
}
}  // namespace

void PictureListBenchmark(const Arguments& arguments)
{
    const Arguments positionals = Positionals(arguments);
    Expect(positionals.size() == 1, "picture-list DOCUMENT --runs N");
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));

    const UniqueModule strings(LoadLibraryExW(L"ZEL.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    Expect(strings.IsValid(), "ZEL.dll does not load");
    SetResourceModule(strings.Get());
    CPlayerDocument document;
    Expect(SUCCEEDED(document.Load(Widen(positionals[0]))), "the document does not open");
    std::vector<PictureEntry> pictures;
    document.GetPictureList(pictures);
    Expect(pictures.size() >= 500, Format("the document has %zu periods, not 500", pictures.size()));
    std::vector<PictureEntry> withoutPictures = pictures;
    for (PictureEntry& entry : withoutPictures) entry.path.clear();

    // The player window's stand-in, at the player's initial size.
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 420, 480, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    Expect(owner != nullptr, "cannot create the owner window");
    Pump();

    const Opening cold = OpenList(owner, pictures, false);
    std::vector<double> firstPaints, references, fillIns;
    size_t inView = 0;
    for (int run = 0; run < runs; ++run) {
        const Opening opening = OpenList(owner, pictures, true);
        firstPaints.push_back(opening.firstPaint);
        fillIns.push_back(opening.filledIn);
        inView = opening.inView;
        references.push_back(OpenList(owner, withoutPictures, false).firstPaint);
    }
    Note("picture list first paints: %s; without pictures: %s; first opening of the process %s",
         ListMilliseconds(firstPaints).c_str(), ListMilliseconds(references).c_str(),
         Milliseconds(cold.firstPaint).c_str());
    const double firstPaint = Median(firstPaints);
    const double reference = Median(references);
    PrintRow({"Picture list",
              Format("open to first paint, %zu periods, median of %d (first opening of the process %s)",
                     pictures.size(), runs, Milliseconds(cold.firstPaint).c_str()),
              Milliseconds(firstPaint), "the same list without pictures " + Milliseconds(reference),
              Format("%.2fx", firstPaint / reference), "<= 300 ms", Verdict(firstPaint <= kFirstPaintTarget)});
    PrintRow({"Picture list", Format("open to the thumbnails of the %zu entries in view, median of %d", inView, runs),
              Milliseconds(Median(fillIns)), "-", "-", "-", "info"});
    DestroyWindow(owner);
    SetResourceModule(nullptr);
}
