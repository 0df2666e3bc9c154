#pragma once
// The applet's state for one run of the sheet: the boards found, the one
// working record every page edits, and the apply that OK and Apply perform.
#include "SheetPlan.h"
#include "quorvi/QuorviCore.h"
#include "win/Device.h"
#include "win/Messages.h"
#include <memory>
#include <vector>

namespace panel {

class PanelPage;
class CSetupsDlg;
class CPanelSheet;

class PanelApp {
public:
    explicit PanelApp(HINSTANCE instance);
    ~PanelApp();

    // CPL_DBLCLK: finds the boards, loads the settings and runs the sheet.
    void Run(HWND owner);

    const win::Module& module() const { return module_; }
    quorvi::SettingsRecord& record() { return *record_; }
    HANDLE device() const { return device_.get(); }
    const HANDLE* deviceAddress() const { return device_.address(); }
    int boardCount() const { return boardCount_; }
    bool windowsNT() const { return windowsNT_; }
    bool oldBoardPresent() const { return oldBoardPresent_; }
    double rateFactor(int board) const { return rateFactor_[board]; }
    // The sheet while it runs: owner of boxes raised without a page window.
    HWND sheetWindow() const;

    // Message box by string number with the applet's caption.
    void ShowMessage(UINT id, HWND owner) const;

    ApplyProtocol& applyProtocol() { return apply_; }
    // Writes the current setup file, stores the registry settings and sends
    // the record to the boards. owner: the page whose OK applies, so a
    // failure's box keeps the sheet from a second OK meanwhile.
    void Apply(HWND owner);
    // After the record was replaced: every board page takes its values
    // again, and those on screen show them.
    void Reload();
    // "QUORVI CP": the tray stored new settings.
    void OnSettingsStored();
    // "QUORVI USER MENU CHOSEN": the tray loaded entry `entry` of its menu.
    void OnUserMenuChosen(WPARAM entry);
    // The board's identify dialog; afterwards the boards get the stored
    // settings back, which ends the identification program.
    void Identify(int board, HWND owner);

    void SetLastPage(int index) { lastPageIndex_ = index; }
    // The working record still holds the setup last loaded or applied, so
    // settings the tray stores may replace it.
    bool setupIsCurrent() const { return setupIsCurrent_; }
    void SetSetupIsCurrent(bool current) { setupIsCurrent_ = current; }

private:
    bool ReadOsVersion(HWND owner);
    // The stored settings into the working record, with the master board
    // limited to the boards found.
    void LoadStoredSettings();
    void FindBoards();
    void ReadRateFactors();
    void BuildPages();
    int StoredPage() const;
    void StorePage() const;

    win::Module module_;
    quorvi::SettingsRecord* record_;
    bool windowsNT_ = true;
    win::Device device_;
    int boardCount_ = 0;
    unsigned boardCapability_[quorvi::kRecordBoards] = {};
    bool oldBoardPresent_ = false;
    double rateFactor_[quorvi::kRecordBoards] = {};
    int lastPageIndex_ = 0;
    ApplyProtocol apply_;
    bool setupIsCurrent_ = false;
    std::vector<std::unique_ptr<PanelPage>> pages_;
    CSetupsDlg* setups_ = nullptr;
    CPanelSheet* sheet_ = nullptr;
};

}  // namespace panel
