#include "player/PlayerDlg.h"
#include "framework/Resources.h"
#include "base/Result.h"
#include "framework/WinApp.h"
#include "player/LabelFont.h"
#include "player/TimeDisplay.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include "ui/SkinSupport.h"
#include <algorithm>
#include <cwchar>

namespace {
constexpr UINT kSkipForwardSeconds = 10;
constexpr UINT kSkipBackSeconds = 3;
constexpr UINT kIndicatorTimeoutMs = 1000;
constexpr UINT kDeferredOpenMs = 1500;
const wchar_t kAppName[] = L"Kavora Player";
const wchar_t kDragFailure[] = L"error1";

// Ten bitmap IDs of a skin button, in SetBitmaps order.
struct ButtonLook {
    UINT ids[10];
};

constexpr ButtonLook kUnmutedLook{{243, 237, 239, 237, 241, 237, 239, 237, 243, 237}};
constexpr ButtonLook kMutedLook{{242, 237, 238, 237, 240, 237, 238, 237, 242, 237}};

void ApplyLook(CSkinButton& button, const ButtonLook& look)
{
    const UINT* i = look.ids;
    button.SetBitmaps(i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7], i[8], i[9]);
}

void Report(UINT stringId)
{
    AppMessageBox(LoadResourceString(stringId), MB_OK);
}

// Runs one transport command as a failure scope and reports its failure.
template <class Command>
void RunReported(Command&& command)
{
    if (FAILED(RunOperation(std::forward<Command>(command)))) Report(IDS_PLAYBACK_FAILED);
}

std::wstring VolumeToolTip(int volume)
{
    wchar_t number[16];
    swprintf(number, 16, L"%ld", static_cast<long>(volume));
    return LoadResourceString(IDS_TIP_VOLUME) + L" " + number;
}
}

CPlayerDlg::CPlayerDlg() : CDialog(IDD_PLAYER)
{
    m_icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_PLAYER));
}

CPlayerDlg::~CPlayerDlg() = default;

// ---------------------------------------------------------------------------------------------
// Creation and teardown

LRESULT CPlayerDlg::OnCreate(LPARAM lParam)
{
    if (Default(WM_CREATE, 0, lParam) == -1) return -1;
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    SetWindowText(kAppName);
    if (FAILED(RegisterDragDrop(m_hWnd, &m_dropTarget))) return -1;
    SetPropW(m_hWnd, kWindowProperty, reinterpret_cast<HANDLE>(1));
    return 0;
}

void CPlayerDlg::DoDataExchange()
{
    m_picture.SubclassDlgItem(IDC_PICTURE, m_hWnd);
    m_play.SubclassDlgItem(IDC_PLAY, m_hWnd);
    m_pause.SubclassDlgItem(IDC_PAUSE, m_hWnd);
    m_skipBack.SubclassDlgItem(IDC_SKIP_BACK, m_hWnd);
    m_skipForward.SubclassDlgItem(IDC_SKIP_FORWARD, m_hWnd);
    m_nextPicture.SubclassDlgItem(IDC_NEXT_PICTURE, m_hWnd);
    m_prevPicture.SubclassDlgItem(IDC_PREV_PICTURE, m_hWnd);
    m_topMost.SubclassDlgItem(IDC_TOPMOST, m_hWnd);
    m_mute.SubclassDlgItem(IDC_MUTE, m_hWnd);
    m_compact.SubclassDlgItem(IDC_COMPACT, m_hWnd);
    m_close.SubclassDlgItem(IDC_CLOSE, m_hWnd);
    m_maximize.SubclassDlgItem(IDC_MAXIMIZE, m_hWnd);
    m_minimize.SubclassDlgItem(IDC_MINIMIZE, m_hWnd);
    m_indicator.SubclassDlgItem(IDC_INDICATOR, m_hWnd);
    m_title.SubclassDlgItem(IDC_TITLE, m_hWnd);
    m_time.SubclassDlgItem(IDC_TIME, m_hWnd);
    m_targetTime.SubclassDlgItem(IDC_TARGET_TIME, m_hWnd);
}

