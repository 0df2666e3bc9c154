#pragma once
// The Setups page: the setup files, the system-wide options of the record,
// and its dialogs for deleting a setup, its properties and the MTC word.
#include "BitmapWithPalette.h"
#include "PanelPage.h"
#include "SetupFiles.h"
#include "win/Dialog.h"
#include <cstdint>
#include <string>

namespace panel {

class CDeleteSetupDlg : public win::Dialog {
public:
    CDeleteSetupDlg(const win::Module& module, std::string fileName, std::string description);

protected:
    BOOL OnInitDialog() override;

private:
    std::string fileName_, description_;
};

class CSetupPropsDlg : public win::Dialog {
public:
    CSetupPropsDlg(const win::Module& module, std::string fileName, std::string description,
                   bool eraseProtect);
    const std::string& description() const { return description_; }
    bool eraseProtect() const { return eraseProtect_ == BST_CHECKED; }

protected:
    bool DoDataExchange(win::DataExchange& dx) override;

private:
    std::string fileName_, description_;
    int eraseProtect_;
};

class CMtcSetupDlg : public win::Dialog {
public:
    CMtcSetupDlg(const win::Module& module, std::uint16_t word);
    std::uint16_t word() const { return word_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    std::uint16_t word_;
};

class CSetupsDlg : public PanelPage {
public:
    explicit CSetupsDlg(PanelApp& app);

    void Initialise() override;
    void Refresh() override { ShowValues(); }
    // The tray loaded entry `entry` of its user menu: the page follows.
    void UserMenuChosen(WPARAM entry);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    SetupFiles Files() const;
    void RefreshLists();
    void ShowLists();
    bool LoadAt(int index, bool byUser);
    void Loaded(bool byUser);
    void ShowValues();
    void ShowMaster();
    void StoreValues();
    void MasterArrows(int delta);
    void SaveAs();
    void Delete();
    void Properties();
    void MtcSetup();

    SetupList list_;
    std::string appliedName_;
    int master_ = 0;
    int latency_ = 0;
    int playAll_ = 0, recordAll_ = 0, preserveMix_ = 0, trayIcon_ = 0;
    BitmapWithPalette picture_;
};

}  // namespace panel
