#include "SetupsDlg.h"
#include "PanelApp.h"
#include "SaveCopyDialog.h"
#include "SetupsRules.h"
#include "resource.h"
#include "win/Controls.h"
#include <commctrl.h>
#include <algorithm>
#include <iterator>
#include <memory>

namespace panel {

namespace {

const std::vector<std::string> kLatencies = {
    "   64 samples  -   1.33 ms at 48kHz", " 128 samples  -   2.67 ms at 48kHz",
    " 256 samples  -   5.33 ms at 48kHz", " 512 samples  - 10.67 ms at 48kHz"};
const std::vector<std::string> kTimebases = {"30 fps ", "29.97 fps", "25 fps", "24 fps"};

struct MtcButton {
    int id;
    MtcChoice choice;
};
constexpr MtcButton kMtcButtons[] = {
    {IDC_MTC_FREE_RUNNING, mtc::kFreeRunning}, {IDC_MTC_SYNCHRONISER, mtc::kSynchroniser},
    {IDC_MTC_NONE, mtc::kNone},               {IDC_MTC_441, mtc::k441},
    {IDC_MTC_48, mtc::k48},                   {IDC_MTC_NORMAL, mtc::kNormal},
    {IDC_MTC_PULL_UP, mtc::kPullUp},          {IDC_MTC_PULL_DOWN, mtc::kPullDown},
    {IDC_MTC_DROP_FRAME, mtc::kDropFrame},    {IDC_MTC_NON_DROP, mtc::kNonDrop},
};

bool SameName(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string FileNameOf(const quorvi::SettingsRecord& record) {
    return BoundedString(record.fileName, sizeof record.fileName);
}
std::string DescriptionOf(const quorvi::SettingsRecord& record) {
    return BoundedString(record.description, kMaxDescription);
}

}  // namespace

CDeleteSetupDlg::CDeleteSetupDlg(const win::Module& module, std::string fileName, std::string description)
    : win::Dialog(module, IDD_DELETE_SETUP), fileName_(std::move(fileName)), description_(std::move(description)) {}

BOOL CDeleteSetupDlg::OnInitDialog() {
    SetItemText(IDC_SETUP_FILE_NAME, fileName_);
    SetItemText(IDC_SETUP_DESCRIPTION, description_);
    return TRUE;
}

CSetupPropsDlg::CSetupPropsDlg(const win::Module& module, std::string fileName, std::string description,
                               bool eraseProtect)
    : win::Dialog(module, IDD_SETUP_PROPS), fileName_(std::move(fileName)),
      description_(std::move(description)), eraseProtect_(eraseProtect ? BST_CHECKED : BST_UNCHECKED) {}

bool CSetupPropsDlg::DoDataExchange(win::DataExchange& dx) {
    if (!dx.saving()) SetItemText(IDC_SETUP_FILE_NAME, fileName_);
    return dx.Text(IDC_SETUP_DESCRIPTION, description_, kMaxDescription) &&
           dx.Check(IDC_ERASE_PROTECT, eraseProtect_);
}

CMtcSetupDlg::CMtcSetupDlg(const win::Module& module, std::uint16_t word)
    : win::Dialog(module, IDD_MTC_SETUP), word_(word) {}

BOOL CMtcSetupDlg::OnInitDialog() {
    word_ = MtcOnOpen(word_);
    for (const MtcButton& b : kMtcButtons) win::SetButtonCheck(hwnd(), b.id, MtcHolds(word_, b.choice));
    win::FillComboBox(Item(IDC_MTC_TIMEBASE), kTimebases);
    win::SelectComboBoxIndex(Item(IDC_MTC_TIMEBASE), MtcTimebase(word_));
    return TRUE;
}

bool CMtcSetupDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_MTC_TIMEBASE) {
        const int selected = win::ComboBoxSelection(control);
        if (code == CBN_SELCHANGE && selected >= 0) word_ = MtcWithTimebase(word_, selected);
        return true;
    }
    if (code == BN_CLICKED) {
        for (const MtcButton& b : kMtcButtons) {
            if (b.id != id) continue;
            word_ = MtcApply(word_, b.choice);
            return true;
        }
    }
    return win::Dialog::OnCommand(id, code, control);
}

CSetupsDlg::CSetupsDlg(PanelApp& app) : PanelPage(app, IDD_SETUPS, -1) {}

