#include "player/PlayerDlg.h"
#include "framework/Resources.h"
#include "base/Result.h"
#include "framework/WinApp.h"
#include "player/LabelFont.h"
#include "player/TimeDisplay.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include "ui/SkinSupport.h"
#include "voice/TimeStretch.h"
#include <cwchar>

namespace {
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

std::wstring VolumeToolTip(int volume)
{
    wchar_t number[16];
    swprintf(number, 16, L"%ld", static_cast<long>(volume));
    return LoadResourceString(IDS_TIP_VOLUME) + L" " + number;
}

POINT PointOf(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
}

CPlayerDlg::CPlayerDlg() : CDialog(IDD_PLAYER), m_session(*this, std::make_unique<CAudioPlayer>())
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
    SetPropW(m_hWnd, kPlayerWindowProperty, reinterpret_cast<HANDLE>(1));
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
    m_topMostButton.SubclassDlgItem(IDC_TOPMOST, m_hWnd);
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

    SetUpButtons();
    SetUpSliders();
    const HRESULT hr = m_session.Initialize(m_hWnd);
    if (FAILED(hr)) {
        ReportStartupFailure(hr);
        return TRUE;
    }

    for (CStatic* label : {&m_title, &m_time, &m_targetTime}) label->SetFont(m_font.Get());
    m_title.SetWindowText(L"");
    ShowTime(0);
    m_targetTime.SetWindowText(L"");
    m_targetTime.ShowWindow(SW_HIDE);

    ShowPicture(L"");
    m_backgroundBrush.Reset(CreateSolidBrush(RGB(200, 199, 199)));
    const int scale = SkinScaleOf(m_hWnd);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, SkinScaled(kMinimumWindowWidth, scale),
                   SkinScaled(kMinimumWindowHeight, scale), SWP_NOZORDER);
    if (!m_pendingPath.empty()) m_session.RequestOpen(m_pendingPath, OpenSource::CommandLine);
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
        {m_topMostButton, {{229, 230, 225, 230, 229, 230, 225, 230, 229, 230}}, IDS_TIP_TOPMOST},
        {m_compact, {{227, 232, 227, 232, 227, 232, 227, 232, 227, 232}}, IDS_TIP_COMPACT},
        {m_maximize, {{259, 262, 259, 262, 259, 262, 259, 262, 259, 262}}, IDS_TIP_MAXIMIZE},
        {m_minimize, {{257, 260, 257, 260, 257, 260, 257, 260, 257, 260}}, IDS_TIP_MINIMIZE},
        {m_close, {{226, 231, 226, 231, 226, 231, 226, 231, 226, 231}}, IDS_TIP_CLOSE},
        {m_mute, kUnmutedLook, IDS_TIP_MUTE},
    };

    HideIndicator();
    for (const Setup& setup : setups) {
        ApplyLook(setup.button, setup.look);
        setup.button.SetToolTip(m_hWnd, setup.toolTip);
        setup.button.SetEnabledLook(true);
    }
    m_topMostButton.SetCheck(m_topMost);
    m_compact.SetCheck(!m_stripView);
    m_maximize.SetCheck(!m_maximised);
    m_minimize.SetCheck(true);

    // The two toggles whose check is an on / off state; the others' checks remember looks.
    m_mute.SetCheckable(true);
    m_topMostButton.SetCheckable(true);
}

void CPlayerDlg::SetUpSliders()
{
    m_volume.CreateEx(0, L"", WS_CHILD | WS_TABSTOP, RECT{}, m_hWnd, IDC_VOLUME);
    m_volume.SetBitmaps(IDB_VOLUME_THUMB, IDB_VOLUME_THUMB, 0, IDB_VOLUME_TRACK);
    m_volume.ShowWindow(SW_SHOW);
    m_volume.SetRange(0, 100);
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
}