BOOL CPlayerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE)) {
        const std::wstring about = LoadResourceString(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    m_font = CreateLabelFont(SkinScaleOf(m_hWnd));
    SetFont(m_font.Get());

    HRESULT hr = m_player.Initialize(m_hWnd);
    if (FAILED(hr)) {
        ReportStartupFailure(hr);
        return TRUE;
    }
    SetUpButtons();
    hr = SetUpSliders();
    if (FAILED(hr)) {
        ReportStartupFailure(hr);
        return TRUE;
    }

    for (CStatic* label : {&m_title, &m_time, &m_targetTime}) label->SetFont(m_font.Get());
    m_title.SetWindowText(L"");
    m_time.SetWindowText(FormatTime(0));
    m_targetTime.SetWindowText(L"");
    m_targetTime.ShowWindow(SW_HIDE);

    PictureAt(0, true);
    m_backgroundBrush.Reset(CreateSolidBrush(RGB(200, 199, 199)));
    const int scale = SkinScaleOf(m_hWnd);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, SkinScaled(kMinimumWindowWidth, scale),
                   SkinScaled(kMinimumWindowHeight, scale), SWP_NOZORDER);
    if (!m_pendingPath.empty()) SetTimer(IDT_DEFERRED_OPEN, kDeferredOpenMs);
    return TRUE;
}

// A player that cannot reach the mixer cannot work: say so and end the program.
void CPlayerDlg::ReportStartupFailure(HRESULT hr)
{
    Report(IDS_STARTUP_FAILED);
    PostQuitMessage(static_cast<int>(hr));
}

void CPlayerDlg::SetUpButtons()
{
    struct Setup {
        CSkinButton& button;
        ButtonLook look;
        UINT toolTip;
    };
    const Setup setups[] = {
        {m_play, {{201, 203, 200, 203, 202, 203, 200, 203, 201, 203}}, IDS_TIP_PLAY},
        {m_pause, {{207, 204, 205, 204, 206, 204, 205, 204, 207, 204}}, IDS_TIP_PAUSE},
        {m_skipBack, {{211, 210, 208, 210, 209, 210, 208, 210, 211, 210}}, IDS_TIP_SKIP_BACK},
        {m_skipForward, {{215, 212, 213, 212, 214, 212, 213, 212, 215, 212}}, IDS_TIP_SKIP_FORWARD},
        {m_nextPicture, {{222, 216, 220, 216, 221, 216, 220, 216, 222, 216}}, IDS_TIP_NEXT_PICTURE},
        {m_prevPicture, {{219, 223, 217, 223, 218, 223, 217, 223, 219, 223}}, IDS_TIP_PREV_PICTURE},
        {m_topMost, {{229, 230, 225, 230, 229, 230, 225, 230, 229, 230}}, IDS_TIP_TOPMOST},
        {m_compact, {{227, 232, 227, 232, 227, 232, 227, 232, 227, 232}}, IDS_TIP_COMPACT},
        {m_maximize, {{259, 262, 259, 262, 259, 262, 259, 262, 259, 262}}, IDS_TIP_MAXIMIZE},
        {m_minimize, {{257, 260, 257, 260, 257, 260, 257, 260, 257, 260}}, IDS_TIP_MINIMIZE},
        {m_close, {{226, 231, 226, 231, 226, 231, 226, 231, 226, 231}}, IDS_TIP_CLOSE},
    };

    ShowIndicator(IndicatorLook::Blank);
    m_indicator.SetEnabledLook(true);
    m_indicator.EnableButton(false);
    m_indicator.ShowWindow(SW_HIDE);

    for (const Setup& setup : setups) {
        ApplyLook(setup.button, setup.look);
        setup.button.SetToolTip(m_hWnd, setup.toolTip);
        setup.button.SetEnabledLook(true);
    }
    m_topMost.SetCheck(false);
    m_compact.SetCheck(true);
    m_maximize.SetCheck(true);
    m_minimize.SetCheck(true);

    bool muted = false;
    m_player.GetMute(muted);
    ApplyLook(m_mute, muted ? kMutedLook : kUnmutedLook);
    m_mute.SetCheck(muted);
    m_mute.SetToolTip(m_hWnd, IDS_TIP_MUTE);
    m_mute.SetEnabledLook(true);

    // The two toggles whose check is an on / off state; the others' checks remember looks.
    m_mute.SetCheckable(true);
    m_topMost.SetCheckable(true);
}

