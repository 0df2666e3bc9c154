#include "MainFrame.h"

#include <cstring>
#include <memory>

#include "MixerWnd.h"
#include "MonitorText.h"
#include "PunchDlg.h"
#include "TrayValues.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/Dialog.h"
#include "win/FixedText.h"
#include "win/RegisteredMessage.h"

namespace tray {

namespace {

// One record for the program's whole run, as every program holds it.
quorvi::SettingsRecord trayRecord;

const win::RegisteredMessage openMeters("QUORVI METERS");
const win::RegisteredMessage openMixer("QUORVI MIXER");
const win::RegisteredMessage trayRefresh("QUORVI TRAY");
const win::RegisteredMessage startUpdate("START QUORVI UPDATE");
const win::RegisteredMessage endUpdate("END QUORVI UPDATE");
const win::RegisteredMessage settingsStored("QUORVI CP");
const win::RegisteredMessage identifyStart("QUORVI IDENTIFY START");
const win::RegisteredMessage identifyStop("QUORVI IDENTIFY STOP");
const win::RegisteredMessage userMenuChanged("QUORVI UPDATE USER MENU");
const win::RegisteredMessage rateChanged("QUORVI SAMPLE RATE CHANGED");
const win::RegisteredMessage userMenuChosen("QUORVI USER MENU CHOSEN");

constexpr const char* kFrameClass = "QuorviTrayFrame";
constexpr const char* kControlPanelCommand = "Rundll32.exe shell32.dll,Control_RunDLL quorvipanel.cpl";

UINT IconId(TrayIcon icon) {
    switch (icon) {
    case TrayIcon::ClockError: return IDI_TRAY_ERROR;
    case TrayIcon::Fatal: return IDI_TRAY_FATAL;
    default: return IDI_TRAY_OK;
    }
}

UINT TipId(TrayIcon icon) {
    switch (icon) {
    case TrayIcon::ClockError: return IDS_TIP_ERROR;
    case TrayIcon::Fatal: return IDS_TIP_FATAL;
    default: return IDS_TIP_OK;
    }
}

bool KnownBoard(WPARAM board, int boards) { return board < static_cast<WPARAM>(boards); }

}  // namespace

CMainFrame::CMainFrame(HINSTANCE instance)
    : module_(instance, IDS_APP_TITLE), record_(&trayRecord), monitor_(boards_, *this) {}

CMainFrame::~CMainFrame() {
    // The frame's window goes first, while the members it uses still exist.
    Destroy();
}

bool CMainFrame::Create() {
    WNDCLASSEXA wc{};
    wc.hInstance = module_.instance();
    wc.hIcon = LoadIconA(module_.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFrameClass;
    if (!RegisterWindowClass(wc)) return false;
    // The frame's title is the first line of its resource string.
    std::string title = module_.String(IDR_MAINFRAME);
    title = title.substr(0, title.find('\n'));
    return win::Window::Create(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                               LoadMenuA(module_.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME)),
                               module_.instance());
}

LRESULT CMainFrame::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnRegisteredMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_CREATE: return OnCreate() ? 0 : -1;
    case WM_TIMER:
        if (wParam == kMonitorTimer) OnMonitorTimer();
        else if (wParam == kUpdatePauseTimer) EndUpdatePause();
        return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_TRAY_NOTIFY: OnTrayNotify(static_cast<UINT>(lParam)); return 0;
    case WM_METERS_CLOSED:
        // A window opened again since this one went keeps its flag.
        if (wParam < kMaxBoards) meterOpen_[wParam] = meterWindow(static_cast<int>(wParam)) != nullptr;
        return 0;
    case WM_MIXER_CLOSED:
        // A window opened again since has a new object.
        if (wParam < kMaxBoards && mixers_[wParam] && !mixers_[wParam]->hwnd()) mixers_[wParam].reset();
        return 0;
    case WM_STORE_SETTINGS: StoreSettings(); return 0;
    case WM_QUERYENDSESSION:
        statusSheetOpen_ = false;
        return TRUE;
    case WM_DESTROY:
        StorePendingSettings();
        monitorTimer_.stop();
        pauseTimer_.stop();
        icon_.Delete();
        // A tray started as this one ends may run.
        instance_.reset();
        PostQuitMessage(0);
        return 0;
    default: return win::Window::WndProc(message, wParam, lParam);
    }
}

