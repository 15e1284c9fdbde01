#include "ui/PictureList.h"
#include "framework/Dpi.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include "ui/ClockTime.h"
#include "ui/PictureDecode.h"
#include "ui/PictureRender.h"
#include <algorithm>

namespace {
// The worker's note that thumbnails are ready to take.
constexpr UINT kThumbnailsReadyMessage = WM_APP + 0x30;

// Sizes at 96 dots per inch: 4:3 thumbnails, three columns of entries wide.
constexpr int kThumbnailWidth = 96;
constexpr int kThumbnailHeight = 72;
constexpr int kCellWidth = kThumbnailWidth + 36;
constexpr int kCellHeight = kThumbnailHeight + 44;
constexpr int kColumns = 3;
constexpr int kMinimumHeight = 320;

// The first two images of the list: plain grey while an entry's thumbnail is being made, and the
// program's own picture for periods without one.
constexpr int kPendingImage = 0;
constexpr int kNoPictureImage = 1;
constexpr int kRequested = -1;
constexpr COLORREF kPendingFace = RGB(96, 96, 96);

UniqueBitmap BlankBitmap(SIZE size, COLORREF colour)
{
    const WindowDC screen(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
    const UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !dc) return UniqueBitmap();
    const SelectGuard select(dc.Get(), bitmap.Get());
    const RECT area{0, 0, size.cx, size.cy};
    const UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc.Get(), &area, brush.Get());
    return bitmap;
}

UniqueBitmap NoPictureBitmap(SIZE size)
{
    UniqueBitmap bitmap = BlankBitmap(size, RGB(0, 0, 0));
    auto file = std::make_shared<std::vector<BYTE>>();
    CFittedPicture picture;
    if (!bitmap || FAILED(LoadBitmapResourceFile(IDB_NO_PICTURE, *file)) ||
        FAILED(DecodeFittedPicture(PictureSource{L"", file}, size, picture)))
        return bitmap;
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.Get(), bitmap.Get());
    picture.Draw(dc.Get(), RECT{0, 0, size.cx, size.cy});
    return bitmap;
}

// "3 of 8, 12:04", and ", no picture" after it for a period without one.
std::wstring EntryText(const std::vector<PictureEntry>& pictures, size_t index)
{
    const PictureEntry& entry = pictures[index];
    return FormatResourceString(entry.path.empty() ? IDS_PICTURE_LIST_NO_PICTURE : IDS_PICTURE_LIST_ENTRY,
                                {std::to_wstring(index + 1), std::to_wstring(pictures.size()),
                                 FormatClockTime(entry.time / 1000)});
}
}

CPictureList::~CPictureList()
{
    // Destroyed here, while the object is whole, so that the window's last messages reach it.
    DestroyWindow();
}

bool CPictureList::Show(HWND owner, std::vector<PictureEntry> pictures, size_t current)
{
    if (!m_hWnd && !Create(owner)) return false;
    Load(std::move(pictures), current);
    SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(m_hWnd);
    SetFocus(m_list);
    return true;
}

void CPictureList::Close()
{
    DestroyWindow();
}

bool CPictureList::HasThumbnail(size_t index) const
{
    if (index >= m_pictures.size() || m_pictures[index].path.empty()) return false;
    const auto found = m_thumbnails.find(m_pictures[index].path);
    return found != m_thumbnails.end() && found->second != kRequested;
}

bool CPictureList::Create(HWND owner)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    m_owner = owner;
    m_dpi = WindowDpi(owner);
    const std::wstring title = LoadResourceString(IDS_PICTURE_LIST_TITLE);
    if (!CreateEx(WS_EX_TOOLWINDOW, title.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
                  RECT{}, owner, 0))
        return false;

    // Owner data: the control keeps no entries and asks for those it shows as it shows them.
    // The image list stays this window's, so the control must not destroy it.
    m_list = CreateWindowExW(0, WC_LISTVIEWW, title.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_OWNERDATA | LVS_SINGLESEL |
                                 LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS,
                             0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_PICTURE_LIST)),
                             GetModuleHandleW(nullptr), nullptr);
    m_thumbnailSize = SIZE{ScaleForDpi(kThumbnailWidth, m_dpi), ScaleForDpi(kThumbnailHeight, m_dpi)};
    m_images.Reset(ImageList_Create(m_thumbnailSize.cx, m_thumbnailSize.cy, ILC_COLOR24, 2, 32));
    if (!m_list || !m_images) {
        DestroyWindow();
        return false;
    }
    ListView_SetImageList(m_list, m_images.Get(), LVSIL_NORMAL);
    ListView_SetIconSpacing(m_list, ScaleForDpi(kCellWidth, m_dpi), ScaleForDpi(kCellHeight, m_dpi));
    PlaceBeside(owner);
    return true;
}