HRESULT CPlayerDlg::SetUpSliders()
{
    bool muted = false;
    HRESULT hr = m_player.GetMute(muted);
    if (FAILED(hr)) return hr;

    m_volume.CreateEx(0, L"", WS_CHILD | WS_TABSTOP, RECT{}, m_hWnd, IDC_VOLUME);
    m_volume.SetBitmaps(IDB_VOLUME_THUMB, IDB_VOLUME_THUMB, 0, IDB_VOLUME_TRACK);
    m_volume.ShowWindow(SW_SHOW);
    m_volume.SetRange(0, 100);
    int volume = 0;
    hr = m_player.GetVolume(volume);
    if (FAILED(hr)) return hr;
    m_volume.SetPos(volume);
    m_volume.SetToolTip(m_hWnd, VolumeToolTip(volume));
    m_volume.SetAccessibleName(LoadResourceString(IDS_TIP_VOLUME));

    m_seekBar.CreateEx(0, L"", WS_CHILD | WS_TABSTOP, RECT{}, m_hWnd, IDC_SEEKBAR);
    m_seekBar.SetBitmaps(IDB_SEEK_THUMB, IDB_SEEK_THUMB, IDB_SEEK_THUMB_MASK, IDB_SEEK_TRACK);
    m_seekBar.SetScaleBitmaps(IDB_SCALE_MAJOR, IDB_SCALE_MINOR);
    m_seekBar.SetMarkBitmaps(IDB_MARK, IDB_MARK_MASK);
    m_seekBar.SetPreviewSource(this, IDB_NO_PICTURE);
    m_seekBar.SetAccessibleName(LoadResourceString(IDS_NAME_SEEKBAR));
    m_seekBar.SetValueText(&FormatSpokenPosition);
    m_seekBar.ShowWindow(SW_SHOW);
    m_seekBar.EnableWindow(FALSE);
    ArrangeTabOrder();
    return S_OK;
}

// Tab moves along the header from left to right: the transport, the position, the volume and
// then the window commands. The dialog manager follows the controls' order among siblings.
void CPlayerDlg::ArrangeTabOrder()
{
    CWnd* const order[] = {&m_pause, &m_play, &m_skipBack, &m_skipForward, &m_prevPicture, &m_nextPicture, &m_seekBar,
                           &m_mute, &m_volume, &m_topMost, &m_compact, &m_minimize, &m_maximize, &m_close};
    HWND previous = m_picture.GetSafeHwnd();
    for (CWnd* control : order) {
        HWND hwnd = control->GetSafeHwnd();
        SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_TABSTOP);
        ::SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        previous = hwnd;
    }
}

void CPlayerDlg::OnDestroy()
{
    m_player.ReleaseGraph();
    m_currentPicture.clear();
    RevokeDragDrop(m_hWnd);
    RemovePropW(m_hWnd, kWindowProperty);
}

// ---------------------------------------------------------------------------------------------
// Message routing