SetupFiles CSetupsDlg::Files() const {
    return SetupFiles([this](int id) { Message(id); });
}

void CSetupsDlg::Initialise() {
    const quorvi::SettingsRecord& r = app_.record();
    playAll_ = r.device.playAllOnFirstPlay != 0;
    recordAll_ = r.device.recordAllOnFirstRecord != 0;
    preserveMix_ = r.preserveMixLevels != 0;
    trayIcon_ = r.trayIconOnBoot != 0;
    master_ = std::clamp(r.device.masterBoard, 0, std::max(app_.boardCount() - 1, 0));
    latency_ = r.device.latencyIndex;
    SetModified(false);
}

BOOL CSetupsDlg::OnInitDialog() {
    PanelPage::OnInitDialog();
    win::FillComboBox(Item(IDC_LATENCY_LIST), kLatencies);
    ShowValues();
    app_.SetSetupIsCurrent(true);
    RefreshLists();
    appliedName_ = FileNameOf(app_.record());
    picture_ = BitmapWithPalette::Load(module().instance(), IDB_SETUPS);
    ShowPicture(Item(IDC_SETUP_PICTURE), picture_);
    return TRUE;
}

void CSetupsDlg::ShowValues() {
    if (!hwnd()) return;
    win::SetButtonCheck(hwnd(), IDC_PLAY_ALL, playAll_);
    win::SetButtonCheck(hwnd(), IDC_RECORD_ALL, recordAll_);
    win::SetButtonCheck(hwnd(), IDC_PRESERVE_MIX, preserveMix_);
    win::SetButtonCheck(hwnd(), IDC_TRAY_ON_BOOT, trayIcon_);
    const LatencyChoice latency = ChooseLatency(latency_, app_.windowsNT(), app_.oldBoardPresent());
    latency_ = latency.index;
    win::SelectComboBoxIndex(Item(IDC_LATENCY_LIST), latency_);
    EnableWindow(Item(IDC_LATENCY_LIST), latency.enabled);
    if (latency.changed) SetModified();
    ShowMaster();
}

void CSetupsDlg::ShowMaster() {
    SetItemText(IDC_MASTER_TEXT, MasterText(module().String(IDS_BOARD_NAME), master_));
}

void CSetupsDlg::StoreValues() {
    quorvi::SettingsRecord& r = app_.record();
    r.device.playAllOnFirstPlay = win::ButtonChecked(hwnd(), IDC_PLAY_ALL);
    r.device.recordAllOnFirstRecord = win::ButtonChecked(hwnd(), IDC_RECORD_ALL);
    r.preserveMixLevels = win::ButtonChecked(hwnd(), IDC_PRESERVE_MIX);
    r.trayIconOnBoot = win::ButtonChecked(hwnd(), IDC_TRAY_ON_BOOT);
    r.device.masterBoard = master_;
    r.device.latencyIndex = win::ComboBoxValue(Item(IDC_LATENCY_LIST), latency_);
}

void CSetupsDlg::OnOK() {
    StoreValues();
    appliedName_ = FileNameOf(app_.record());
    app_.SetSetupIsCurrent(true);
    PanelPage::OnOK();
}

void CSetupsDlg::RefreshLists() {
    list_ = Files().List(app_.record(), app_.boardCount());
    ShowLists();
    if (list_.loaded) Loaded(true);
}

void CSetupsDlg::ShowLists() {
    if (!hwnd()) return;
    win::FillComboBox(Item(IDC_SETUP_LIST), list_.descriptions);
    win::FillComboBox(Item(IDC_SETUP_FILES), list_.names);
    win::SelectComboBoxIndex(Item(IDC_SETUP_LIST), list_.current);
    win::SelectComboBoxIndex(Item(IDC_SETUP_FILES), list_.current);
}

bool CSetupsDlg::LoadAt(int index, bool byUser) {
    if (index < 0 || index >= static_cast<int>(list_.names.size())) return false;
    // A file that cannot be read leaves the record, and the lists show its setup again.
    if (!Files().Load(app_.record(), list_.names[index], app_.boardCount())) {
        RefreshLists();
        return false;
    }
    RefreshLists();
    Loaded(byUser);
    return true;
}

// The record holds another setup now: every page shows it. A setup the
// user chose waits for OK or Apply; one the tray loaded is already applied.
void CSetupsDlg::Loaded(bool byUser) {
    if (byUser) app_.SetSetupIsCurrent(SameName(FileNameOf(app_.record()), appliedName_));
    Initialise();
    ShowValues();
    app_.Reload();
    if (byUser) SetModified();
}

