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

class PanelApp {
public:
    explicit PanelApp(HINSTANCE instance);
    ~PanelApp();

    // CPL_DBLCLK: finds the boards, loads the settings and runs the sheet.
    void Run(HWND owner);

    const win::Module& module() const { return module_; }
    quorvi::SettingsRecord& record() { return *record_; }
    HANDLE device() const { return device_.get(); }
    int boardCount() const { return boardCount_; }
    double rateFactor(int board) const { return rateFactor_[board]; }

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

    void SetLastPage(int index) { lastPageIndex_ = index; }

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
};

}  // namespace panel