LRESULT CPlayerDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(lParam);
    case WM_DESTROY: {
        const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return CDialog::WindowProc(message, wParam, lParam);
    case WM_SLIDER_PRESSED:
        return OnSliderPressed(static_cast<UINT>(lParam));
    case WM_SLIDER_DRAGGED:
        return OnSliderDragged(static_cast<UINT>(lParam));
    case WM_SLIDER_RELEASED:
        return OnSliderReleased(static_cast<UINT>(lParam));
    case MM_MIXM_LINE_CHANGE:
    case MM_MIXM_CONTROL_CHANGE:
        OnMixerChange();
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_icon);
    case WM_COPYDATA:
        OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        break;
    case WM_COMMAND:
        if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDC_PLAY: OnPlay(); return 0;
            case IDC_PAUSE: OnPause(); return 0;
            case IDC_SKIP_BACK: OnSkipBack(); return 0;
            case IDC_SKIP_FORWARD: OnSkipForward(); return 0;
            case IDC_NEXT_PICTURE: OnNextPicture(); return 0;
            case IDC_PREV_PICTURE: OnPreviousPicture(); return 0;
            case IDC_MUTE: OnMute(); return 0;
            case IDC_TOPMOST: OnTopMost(); return 0;
            case IDC_COMPACT: OnCompactView(); return 0;
            case IDC_CLOSE: PostMessage(WM_CLOSE); return 0;
            case IDC_MAXIMIZE: OnMaximizeRestore(); return 0;
            case IDC_MINIMIZE: ShowWindow(SW_MINIMIZE); return 0;
            }
        }
        if (lParam == 0) OnMenuCommand(wParam);
        break;
    case WM_SYSCOMMAND:
        OnSysCommand(wParam, lParam);
        return 0;
    case WM_APPCOMMAND:
        if (RunKeyCommand(CommandForAppCommand(GET_APPCOMMAND_LPARAM(lParam)))) return TRUE;
        break;
    case WM_RBUTTONUP:
        OnContextMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        break;
    case WM_LBUTTONDBLCLK:
        OnMaximizeRestore();
        break;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return FALSE;
    case WM_SIZE: {
        const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        OnSize();
        return result;
    }
    case WM_SIZING: {
        const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        OnSizing(static_cast<UINT>(wParam), reinterpret_cast<RECT*>(lParam));
        return result;
    }
    case WM_LBUTTONDOWN:
        m_dragStart = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        SetCapture(m_hWnd);
        m_dragging = true;
        break;
    case WM_MOUSEMOVE:
        if (m_dragging && m_maximize.GetCheck()) {
            const RECT window = GetWindowRect();
            const int x = static_cast<short>(LOWORD(lParam));
            const int y = static_cast<short>(HIWORD(lParam));
            MoveWindow(window.left + (x - m_dragStart.x), window.top + (y - m_dragStart.y),
                       window.right - window.left, window.bottom - window.top, TRUE);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        m_dragging = false;
        break;
    case WM_CTLCOLORSTATIC:
        return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_QUERYUISTATE:
        // Focus rectangles stay hidden until Tab moves the focus. The window keeps that state
        // itself: not every platform tracks it for a dialog.
        return CDialog::WindowProc(message, wParam, lParam) | (m_focusCuesShown ? 0 : UISF_HIDEFOCUS);
    case WM_DPICHANGED:
        OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Transport

bool CPlayerDlg::IsDocumentLoaded() const
{
    std::wstring voice;
    m_document.GetVoicePath(voice);
    return !voice.empty();
}

void CPlayerDlg::OnPlay()
{
    const HRESULT hr = RunOperation([&] {
        const PlayerState state = m_player.GetState();
        if (state == Playing) return;
        if (state == Finished || state == Paused) {
            ThrowIfFailed(m_player.Play());
            ShowIndicator(IndicatorLook::Playing);
            return;
        }
        std::wstring voice;
        m_document.GetVoicePath(voice);
        if (voice.empty()) return;
        ThrowIfFailed(m_player.BuildGraph(voice));
        std::wstring title;
        m_document.GetTitle(title);
        m_title.SetWindowText(title);
        m_time.SetWindowText(FormatTime(0));
        int duration = 0;
        ThrowIfFailed(m_player.GetDuration(duration));
        m_seekBar.SetRange(0, duration);
        m_seekBar.SetPos(0);
        int volume = 0;
        ThrowIfFailed(m_player.GetVolume(volume));
        m_volume.SetPos(volume);
        ThrowIfFailed(m_player.Play());
        m_seekBar.EnableWindow(TRUE);
        ShowIndicator(IndicatorLook::Playing);
    });
    if (FAILED(hr)) {
        ResetPlayerUi();
        Report(IDS_PLAYBACK_FAILED);
    }
}

void CPlayerDlg::OnPause()
{
    if (!IsDocumentLoaded()) return;
    m_player.Pause();
    ShowIndicator(IndicatorLook::Paused);
}

void CPlayerDlg::SeekTo(int seconds)
{
    ThrowIfFailed(m_player.Seek(seconds));
    m_seekBar.SetPos(seconds);
    PictureAt(seconds, false);
    ShowTime(seconds);
}

void CPlayerDlg::OnSkipForward()
{
    RunReported([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        int duration = 0;
        ThrowIfFailed(m_player.GetPosition(position));
        ThrowIfFailed(m_player.GetDuration(duration));
        SeekTo(std::min(position + static_cast<int>(kSkipForwardSeconds), duration));
        ShowIndicator(IndicatorLook::SkippedForward);
        SetTimer(IDT_INDICATOR, kIndicatorTimeoutMs);
    });
}

void CPlayerDlg::OnSkipBack()
{
    RunReported([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        ThrowIfFailed(m_player.GetPosition(position));
        SeekTo(std::max(position - static_cast<int>(kSkipBackSeconds), 0));
        ShowIndicator(IndicatorLook::SkippedBack);
        SetTimer(IDT_INDICATOR, kIndicatorTimeoutMs);
    });
}

void CPlayerDlg::OnNextPicture()
{
    RunReported([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        ThrowIfFailed(m_player.GetPosition(position));
        const int next = NextPictureTime(m_pictures, position);
        if (next <= 0) return;
        SeekTo(next);
        OnPlay();
    });
}

void CPlayerDlg::OnPreviousPicture()
{
    RunReported([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        ThrowIfFailed(m_player.GetPosition(position));
        SeekTo(PreviousPictureTime(m_pictures, position));
        OnPlay();
    });
}

void CPlayerDlg::OnMute()
{
    const bool muted = !m_mute.GetCheck();
    ShowMuteLook(muted);
    m_player.SetMute(muted);
}

void CPlayerDlg::OnPlayPause()
{
    if (m_player.GetState() == Playing)
        OnPause();
    else
        OnPlay();
}

void CPlayerDlg::OnSeekToStart()
{
    RunReported([&] {
        if (!IsDocumentLoaded()) return;
        SeekTo(0);
        ShowStateAfterSeek();
    });
}

void CPlayerDlg::ShowMuteLook(bool muted)
{
    ApplyLook(m_mute, muted ? kMutedLook : kUnmutedLook);
    m_mute.SetCheck(muted);
}

void CPlayerDlg::VolumeStep(int delta)
{
    int volume = 0;
    if (FAILED(m_player.GetVolume(volume))) return;
    const int next = std::clamp(volume + delta, 0, 100);
    if (FAILED(m_player.SetVolume(next))) return;
    ShowVolume(next);
}

void CPlayerDlg::ShowVolume(int volume)
{
    m_volume.SetPos(volume);
    m_volume.SetToolTip(m_hWnd, VolumeToolTip(volume));
}

// ---------------------------------------------------------------------------------------------
// Timers and the playback monitor

void CPlayerDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case IDT_POSITION:
        m_monitor.OnTick(m_player, *this);
        break;
    case IDT_INDICATOR:
        OnIndicatorTimeout();
        break;
    case IDT_DEFERRED_OPEN:
        OnDeferredOpen();
        break;
    default:
        Report(IDS_PLAYBACK_FAILED);
        break;
    }
}