void CSetupsDlg::UserMenuChosen(WPARAM entry) {
    auto menu = std::make_unique<quorvi::UserMenuList>();
    const int slots = static_cast<int>(std::size(menu->names));
    const bool listed = QuorviGetUserMenu(menu.get()) &&
                        entry < static_cast<WPARAM>(std::clamp(menu->count, 0, slots));
    if (!listed) {
        Message(IDS_USER_MENU_FAILED);
        return;
    }
    const std::string name = BoundedString(menu->names[entry], sizeof menu->names[entry]);
    RefreshLists();
    const auto found = std::find(list_.names.begin(), list_.names.end(), name);
    if (found == list_.names.end()) {
        Message(IDS_USER_MENU_FAILED);
        return;
    }
    if (!LoadAt(static_cast<int>(found - list_.names.begin()), false)) return;
    // The tray applied it: choosing it again in the list is no change, and
    // settings the tray stores from now on are this setup's.
    appliedName_ = name;
    app_.SetSetupIsCurrent(true);
}

void CSetupsDlg::MasterArrows(int delta) {
    if (app_.boardCount() == 1) return;
    const int next = StepMaster(master_, delta, app_.boardCount());
    if (next == master_) return;
    master_ = next;
    ShowMaster();
    SetModified();
}

void CSetupsDlg::SaveAs() {
    const auto path = ChooseCopyPath(hwnd(), app_.record());
    if (path && Files().SaveCopy(app_.record(), *path)) RefreshLists();
}

void CSetupsDlg::Delete() {
    quorvi::SettingsRecord& r = app_.record();
    bool confirmed = false;
    Files().DeleteCurrent(r, [&] {
        CDeleteSetupDlg dialog(module(), FileNameOf(r), DescriptionOf(r));
        confirmed = dialog.RunModal(hwnd()) == IDOK;
        return confirmed;
    });
    // The deleted setup is gone from the lists, which then load the first.
    if (confirmed) RefreshLists();
}

void CSetupsDlg::Properties() {
    quorvi::SettingsRecord& r = app_.record();
    CSetupPropsDlg dialog(module(), FileNameOf(r), DescriptionOf(r), r.eraseProtect != 0);
    if (dialog.RunModal(hwnd()) != IDOK) return;
    Files().ChangeProperties(r, dialog.description(), dialog.eraseProtect());
    RefreshLists();
}

void CSetupsDlg::MtcSetup() {
    quorvi::DeviceBlock& d = app_.record().device;
    CMtcSetupDlg dialog(module(), static_cast<std::uint16_t>(d.mtcSettings));
    if (dialog.RunModal(hwnd()) != IDOK) return;
    d.mtcSettings = static_cast<std::int16_t>(dialog.word());
    SetModified();
}

bool CSetupsDlg::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_SETUP_LIST:
        if (code == CBN_SELCHANGE) LoadAt(win::ComboBoxSelection(control), true);
        else if (code == CBN_DROPDOWN) RefreshLists();
        return true;
    case IDC_PLAY_ALL:
    case IDC_RECORD_ALL:
    case IDC_PRESERVE_MIX:
    case IDC_TRAY_ON_BOOT:
        if (code == BN_CLICKED) SetModified();
        return true;
    case IDC_LATENCY_LIST:
        if (code == CBN_SELCHANGE) SetModified();
        return true;
    case IDC_LATENCY_HELP: Message(IDS_LATENCY_HELP); return true;
    case IDC_SETUP_SAVE_AS: SaveAs(); return true;
    case IDC_SETUP_DELETE: Delete(); return true;
    case IDC_SETUP_PROPERTIES: Properties(); return true;
    case IDC_MTC_SETUP: MtcSetup(); return true;
    default: return PanelPage::OnCommand(id, code, control);
    }
}

INT_PTR CSetupsDlg::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == Item(IDC_MASTER_ARROWS) && header->code == UDN_DELTAPOS) {
            // The arrows step through the boards; their own position is not used.
            MasterArrows(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
            return Result(TRUE);
        }
        break;
    }
    case WM_PAINT:
        RealizePictureIn(hwnd(), picture_);
        break;
    default:
        break;
    }
    return PanelPage::DlgProc(message, wParam, lParam);
}

}  // namespace panel