bool CMainFrame::OnRegisteredMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (startUpdate.is(message)) OnStartUpdate();
    else if (endUpdate.is(message)) OnEndUpdate();
    else if (trayRefresh.is(message)) OnTrayRefresh();
    else if (rateChanged.is(message)) {
        // Only the monitor's own word: the ASIO driver takes what is stored
        // for the boards' rate and clock, so another program's is not kept.
        if (announcing_) StoreSampleRate(static_cast<DWORD>(lParam), static_cast<DWORD>(wParam));
    } else if (identifyStart.is(message)) monitor_.IdentifyStart();
    else if (identifyStop.is(message)) monitor_.IdentifyStop();
    else if (userMenuChanged.is(message)) BuildMenu();
    else if (openMeters.is(message)) {
        if (KnownBoard(wParam, boardCount())) OpenMeterWindow(static_cast<int>(wParam));
    } else if (openMixer.is(message)) {
        if (KnownBoard(wParam, boardCount())) OpenMixerWindow(static_cast<int>(wParam));
    } else {
        return OnLifecycleMessage(message, result);
    }
    return true;
}

void CMainFrame::OnCommand(UINT id) {
    if (id == ID_APP_ABOUT) {
        win::Dialog about(module_, IDD_ABOUTBOX);
        about.RunModal(hwnd());
        return;
    }
    const ParsedCommand command = ParseTrayCommand(id);
    switch (command.command) {
    case TrayCommand::ShowStatus: OpenStatusSheet(); break;
    case TrayCommand::ClearError: monitor_.RequestClear(); break;
    case TrayCommand::OpenControlPanel: WinExec(kControlPanelCommand, SW_SHOWDEFAULT); break;
    case TrayCommand::Meters:
        if (command.index < boardCount()) OpenMeterWindow(command.index);
        break;
    case TrayCommand::Mixer:
        if (command.index < boardCount()) OpenMixerWindow(command.index);
        break;
    case TrayCommand::Punch: OpenPunchDialog(); break;
    case TrayCommand::UserSetup: LoadUserSetup(command.index); break;
    case TrayCommand::Close: PostMessageA(hwnd(), WM_CLOSE, 0, 0); break;
    case TrayCommand::None: break;
    }
}

void CMainFrame::OnTrayNotify(UINT mouseMessage) {
    SetForegroundWindow(hwnd());
    if (mouseMessage == WM_RBUTTONDOWN) ShowMenu();
    else if (mouseMessage == WM_LBUTTONDOWN) monitor_.RequestClear();
}

// The first ticks finish the start-up; from then on each tick is the
// monitor's. A tick that shows a message does not run again inside it.
void CMainFrame::OnMonitorTimer() {
    if (busy_.updateInProgress || inTick_ || monitor_.stopped()) return;
    inTick_ = busy_.timer = true;
    if (!errors_.complete()) {
        if (ShowIcon(TrayIcon::Ok, false)) FinishStartUp();
        // Otherwise the shell is not there yet: the icon is added again and
        // the next tick retries.
        else ShowIcon(TrayIcon::Ok, true);
    }
    if (errors_.complete()) monitor_.Tick(*record_);
    inTick_ = busy_.timer = false;
}

void CMainFrame::OnStartUpdate() {
    busy_.updateInProgress = true;
    pauseTimer_.start(hwnd(), kUpdatePauseTimer, kUpdatePauseLimitMs);
    if (busy_.Idle()) return;
    const BusySnapshot atStart = Snapshot(busy_);
    // The work in progress runs further down this thread's stack, so it
    // cannot end while this waits; the wait only keeps answering the
    // messages other programs send meanwhile.
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; !busy_.Idle() && waited < kBusyWaitMs; waited = GetTickCount() - start) {
        // The time left from one reading of the clock: a second reading
        // past the bound would wrap to a wait without end.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kBusyWaitMs - waited, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (!busy_.Idle()) ShowText(UpdateTimeoutText(module_.String(IDS_UPDATE_TIMEOUT), atStart));
}

void CMainFrame::OnEndUpdate() {
    QuorviGetRegSettings(record_, 0);
    monitor_.ProgramMasks(*record_);
    RefreshWindows(true);
    EndUpdatePause();
}

void CMainFrame::EndUpdatePause() {
    pauseTimer_.stop();
    busy_.updateInProgress = false;
}

void CMainFrame::OnTrayRefresh() {
    RefreshWindows(false);
    monitor_.ForceReevaluation();
}