void CPlayerDlg::OnIndicatorTimeout()
{
    m_targetTime.ShowWindow(SW_HIDE);
    RestoreIndicatorForState();
    KillTimer(IDT_INDICATOR);
}

void CPlayerDlg::RestoreIndicatorForState()
{
    switch (m_player.GetState()) {
    case Playing: ShowIndicator(IndicatorLook::Playing); break;
    case Paused: ShowIndicator(IndicatorLook::Paused); break;
    default: ShowIndicator(IndicatorLook::Blank); break;
    }
}

void CPlayerDlg::ShowProgress(int seconds)
{
    m_seekBar.SetPos(seconds);
    PictureAt(seconds, false);
    ShowTime(seconds);
}

void CPlayerDlg::ShowEnd()
{
    m_seekBar.SetPos(0);
    ShowIndicator(IndicatorLook::Blank);
    PictureAt(0, true);
    ShowTime(0);
}

std::wstring CPlayerDlg::PreviewPicture(int second) const
{
    return PictureCandidate(m_pictures, second);
}

std::wstring CPlayerDlg::PreviewCaption(int second) const
{
    return FormatTime(second);
}

void CPlayerDlg::ReportPlaybackFailure()
{
    Report(IDS_PLAYBACK_FAILED);
}

// ---------------------------------------------------------------------------------------------
// Sliders and the mixer

