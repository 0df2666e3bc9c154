// The frame's start-up: one instance only, the driver and its boards, the
// stored settings pushed to them, the monitor, the icon and the clock
// calibration of every board.
#include <cstdio>

#include "MainFrame.h"
#include "MonitorText.h"
#include "TrayValues.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/RegisteredMessage.h"

namespace tray {

namespace {

const win::RegisteredMessage startTray("START QUORVI TRAY");
const win::RegisteredMessage trayRunning("QUORVI TRAY RUNNING");
const win::RegisteredMessage shutdownMessage("QUORVI SHUTDOWN");

// Answers to START QUORVI TRAY counted by this process; the starting tray
// answers its own too.
int runningTrays = 0;
// Held while a tray runs. Two trays started together would each count the
// other's answer besides their own and both end: the first to take the
// name stays, and the other ends before it asks.
constexpr const char* kInstanceName = "QUORVI TRAY INSTANCE";

// The driver's answer on Windows 9x for a board index past the last board.
constexpr DWORD kNoSuchBoard = 0xF00E;
// Failures found before the boards can be used are shown only after this,
// so a driver still starting at boot is not reported as missing at once.
constexpr DWORD kStartFailureWaitMs = 15000;
constexpr DWORD kClockSettleMs = 150;
constexpr int kCalibrationReadings = 32;
constexpr std::uint8_t kInternal441 = 3;
// The word of the system setup block the tray sets to 1 at start-up; the
// rest of the block is the driver's.
constexpr int kSysSetupTrayWord = 1;

}  // namespace

// One tray at a time, and its end on request.
bool CMainFrame::OnLifecycleMessage(UINT message, LRESULT& result) {
    result = 0;
    if (startTray.is(message)) trayRunning.Send();
    else if (trayRunning.is(message)) ++runningTrays;
    else if (shutdownMessage.is(message)) Destroy();
    else return false;
    return true;
}

bool CMainFrame::OnCreate() {
    if (!OnlyInstance()) return false;
    if (!ReadOsVersion() || !OpenDriver()) return false;
    const int boards = FindBoards();
    if (boards < 0) return false;
    if (boards == 0) {
        // No icon and no timer: the program waits unseen to be shut down.
        Sleep(kStartFailureWaitMs);
        ShowText(module_.String(IDS_NO_BOARDS));
        device_.reset();
        return true;
    }
    ForgetControlPanelPage();
    StoreShutdownMessage(shutdownMessage.id());
    QuorviGetRegSettings(record_, 1);
    QuorviDoUpdate(record_, device_.get(), 1);
    SetSystemSetup();
    monitor_.Reset(boards);
    for (auto& device : record_->device.boards) device.hiRateBits = 0;
    monitor_.ProgramMasks(*record_);
    StartMonitoring();
    BuildMenu();
    RegisterWindowClasses();
    for (int board = 0; board < boards; ++board) Calibrate(board);
    StoreCalibrationSamples(kCalibrationReadings);
    // Without a timer no tick finishes the start-up, so it ends here.
    if (!monitorTimer_.active()) FinishStartUp();
    return true;
}

bool CMainFrame::OnlyInstance() {
    SetLastError(ERROR_SUCCESS);
    instance_.reset(CreateMutexA(nullptr, FALSE, kInstanceName));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        instance_.reset();
        return false;
    }
    runningTrays = 0;
    startTray.Send();
    return runningTrays <= 1;
}

bool CMainFrame::ReadOsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        ShowSystemError(GetLastError());
        return false;
    }
    windowsNT_ = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return true;
}

bool CMainFrame::OpenDriver() {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    device_ = windowsNT_ ? win::Device(quorvi::kDeviceNameNT, 0, share, OPEN_EXISTING, 0)
                         : win::Device(quorvi::kDeviceName9x, 0, share, 0, 0);
    if (device_) {
        boards_.SetDevice(device_.get());
        return true;
    }
    const DWORD error = GetLastError();
    Sleep(kStartFailureWaitMs);
    ShowBootResults();
    ShowSystemError(error);
    return false;
}