void CMainFrame::StoreSettings() {
    QuorviSetRegSettings(record_);
    settingsStored.Post();
}

void CMainFrame::LoadUserSetup(int index) {
    auto list = std::make_unique<quorvi::UserMenuList>();
    if (!QuorviGetUserMenu(list.get()) || index >= list->count) return;
    const std::string name = win::BoundedString(list->names[index], sizeof list->names[index]);
    auto loaded = std::make_unique<quorvi::SettingsRecord>();
    // Nothing of a file that cannot be read whole, or that holds a record of
    // another layout, reaches the settings or the boards.
    const int read = name.size() < sizeof loaded->fileName ? QuorviReadSetupFile(name.c_str(), loaded.get())
                                                          : quorvi::SetupFileCannotOpen;
    if (read == quorvi::SetupFileOk && loaded->version != quorvi::kRecordVersion) {
        ShowText(module_.String(IDS_SETUP_READ_FAILED));
        return;
    }
    if (read != quorvi::SetupFileOk) {
        ShowText(module_.String(read == quorvi::SetupFileCannotRead ? IDS_SETUP_READ_FAILED
                                                                   : IDS_SETUP_OPEN_FAILED));
        return;
    }
    // The record is stored under the name it was loaded from, not whatever
    // name a copied file still carries inside.
    win::CopyBounded(loaded->fileName, sizeof loaded->fileName, name);
    std::memcpy(record_, loaded.get(), sizeof *record_);
    QuorviSetRegSettings(record_);
    HANDLE device = device_.get();
    QuorviDoUpdate(record_, device, 1);
    userMenuChosen.Post(static_cast<WPARAM>(index));
    trayRefresh.SendTo(hwnd(), reinterpret_cast<WPARAM>(record_), reinterpret_cast<LPARAM>(&device));
}

void CMainFrame::BuildMenu() {
    // The menu on screen is still in use; it is built again once closed.
    if (menuShown_) {
        menuStale_ = true;
        return;
    }
    menuStale_ = false;
    auto list = std::make_unique<quorvi::UserMenuList>();
    TrayMenuContent content;
    content.boards = boardCount();
    content.punchOffered = PunchOffered();
    if (QuorviGetUserMenu(list.get())) {
        const int count = list->count < 0 ? 0 : list->count > 8 ? 8 : list->count;
        for (int i = 0; i < count; ++i)
            content.userSetups.push_back(
                win::BoundedString(list->descriptions[i], sizeof list->descriptions[i]));
    }
    menu_ = win::PopupMenu::Create();
    for (const TrayMenuItem& item : PlanTrayMenu(content)) {
        if (item.id == 0) {
            menu_.AppendSeparator();
            continue;
        }
        const std::string text = item.textId ? module_.String(item.textId) : item.text;
        menu_.AppendItem(item.id, text, TrayCommandEnabled(item.id, false, AvailableWindows()));
    }
}

void CMainFrame::ShowMenu() {
    // A click on the icon while the menu is open: the menu on screen stays
    // the one in use.
    if (menuShown_) return;
    for (int i = 0; i < menu_.ItemCount(); ++i) {
        const UINT id = menu_.ItemId(i);
        if (id) menu_.Enable(id, TrayCommandEnabled(id, monitor_.clockErrorLatched(), AvailableWindows()));
    }
    POINT at{};
    GetCursorPos(&at);
    menuShown_ = true;
    menu_.Track(hwnd(), at, TPM_RIGHTBUTTON);
    menuShown_ = false;
    if (menuStale_) BuildMenu();
}

bool CMainFrame::ShowIcon(TrayIcon icon, bool add) {
    auto image = static_cast<HICON>(
        LoadImageA(module_.instance(), MAKEINTRESOURCEA(IconId(icon)), IMAGE_ICON, 16, 16, LR_SHARED));
    const std::string tip = module_.String(TipId(icon));
    return add ? icon_.Add(image, tip) : icon_.Modify(image, tip);
}

void CMainFrame::ShowText(const std::string& text, UINT type) const { module_.ShowText(text, type, nullptr); }

void CMainFrame::ReportError(const std::string& text) {
    if (errors_.ShowNow(text)) ShowText(text);
}