LRESULT CPlayerDlg::OnSliderPressed(UINT id)
{
    if (id == IDC_SEEKBAR) {
        PostMessage(WM_SLIDER_DRAGGED, static_cast<WPARAM>(m_seekBar.GetPos()), id);
    } else if (id == IDC_VOLUME) {
        const int volume = m_volume.GetPos();
        if (SUCCEEDED(m_player.SetVolume(volume))) m_volume.SetToolTip(m_hWnd, VolumeToolTip(volume));
    }
    return 1;
}

LRESULT CPlayerDlg::OnSliderDragged(UINT id)
{
    const HRESULT hr = RunOperation([&] {
        if (id == IDC_SEEKBAR) {
            const int target = m_seekBar.GetPos();
            m_indicator.ShowWindow(SW_HIDE);
            m_targetTime.SetWindowText(FormatTargetTime(target));
            m_targetTime.ShowWindow(SW_SHOW);
        } else if (id == IDC_VOLUME) {
            const int volume = m_volume.GetPos();
            ThrowIfFailed(m_player.SetVolume(volume));
            m_volume.SetToolTip(m_hWnd, VolumeToolTip(volume));
        }
    });
    if (FAILED(hr)) AppMessageBox(kDragFailure, MB_OK);
    return 1;
}

LRESULT CPlayerDlg::OnSliderReleased(UINT id)
{
    if (id != IDC_SEEKBAR) return 1;
    const int target = m_seekBar.GetPos();
    if (FAILED(m_player.Seek(target))) return 1;
    m_targetTime.ShowWindow(SW_HIDE);
    ShowStateAfterSeek();
    PictureAt(target, false);
    ShowTime(target);
    return 1;
}

void CPlayerDlg::ShowStateAfterSeek()
{
    switch (m_player.GetState()) {
    case Playing: ShowIndicator(IndicatorLook::Playing); break;
    case Finished: ShowIndicator(IndicatorLook::Blank); break;
    default: ShowIndicator(IndicatorLook::Paused); break;
    }
}

void CPlayerDlg::OnMixerChange()
{
    int volume = 0;
    if (SUCCEEDED(m_player.GetVolume(volume))) m_volume.SetPos(volume);
    bool muted = false;
    if (SUCCEEDED(m_player.GetMute(muted))) ShowMuteLook(muted);
    m_mute.SetEnabledLook(true);
}

// ---------------------------------------------------------------------------------------------
// Displays

void CPlayerDlg::ShowIndicator(IndicatorLook look)
{
    const UINT id = static_cast<UINT>(look);
    m_indicator.SetBitmaps(id, 249, id, 249, id, 249, id, 249, id, 249);
    m_indicator.ShowWindow(SW_SHOW);
}

void CPlayerDlg::ShowTime(int seconds)
{
    m_time.SetWindowText(FormatTime(seconds));
}

void CPlayerDlg::PictureAt(int seconds, bool force)
{
    const std::wstring candidate = PictureCandidate(m_pictures, seconds);
    const bool changed = CompareStringOrdinal(candidate.c_str(), static_cast<int>(candidate.size()),
                                              m_currentPicture.c_str(), static_cast<int>(m_currentPicture.size()),
                                              TRUE) != CSTR_EQUAL;
    if (changed || force) {
        if (candidate.empty())
            m_picture.LoadFromResource(IDB_NO_PICTURE);
        else
            m_picture.LoadFromPath(candidate);
    }
    m_currentPicture = candidate;
}

void CPlayerDlg::ResetPlayerUi()
{
    ShowIndicator(IndicatorLook::Blank);
    m_indicator.SetEnabledLook(true);
    m_indicator.EnableButton(false);
    m_indicator.ShowWindow(SW_HIDE);
    m_seekBar.SetPos(0);
    m_seekBar.EnableWindow(FALSE);
    m_title.SetWindowText(L"");
    m_time.SetWindowText(FormatTime(0));
    m_document.Reset();
    m_pictures.clear();
    m_seekBar.SetMarks({});
    PictureAt(0, true);
}
