#pragma once
// The tray's hidden main window: it owns the driver handle, the settings
// record and the event monitor for the program's whole run, keeps the
// notification-area icon and its menu, and answers the messages the other
// programs broadcast.
#include <windows.h>

#include <memory>
#include <string>

#include "MeterWnd.h"
#include "Monitor.h"
#include "MonitorDevice.h"
#include "StartUpErrors.h"
#include "StatusSheet.h"
#include "TrayMenu.h"
#include "quorvi/SettingsRecord.h"
#include "win/Device.h"
#include "win/Handle.h"
#include "win/Menu.h"
#include "win/Messages.h"
#include "win/NotifyIcon.h"
#include "win/Timer.h"
#include "win/Window.h"

namespace tray {

// Messages the tray's own windows post to the frame (wParam = board index).
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;     // from the icon
inline constexpr UINT WM_METERS_CLOSED = WM_USER + 2;
inline constexpr UINT WM_MIXER_CLOSED = WM_USER + 3;
inline constexpr UINT WM_STORE_SETTINGS = WM_USER + 4;  // store and tell the applet

inline constexpr UINT_PTR kMonitorTimer = 1;
inline constexpr UINT kMonitorPeriodMs = 777;
// Ends an update pause whose END QUORVI UPDATE never comes (the update
// failed in the other program); updates take well under a second.
inline constexpr UINT_PTR kUpdatePauseTimer = 2;
inline constexpr UINT kUpdatePauseLimitMs = 10000;
// How long START QUORVI UPDATE waits for the tray's own work to finish.
inline constexpr DWORD kBusyWaitMs = 1000;

// The classes of the meter and mixer windows, registered at start-up.
inline constexpr const char* kMeterWindowClass = "QuorviTrayMeters";
inline constexpr const char* kMixerWindowClass = "QuorviTrayMixer";

class CMixerWnd;
class CPunchDlg;

class CMainFrame : public win::Window, private MonitorScreen {
public:
    explicit CMainFrame(HINSTANCE instance);
    ~CMainFrame() override;

    // Creates the frame, never shown, which runs the start-up. False when
    // the program is to end at once.
    bool Create();

    // Shared with the tray's other windows.
    const win::Module& module() const { return module_; }
    HANDLE device() const { return device_.get(); }
    int boardCount() const { return monitor_.boardCount(); }
    quorvi::SettingsRecord& record() { return *record_; }
    Monitor& monitor() { return monitor_; }
    BusyIndicators& busy() { return busy_; }
    // A failure: held until start-up is complete, shown at once afterwards.
    void ReportError(const std::string& text);

    // The windows the menu and the other programs open. Each brings its
    // window forward when it is open already.
    void OpenStatusSheet();
    void OpenMeterWindow(int board);
    void OpenMixerWindow(int board);
    void OpenPunchDialog();
    // The windows this program has so far; the menu offers the others
    // disabled.
    static TrayWindows AvailableWindows() {
        TrayWindows windows;
        windows.statusSheet = true;
        windows.meters = true;
        windows.mixer = windows.punch = true;
        return windows;
    }
    // The status sheet has gone: its changes are stored.
    void OnStatusSheetClosed();
    // The board's meter window, mixer window and the punch dialog while
    // they exist, else null.
    CMeterWnd* meterWindow(int board) const;
    CMixerWnd* mixerWindow(int board) const;
    CPunchDlg* punchDialog() const;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Start-up (StartUp.cpp), in the order it runs.
    bool OnCreate();
    bool OnlyInstance();
    bool OnLifecycleMessage(UINT message, LRESULT& result);
    bool ReadOsVersion();
    bool OpenDriver();
    int FindBoards();
    void SetSystemSetup();
    void StartMonitoring();
    void RegisterWindowClasses();
    void Calibrate(int board);
    void FinishStartUp();
    void ShowBootResults();
    void ShowSystemError(DWORD code);

    bool OnRegisteredMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCommand(UINT id);
    void OnTrayNotify(UINT mouseMessage);
    void OnMonitorTimer();
    void OnStartUpdate();
    void OnEndUpdate();
    void EndUpdatePause();
    void OnTrayRefresh();
    void StoreSettings();
    void LoadUserSetup(int index);
    void BuildMenu();
    void ShowMenu();
    bool ShowIcon(TrayIcon icon, bool add);
    // Windows of later tray parts refresh themselves from the record.
    void RefreshWindows(bool withPunchDialog);
    void StorePendingSettings();
    void ShowText(const std::string& text, UINT type = MB_OK) const;

    // MonitorScreen
    void Report(UINT textId) override;
    void ShowFatal() override;
    void SetIcon(TrayIcon icon) override;
    void StopMonitoring(bool removeIcon) override;
    void AnnounceRate(std::uint32_t clock, float hz) override;
    bool MeterWindowOpen(int board) override;
    bool ResendMix(int board) override;

    win::Module module_;
    quorvi::SettingsRecord* record_;
    bool windowsNT_ = true;
    win::Handle instance_;
    win::Device device_;
    bool meterOpen_[kMaxBoards] = {};
    std::unique_ptr<CMixerWnd> mixers_[kMaxBoards];
    std::unique_ptr<CPunchDlg> punch_;
    bool statusSheetOpen_ = false;
    BusyIndicators busy_;
    MonitorDevice boards_;
    Monitor monitor_;
    std::unique_ptr<CMeterWnd> meters_[kMaxBoards];
    // Before the sheet: its pages outlive it.
    CStatusPage statusPages_[kMaxBoards]{{*this, 0}, {*this, 1}, {*this, 2}, {*this, 3}};
    std::unique_ptr<CTraySheet> statusSheet_;
    StartUpErrors errors_;
    win::Timer monitorTimer_;
    win::Timer pauseTimer_;
    win::NotifyIcon icon_;
    win::PopupMenu menu_;
    bool menuShown_ = false;
    bool menuStale_ = false;
    bool inTick_ = false;
    // Set while the monitor announces a rate to this window.
    bool announcing_ = false;
};

}  // namespace tray
