#include "PanelApp.h"
#include "AppearancePage.h"
#include "ClockRules.h"
#include "ClocksPage.h"
#include "IdentifyDlg.h"
#include "MetersDlg.h"
#include "ModeDlg.h"
#include "PanelPage.h"
#include "PanelSheet.h"
#include "RoutingPages.h"
#include "SetupFiles.h"
#include "SetupsDlg.h"
#include "resource.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/MachineValues.h"
#include "win/RegKey.h"

namespace panel {

namespace {

// One record per program for its whole run, as every deliverable holds it.
quorvi::SettingsRecord workingRecord;


}  // namespace

PanelApp::PanelApp(HINSTANCE instance) : module_(instance, "QUORVI"), record_(&workingRecord) {}

PanelApp::~PanelApp() = default;

void PanelApp::ShowMessage(UINT id, HWND owner) const {
    module_.ShowMessage(id, MB_OK | MB_ICONEXCLAMATION, owner);
}

bool PanelApp::ReadOsVersion(HWND owner) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        windowsNT_ = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
        return true;
    }
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&text), 0, nullptr);
    MessageBoxA(owner, text ? text : "", "Couldn't determine OS version!", MB_OK | MB_ICONWARNING);
    LocalFree(text);
    return false;
}

void PanelApp::FindBoards() {
    boardCount_ = 0;
    oldBoardPresent_ = false;
    device_ = windowsNT_
        ? win::Device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, 0)
        : win::Device(quorvi::kDeviceName9x, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    if (!device_) return;
    for (std::uint32_t board = 0; board < quorvi::kMaxBoards; ++board) {
        quorvi::BoardInfoReply info{};
        if (!device_.control(quorvi::QUORVI_GET_BOARD_INFO, &board, sizeof board, &info, sizeof info))
            break;
        boardCapability_[board] = info.capability;
        if (info.capability == 0) oldBoardPresent_ = true;
        ++boardCount_;
    }
    if (boardCount_ == 0) device_.reset();
}

void PanelApp::ReadRateFactors() {
    win::RegKey key = win::RegKey::Create(HKEY_LOCAL_MACHINE, quorvi::kMakerKey);
    const DWORD samples = key.dwordOr(quorvi::kSamplesValue, kDefaultSamples);
    for (int board = 0; board < boardCount_; ++board)
        rateFactor_[board] = RateFactor(samples, key.dwordOr(quorvi::TicksValueName(board).c_str(), kDefaultTicks));
}

void PanelApp::BuildPages() {
    pages_.clear();
    setups_ = nullptr;
    for (const PagePlace& place : PlanPages(boardCount_, windowsNT_)) {
        std::unique_ptr<PanelPage> page;
        switch (place.kind) {
        case PageKind::Setups: {
            auto setups = std::make_unique<CSetupsDlg>(*this);
            setups_ = setups.get();
            page = std::move(setups);
            break;
        }
        case PageKind::MetersMixer: page = std::make_unique<CMetersDlg>(*this, place.board); break;
        case PageKind::Format: page = std::make_unique<CModeDlg>(*this, place.board); break;
        case PageKind::Clocks:
            // Every board's page takes the first board's capability.
            page = std::make_unique<CClocksPage>(*this, place.board, boardCapability_[0]);
            break;
        case PageKind::InRouting: page = std::make_unique<CInRouteDlg>(*this, place.board); break;
        case PageKind::OutRouting: page = std::make_unique<CRoutingDlg>(*this, place.board); break;
        case PageKind::Appearance: page = std::make_unique<Appearance>(*this, place.board); break;
        }
        if (place.board >= 0)
            page->SetIcon(static_cast<HICON>(LoadImageA(module_.instance(),
                                                        MAKEINTRESOURCEA(BoardIconId(place.board)),
                                                        IMAGE_ICON, 16, 16, LR_SHARED)));
        page->SetSheetIndex(static_cast<int>(pages_.size()));
        pages_.push_back(std::move(page));
    }
}

int PanelApp::StoredPage() const {
    win::RegKey key = win::RegKey::Open(HKEY_LOCAL_MACHINE, quorvi::kMakerKey);
    const DWORD page = key.dwordOr(quorvi::kControlPanelPageValue, 0);
    // A page of a board that is gone, or of pages not built here, opens the first.
    return page < pages_.size() ? static_cast<int>(page) : 0;
}

void PanelApp::StorePage() const {
    win::RegKey key = win::RegKey::Create(HKEY_LOCAL_MACHINE, quorvi::kMakerKey, KEY_WRITE);
    key.setDword(quorvi::kControlPanelPageValue, static_cast<DWORD>(lastPageIndex_));
}

void PanelApp::Run(HWND owner) {
    CPanelSheet sheet(*this, module_.String(IDS_CAPTION));
    if (!ReadOsVersion(owner)) return;
    FindBoards();
    if (boardCount_ == 0) {
        ShowMessage(IDS_NO_BOARDS, owner);
        return;
    }
    LoadStoredSettings();
    ReadRateFactors();
    BuildPages();
    for (auto& page : pages_) {
        page->Initialise();
        sheet.AddPage(*page);
    }
    // Until the Setups page has been shown no other setup can have been
    // chosen, so the record is the current setup from the start and takes
    // what the tray stores; otherwise OK would write stale settings over it.
    setupIsCurrent_ = true;
    lastPageIndex_ = StoredPage();
    sheet.SetActivePage(lastPageIndex_);
    sheet_ = &sheet;
    sheet.RunModal(owner);
    sheet_ = nullptr;
    StorePage();
    setups_ = nullptr;
    pages_.clear();
    device_.reset();
}

HWND PanelApp::sheetWindow() const { return sheet_ ? sheet_->hwnd() : nullptr; }

void PanelApp::LoadStoredSettings() {
    QuorviGetRegSettings(record_, 0);
    LimitMasterBoard(*record_, boardCount_);
}

void PanelApp::Apply(HWND owner) {
    SetupFiles files([this, owner](int id) { ShowMessage(id, owner); });
    files.SaveCurrent(*record_);
    QuorviSetRegSettings(record_);
    QuorviDoUpdate(record_, device_.get(), 0);
}

void PanelApp::Reload() {
    auto boardPage = [](const std::unique_ptr<PanelPage>& page) { return page->board() >= 0; };
    for (auto& page : pages_)
        if (boardPage(page)) page->Initialise();
    for (auto& page : pages_) {
        if (!boardPage(page) || !page->shown()) continue;
        page->Refresh();
        InvalidateRect(page->hwnd(), nullptr, TRUE);
    }
}

void PanelApp::OnSettingsStored() {
    if (!setupIsCurrent_) return;
    LoadStoredSettings();
    Reload();
}

void PanelApp::OnUserMenuChosen(WPARAM entry) {
    if (setups_) setups_->UserMenuChosen(entry);
}

void PanelApp::Identify(int board, HWND owner) {
    CIdentifyDlg dialog(*this, board);
    dialog.RunModal(owner);
    // The boards get the stored settings back, which ends the identification
    // program; the working record keeps the edits not yet applied.
    auto stored = std::make_unique<quorvi::SettingsRecord>();
    QuorviGetRegSettings(stored.get(), 0);
    LimitMasterBoard(*stored, boardCount_);
    QuorviDoUpdate(stored.get(), device_.get(), 0);
}

}  // namespace panel