// Tab moves along the header from left to right: the transport, the position, the volume and
// then the window commands. The dialog manager follows the controls' order among siblings.
void CPlayerDlg::ArrangeTabOrder()
{
    CWnd* const order[] = {&m_pause, &m_play, &m_skipBack, &m_skipForward, &m_prevPicture, &m_nextPicture, &m_seekBar,
                           &m_mute, &m_volume, &m_topMostButton, &m_compact, &m_minimize, &m_maximize, &m_close};
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
    m_session.Close();
    RevokeDragDrop(m_hWnd);
    RemovePropW(m_hWnd, kPlayerWindowProperty);
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
        m_session.OnTimer(wParam);
        return CDialog::WindowProc(message, wParam, lParam);
    case WM_RUN_QUEUED_OPEN:
        m_session.RunQueuedOpen();
        return 0;
    case kPictureChosenMessage:
        m_session.JumpToPeriod(static_cast<size_t>(wParam));
        return 0;
    case WM_SLIDER_PRESSED:
        return OnSliderPressed(static_cast<UINT>(lParam));
    case WM_SLIDER_DRAGGED:
        return OnSliderDragged(static_cast<UINT>(lParam));
    case WM_SLIDER_RELEASED:
        return OnSliderReleased(static_cast<UINT>(lParam));
    case MM_MIXM_LINE_CHANGE:
    case MM_MIXM_CONTROL_CHANGE:
        m_session.OnMixerChange();
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_icon);
    case WM_COPYDATA:
        OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        break;
    case WM_COMMAND:
        if (lParam != 0 && HIWORD(wParam) == BN_CLICKED && CommandForButton(LOWORD(wParam)) != PlayerCommand::None) {
            RunCommand(CommandForButton(LOWORD(wParam)));
            return 0;
        }
        if (lParam == 0) OnMenuCommand(wParam);
        break;
    case WM_SYSCOMMAND:
        OnSysCommand(wParam, lParam);
        return 0;
    case WM_APPCOMMAND: {
        const PlayerCommand command = CommandForAppCommand(GET_APPCOMMAND_LPARAM(lParam));
        if (command == PlayerCommand::None) break;
        RunCommand(command);
        return TRUE;
    }
    case WM_RBUTTONUP:
        OnContextMenu(PointOf(lParam));
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
        m_moveStart = PointOf(lParam);
        SetCapture(m_hWnd);
        m_movingWindow = true;
        break;
    case WM_MOUSEMOVE:
        if (m_movingWindow && !m_maximised) {
            const RECT window = GetWindowRect();
            const POINT at = PointOf(lParam);
            MoveWindow(window.left + (at.x - m_moveStart.x), window.top + (at.y - m_moveStart.y),
                       window.right - window.left, window.bottom - window.top, TRUE);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        m_movingWindow = false;
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

// Every command of the player, from a button, a menu item, a key or a media key. A failure is
// caught here; the transport commands have reported their own.
void CPlayerDlg::RunCommand(PlayerCommand command)
{
    RunOperation([&] { Dispatch(command); });
}

void CPlayerDlg::Dispatch(PlayerCommand command)
{
    switch (command) {
    case PlayerCommand::None: break;
    case PlayerCommand::Play: m_session.Play(); break;
    case PlayerCommand::Pause: m_session.Pause(); break;
    case PlayerCommand::PlayPause: m_session.PlayPause(); break;
    case PlayerCommand::SkipBack: m_session.SkipBack(); break;
    case PlayerCommand::SkipForward: m_session.SkipForward(); break;
    case PlayerCommand::NextPicture: m_session.NextPicture(); break;
    case PlayerCommand::PreviousPicture: m_session.PreviousPicture(); break;
    case PlayerCommand::ToStart: m_session.SeekToStart(); break;
    case PlayerCommand::Mute: m_session.ToggleMute(); break;
    case PlayerCommand::VolumeUp: m_session.StepVolume(+5); break;
    case PlayerCommand::VolumeDown: m_session.StepVolume(-5); break;
    case PlayerCommand::Open: OnOpenWithDialog(); break;
    case PlayerCommand::TopMost: OnTopMost(); break;
    case PlayerCommand::StripView: OnStripView(); break;
    case PlayerCommand::MaximizeRestore: OnMaximizeRestore(); break;
    case PlayerCommand::Minimize: ShowWindow(SW_MINIMIZE); break;
    case PlayerCommand::Close: PostMessage(WM_CLOSE); break;
    case PlayerCommand::About: ShowAboutBox(); break;
    case PlayerCommand::PictureList: ShowPictureList(); break;
    case PlayerCommand::PauseAtPictures: m_session.TogglePauseAtPictures(); break;
    case PlayerCommand::Slower: m_session.StepSpeed(-1); break;
    case PlayerCommand::Faster: m_session.StepSpeed(+1); break;
    case PlayerCommand::NormalSpeed: m_session.SetSpeed(1.0); break;
    default:
        if (const std::optional<size_t> recent = RecentDocumentOf(command)) m_session.OpenRecent(*recent);
        if (const std::optional<size_t> speed = ListeningSpeedOf(command)) m_session.SetSpeed(kListeningSpeeds[*speed]);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Sliders

LRESULT CPlayerDlg::OnSliderPressed(UINT id)
{
    if (id == IDC_SEEKBAR)
        PostMessage(WM_SLIDER_DRAGGED, static_cast<WPARAM>(m_seekBar.GetPos()), id);
    else if (id == IDC_VOLUME)
        m_session.SetVolume(m_volume.GetPos());
    return 1;
}

LRESULT CPlayerDlg::OnSliderDragged(UINT id)
{
    if (id == IDC_SEEKBAR)
        m_session.PreviewSeek(m_seekBar.GetPos());
    else if (id == IDC_VOLUME && FAILED(m_session.SetVolume(m_volume.GetPos())))
        AppMessageBox(kDragFailure, MB_OK);
    return 1;
}

LRESULT CPlayerDlg::OnSliderReleased(UINT id)
{
    if (id == IDC_SEEKBAR) m_session.SeekTo(m_seekBar.GetPos());
    return 1; // the volume was set while the slider moved
}

// ---------------------------------------------------------------------------------------------
// What the session shows

void CPlayerDlg::ShowTitle(const std::wstring& title)
{
    m_title.SetWindowText(title);
}

// While the speed is not 1 it stands beside the time, so a screen reader says it with the time.
void CPlayerDlg::ShowTime(int seconds)
{
    m_shownSeconds = seconds;
    std::wstring text = FormatTime(seconds);
    if (m_shownSpeed != 1.0) text += L"  " + FormatSpeed(m_shownSpeed);
    m_time.SetWindowText(text);
}

void CPlayerDlg::ShowSpeed(double speed)
{
    m_shownSpeed = speed;
    ShowTime(m_shownSeconds);
}

void CPlayerDlg::ShowSeekPosition(int seconds)
{
    m_seekBar.SetPos(seconds);
}

void CPlayerDlg::ShowSeekRange(int duration)
{
    m_seekBar.SetRange(0, duration);
}

void CPlayerDlg::EnableSeeking(bool enable)
{
    m_seekBar.EnableWindow(enable ? TRUE : FALSE);
}

// New marks mean another document: a picture list of the previous one closes.
void CPlayerDlg::ShowMarks(const std::vector<int>& seconds)
{
    m_seekBar.SetMarks(seconds);
    if (m_pictureList.IsOpen()) m_pictureList.Close();
}

void CPlayerDlg::ShowIndicator(IndicatorLook look)
{
    const UINT id = static_cast<UINT>(look);
    m_indicator.SetBitmaps(id, 249, id, 249, id, 249, id, 249, id, 249);
    m_indicator.ShowWindow(SW_SHOW);
}

// The indicator is never clickable: it is only re-skinned and shown or hidden.
void CPlayerDlg::HideIndicator()
{
    ShowIndicator(IndicatorLook::Blank);
    m_indicator.SetEnabledLook(true);
    m_indicator.EnableButton(false);
    m_indicator.ShowWindow(SW_HIDE);
}

void CPlayerDlg::ShowTarget(int seconds)
{
    m_indicator.ShowWindow(SW_HIDE);
    m_targetTime.SetWindowText(FormatTargetTime(seconds));
    m_targetTime.ShowWindow(SW_SHOW);
}

void CPlayerDlg::ShowNotice(const std::wstring& text)
{
    m_indicator.ShowWindow(SW_HIDE);
    m_targetTime.SetWindowText(text);
    m_targetTime.ShowWindow(SW_SHOW);
}

void CPlayerDlg::HideTarget()
{
    m_targetTime.ShowWindow(SW_HIDE);
}

// Pictures are decoded off the window's thread, so a large one never holds the window.
void CPlayerDlg::ShowPicture(const std::wstring& path)
{
    m_picture.ShowPicture(path);
    if (m_pictureList.IsOpen()) m_pictureList.SetCurrent(m_session.CurrentPeriod());
}

// Decoded here and painted at once: an open is a moment the window is busy anyway, and the
// picture then shows while the voice is being made ready.
void CPlayerDlg::ShowFirstPicture(const std::wstring& path)
{
    if (path.empty())
        m_picture.LoadFromResource(IDB_NO_PICTURE);
    else if (FAILED(m_picture.LoadFromPath(path)))
        m_picture.LoadFromResource(IDB_NO_PICTURE);
    UpdateWindow(m_picture.GetSafeHwnd());
    if (m_pictureList.IsOpen()) m_pictureList.SetCurrent(0);
}

void CPlayerDlg::PreparePicture(const std::wstring& path)
{
    if (!path.empty()) m_picture.PreparePicture(path);
}

void CPlayerDlg::ShowVolume(int volume)
{
    m_volume.SetPos(volume);
    m_volume.SetToolTip(m_hWnd, VolumeToolTip(volume));
}

void CPlayerDlg::ShowMute(bool muted)
{
    ApplyLook(m_mute, muted ? kMutedLook : kUnmutedLook);
    m_mute.SetCheck(muted);
    m_mute.SetEnabledLook(true);
}

void CPlayerDlg::Report(UINT stringId)
{
    AppMessageBox(LoadResourceString(stringId), MB_OK);
}

void CPlayerDlg::ReportText(const std::wstring& text)
{
    AppMessageBox(text, MB_OK);
}

void CPlayerDlg::StartTimer(UINT_PTR id, UINT milliseconds)
{
    SetTimer(id, milliseconds);
}

void CPlayerDlg::StopTimer(UINT_PTR id)
{
    KillTimer(id);
}

void CPlayerDlg::ScheduleOpen()
{
    PostMessage(WM_RUN_QUEUED_OPEN);
}

std::wstring CPlayerDlg::PreviewPicture(int second) const
{
    return PictureCandidate(m_session.Pictures(), second);
}

std::wstring CPlayerDlg::PreviewCaption(int second) const
{
    return FormatTime(second);
}
