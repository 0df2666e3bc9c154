#pragma once
// The punch-in dialog: the master board's running time-code position, the
// punch-in time the user types, and the Punch button that arms the board to
// punch in there. A timer follows the board until the punch has happened.
#include <windows.h>

#include <cstdint>
#include <string>

#include "PunchTime.h"
#include "TrayValues.h"
#include "win/Dialog.h"
#include "win/Gdi.h"
#include "win/Timer.h"

namespace tray {

class CMainFrame;

inline constexpr UINT_PTR kPunchTimer = 1;
inline constexpr UINT kPunchPeriodMs = 266;

class CPunchDlg : public win::Dialog {
public:
    explicit CPunchDlg(CMainFrame& frame);

    // Takes the punch-in values from the record and shows the dialog.
    bool Open();
    void BringToFront() const;
    // Another program changed the record: the time code's base and format.
    void Refresh();

    PunchState state() const { return state_; }
    std::int32_t punchTime() const { return punchTime_; }
    const DelayCompensation& delays() const { return delays_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override { CloseDialog(); }
    void OnCancel() override { CloseDialog(); }
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void CreateFonts();
    void LoadTimecodeTexts();
    void OnTick();
    void ShowPosition();
    bool TakeTypedTime();
    void ShowPunchTime();
    void RefuseTime() const;
    void SetUnits(TimecodeUnits units);
    void Press();
    void SendPunch(std::uint32_t position) const;
    void ShowDisplay() const;
    void DrawDisplay(const DRAWITEMSTRUCT& item) const;
    const std::string& StateText() const;
    void CloseDialog();
    void StoreValues() const;

    CMainFrame& frame_;
    int board_ = 0;
    int rate_ = 44100;
    TimecodeUnits units_ = TimecodeUnits::Hundredths;
    std::int32_t punchTime_ = 0;
    std::int32_t interfaceType_ = 0;
    // Read for the synchroniser when the dialog opens; the punch position
    // itself does not use them.
    DelayCompensation delays_;
    PunchState state_ = PunchState::NotArmed;
    std::string position_;
    PausedNotice pausedNotice_;
    bool paused_ = false;
    bool inTick_ = false;
    bool closing_ = false;
    std::string waiting_, hit_, noPunch_, tcPaused_;
    win::Timer timer_;
    win::Font large_, small_;
    win::Bitmap picture_;
};

}  // namespace tray