// A sheet still on screen is brought forward whatever the open flag says
// (a shut-down that was called off cleared it).
void CMainFrame::OpenStatusSheet() {
    if (statusSheet_ && statusSheet_->hwnd()) {
        statusSheetOpen_ = true;
        SetForegroundWindow(statusSheet_->hwnd());
        return;
    }
    auto sheet = std::make_unique<CTraySheet>(*this);
    for (int b = 0; b < boardCount(); ++b) {
        CStatusPage& page = statusPages_[b];
        page.SetTitle(module_.String(IDS_STATUS_PAGE_FIRST + b));
        page.SetIcon(static_cast<HICON>(LoadImageA(module_.instance(), MAKEINTRESOURCEA(IDI_STATUS_PAGE_FIRST + b),
                                                   IMAGE_ICON, 16, 16, LR_SHARED)));
        sheet->AddPage(page);
    }
    statusSheet_.reset();
    if (!sheet->CreateModeless(nullptr)) return;
    statusSheet_ = std::move(sheet);
    statusSheetOpen_ = true;
}

void CMainFrame::OnStatusSheetClosed() {
    statusSheetOpen_ = false;
    StoreSettings();
}

CMeterWnd* CMainFrame::meterWindow(int board) const {
    if (board < 0 || board >= kMaxBoards) return nullptr;
    const std::unique_ptr<CMeterWnd>& window = meters_[board];
    return window && window->hwnd() ? window.get() : nullptr;
}

void CMainFrame::OpenMeterWindow(int board) {
    if (CMeterWnd* open = meterWindow(board)) {
        open->BringToTop();
        return;
    }
    auto window = std::make_unique<CMeterWnd>(*this, board);
    if (!window->Open()) return;
    meters_[board] = std::move(window);
    meterOpen_[board] = true;
}

void CMainFrame::OpenMixerWindow(int board) {
    if (CMixerWnd* open = mixerWindow(board)) {
        open->BringToTop();
        return;
    }
    mixers_[board] = std::make_unique<CMixerWnd>(*this, board);
    mixers_[board]->Open();
}

void CMainFrame::OpenPunchDialog() {
    if (CPunchDlg* open = punchDialog()) {
        open->BringToFront();
        return;
    }
    punch_ = std::make_unique<CPunchDlg>(*this);
    punch_->Open();
}

CMixerWnd* CMainFrame::mixerWindow(int board) const {
    if (board < 0 || board >= kMaxBoards || !mixers_[board] || !mixers_[board]->hwnd()) return nullptr;
    return mixers_[board].get();
}

CPunchDlg* CMainFrame::punchDialog() const { return punch_ && punch_->hwnd() ? punch_.get() : nullptr; }

// The windows the frame owns close before it and ask, as when they close on
// their own, for the record to be stored; the frame would be gone before it
// read those requests, so they are served here.
void CMainFrame::StorePendingSettings() {
    bool store = false;
    MSG request;
    while (PeekMessageA(&request, hwnd(), WM_STORE_SETTINGS, WM_STORE_SETTINGS, PM_REMOVE)) store = true;
    if (store) StoreSettings();
}

void CMainFrame::RefreshWindows(bool withPunchDialog) {
    for (int b = 0; b < kMaxBoards; ++b) {
        if (CMeterWnd* meters = meterWindow(b)) meters->Refresh();
        if (CMixerWnd* mixer = mixerWindow(b)) mixer->Refresh();
        if (statusSheetOpen_) statusPages_[b].Refresh();
    }
    if (CPunchDlg* punch = punchDialog(); punch && withPunchDialog) punch->Refresh();
}

void CMainFrame::Report(UINT textId) { ReportError(module_.String(textId)); }

void CMainFrame::ShowFatal() { ShowText(module_.String(IDS_FATAL_ERROR)); }

void CMainFrame::SetIcon(TrayIcon icon) { ShowIcon(icon, false); }

void CMainFrame::StopMonitoring(bool removeIcon) {
    monitorTimer_.stop();
    if (removeIcon) icon_.Delete();
}

void CMainFrame::AnnounceRate(std::uint32_t clock, float hz) {
    DWORD bits;
    std::memcpy(&bits, &hz, sizeof bits);
    announcing_ = true;
    rateChanged.SendTo(hwnd(), clock, static_cast<LPARAM>(bits));
    announcing_ = false;
}

bool CMainFrame::MeterWindowOpen(int board) { return meterOpen_[board]; }

bool CMainFrame::ResendMix(int board) {
    CMixerWnd* mixer = mixerWindow(board);
    if (!mixer) return false;
    mixer->SendMix();
    return true;
}

}  // namespace tray