// The number of boards, or -1 when the program is to end.
int CMainFrame::FindBoards() {
    int count = 0;
    for (std::uint32_t board = 0; board < quorvi::kMaxBoards; ++board, ++count) {
        quorvi::BoardInfoReply info{};
        if (device_.control(quorvi::QUORVI_GET_BOARD_INFO, &board, sizeof board, &info, sizeof info)) continue;
        const DWORD error = GetLastError();
        if (windowsNT_ || error == kNoSuchBoard) break;
        Sleep(kStartFailureWaitMs);
        ShowText(win::FormatErrorCode(module_.String(IDS_BOARD_INFO_FAILED), error));
        device_.reset();
        return -1;
    }
    return count;
}

void CMainFrame::SetSystemSetup() {
    std::uint32_t block[quorvi::kSysSetupSize / 4] = {};
    if (!device_.control(quorvi::QUORVI_GET_SYS_SETUP, nullptr, 0, block, sizeof block)) {
        // A block that was not read is not written back: it would replace
        // the driver's settings with zeros.
        ReportError(module_.String(IDS_GET_SYS_SETUP_FAILED));
        return;
    }
    block[kSysSetupTrayWord] = 1;
    if (!device_.control(quorvi::QUORVI_SET_SYS_SETUP, block, sizeof block, nullptr, 0)) {
        ReportError(module_.String(IDS_SET_SYS_SETUP_FAILED));
    }
}

// A status read that failed already in the mask pass ends monitoring before
// it starts: no timer and no icon.
void CMainFrame::StartMonitoring() {
    if (monitor_.stopped()) return;
    if (!monitorTimer_.start(hwnd(), kMonitorTimer, kMonitorPeriodMs)) {
        ReportError(module_.String(IDS_NO_TIMER));
    }
    icon_.Bind(hwnd(), IDI_TRAY_OK, WM_TRAY_NOTIFY);
    ShowIcon(TrayIcon::Ok, true);
}

void CMainFrame::RegisterWindowClasses() {
    for (const char* name : {kMeterWindowClass, kMixerWindowClass}) {
        WNDCLASSEXA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC | CS_BYTEALIGNCLIENT;
        wc.hInstance = module_.instance();
        wc.hIcon = LoadIconA(module_.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        wc.lpszClassName = name;
        RegisterWindowClass(wc);
    }
}

// Sums the board's counter over 32 readings at 44.1 kHz: the scale of every
// later rate measurement, and of the applet's.
void CMainFrame::Calibrate(int board) {
    quorvi::BoardDeviceBlock& device = record_->device.boards[board];
    const int format = FormatOf(device);
    const std::uint8_t saved = format < 0 ? 0 : device.mainClock[format];
    if (format >= 0) device.mainClock[format] = kInternal441;
    Sleep(kClockSettleMs);
    QuorviDoUpdate(record_, device_.get(), 0);
    Sleep(kClockSettleMs);

    std::uint64_t sum = 0;
    int readings = 0;
    for (; readings < kCalibrationReadings; ++readings) {
        std::uint32_t counter = 0, ioWord = 0;
        if (!boards_.ReadStatus(board, counter, ioWord)) {
            ReportError(module_.String(IDS_CLOCK_READ_FAILED));
            break;
        }
        sum += counter;
        Sleep(1);
    }

    if (format >= 0) device.mainClock[format] = saved;
    QuorviDoUpdate(record_, device_.get(), 0);
    if (auto ticks = CalibratedTicks(sum, readings, kCalibrationReadings)) {
        monitor_.SetCalibration(board, *ticks);
        StoreCalibration(board, *ticks);
    }
}

void CMainFrame::FinishStartUp() {
    std::optional<std::string> held = errors_.Complete();
    ShowBootResults();
    if (held) ShowText(*held);
}

void CMainFrame::ShowBootResults() {
    std::optional<std::uint32_t> value = TakeBootResults();
    if (!value) return;
    for (const BootResult& result : WalkBootResults(*value)) {
        ShowText(FillText(module_.String(IDS_BOOT_RESULT),
                          {std::to_string(result.board), module_.String(result.textId)}));
    }
}

void CMainFrame::ShowSystemError(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
                   nullptr);
    const std::string message = text ? text : win::FormatErrorCode("Error 0x%lx", code);
    LocalFree(text);
    ShowText(message, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tray