void CPictureList::Load(std::vector<PictureEntry> pictures, size_t current)
{
    // A new worker for the new pictures; the old one finishes its thumbnail and is joined.
    m_worker = std::make_unique<CThumbnailWorker>(m_hWnd, kThumbnailsReadyMessage, m_thumbnailSize);
    m_thumbnails.clear();
    ImageList_RemoveAll(m_images.Get());
    ImageList_Add(m_images.Get(), BlankBitmap(m_thumbnailSize, kPendingFace).Get(), nullptr);
    ImageList_Add(m_images.Get(), NoPictureBitmap(m_thumbnailSize).Get(), nullptr);

    m_pictures = std::move(pictures);
    ListView_SetItemCountEx(m_list, static_cast<int>(m_pictures.size()), 0);
    SetCurrent(current);
    ::InvalidateRect(m_list, nullptr, TRUE);
}

void CPictureList::SetCurrent(size_t index)
{
    if (!m_list || index >= m_pictures.size()) return;
    const int item = static_cast<int>(index);
    ListView_SetItemState(m_list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(m_list, item, FALSE);
}

void CPictureList::PlaceBeside(HWND owner)
{
    RECT frame{0, 0, ScaleForDpi(kColumns * kCellWidth, m_dpi) + GetSystemMetrics(SM_CXVSCROLL), 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;

    RECT ownerRect{};
    ::GetWindowRect(owner, &ownerRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int ownerHeight = ownerRect.bottom - ownerRect.top;
    const int height = std::min<int>(std::max(ownerHeight, ScaleForDpi(kMinimumHeight, m_dpi)), work.bottom - work.top);

    int left = ownerRect.right;                                 // beside it on the right,
    if (left + width > work.right) left = ownerRect.left - width; // or on the left,
    if (left < work.left) left = std::max<int>(work.left, ownerRect.right - width); // or over its right side
    const int top = std::clamp<int>(ownerRect.top, work.top, work.bottom - height);
    ::SetWindowPos(m_hWnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CPictureList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        ::MoveWindow(m_list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (m_list) SetFocus(m_list);
        return 0;
    case WM_KEYDOWN:
        // Escape closes the list whether it reaches the list control or the list window itself
        // (a key sent to the window, or one that comes before the control has the focus).
        if (wParam != VK_ESCAPE) break;
        PostMessage(WM_CLOSE);
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case kThumbnailsReadyMessage:
        TakeThumbnails();
        return 0;
    case WM_DESTROY:
        m_worker.reset();
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CPictureList::PostNcDestroy()
{
    // The control is gone with the window, so nothing draws from the images any more.
    m_list = nullptr;
    m_images.Reset();
    m_thumbnails.clear();
    m_pictures.clear();
}

LRESULT CPictureList::OnNotify(const NMHDR& header)
{
    if (header.hwndFrom != m_list) return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        FillDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item);
        return 0;
    case NM_CLICK: {
        // The point of the click, not the selection: a click on empty space chooses nothing.
        const DWORD at = GetMessagePos();
        LVHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        ScreenToClient(m_list, &hit.pt);
        if (ListView_HitTest(m_list, &hit) >= 0 && (hit.flags & LVHT_ONITEM)) Choose(hit.iItem);
        return 0;
    }
    case LVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        if (key == VK_RETURN) Choose(ListView_GetNextItem(m_list, -1, LVNI_FOCUSED));
        if (key == VK_ESCAPE) PostMessage(WM_CLOSE);
        return 0;
    }
    }
    return 0;
}

void CPictureList::FillDisplayInfo(LVITEMW& item)
{
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_pictures.size()) return;
    const size_t index = static_cast<size_t>(item.iItem);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring text = EntryText(m_pictures, index);
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = ImageOf(index);
}

// The image an entry shows now. Asking for an entry's image is what starts its thumbnail, so
// only the entries the control shows are ever decoded.
int CPictureList::ImageOf(size_t index)
{
    const std::wstring& path = m_pictures[index].path;
    if (path.empty()) return kNoPictureImage;
    const auto [found, added] = m_thumbnails.emplace(path, kRequested);
    if (added) m_worker->Request(path);
    return found->second == kRequested ? kPendingImage : found->second;
}

void CPictureList::TakeThumbnails()
{
    if (!m_worker) return;
    for (const FinishedThumbnail& finished : m_worker->TakeFinished()) {
        const int image = finished.bitmap ? ImageList_Add(m_images.Get(), finished.bitmap.Get(), nullptr) : -1;
        m_thumbnails[finished.path] = image >= 0 ? image : kPendingImage;
    }
    ::InvalidateRect(m_list, nullptr, FALSE);
}

void CPictureList::Choose(int index) const
{
    if (index >= 0 && static_cast<size_t>(index) < m_pictures.size())
        ::PostMessageW(m_owner, kPictureChosenMessage, static_cast<WPARAM>(index), 0);
}
