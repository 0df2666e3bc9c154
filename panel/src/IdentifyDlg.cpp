#include "IdentifyDlg.h"
#include "PanelApp.h"
#include "resource.h"
#include "quorvi/DriverRequests.h"
#include "win/Device.h"
#include "win/RegisteredMessage.h"

namespace panel {

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 50;

const win::RegisteredMessage identifyStart("QUORVI IDENTIFY START");
const win::RegisteredMessage identifyStop("QUORVI IDENTIFY STOP");

}  // namespace

CIdentifyDlg::CIdentifyDlg(PanelApp& app, int board)
    : win::Dialog(app.module(), IDD_IDENTIFY), app_(app), board_(board) {}

bool CIdentifyDlg::Request(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) const {
    DWORD returned = 0;
    return win::DeviceControl(app_.device(), code, in, inSize, out, outSize, &returned) &&
           returned >= outSize;
}

BOOL CIdentifyDlg::OnInitDialog() {
    connected_ = module().String(IDS_CONNECTED);
    unconnected_ = module().String(IDS_UNCONNECTED);
    evidence_ = IdentifyEvidence{};
    SetItemText(IDC_INPUT_A_STATUS, "---");
    SetItemText(IDC_INPUT_B_STATUS, "---");
    const WPARAM record = reinterpret_cast<WPARAM>(&app_.record());
    const LPARAM device = reinterpret_cast<LPARAM>(app_.deviceAddress());
    identifyStart.Send(record, device);
    timer_.start(hwnd(), kPollTimer, kPollMs);
    const auto board = static_cast<std::uint32_t>(board_);
    if (!Request(quorvi::STOP_SERIAL, &board, sizeof board)) app_.ShowMessage(IDS_STOP_SERIAL_FAILED, hwnd());
    const quorvi::TwoWordRequest reprogram{board, quorvi::kReprogFpgaMode};
    if (!Request(quorvi::QUORVI_HC_REPROG_FPGA, &reprogram, sizeof reprogram))
        app_.ShowMessage(IDS_REPROG_FPGA_FAILED, hwnd());
    return TRUE;
}

void CIdentifyDlg::Poll() {
    const quorvi::TwoWordRequest poll{static_cast<std::uint32_t>(board_), 0};
    std::uint32_t status = 0;
    if (!Request(quorvi::QUORVI_HC_GET_FPGABYTE, &poll, sizeof poll, &status, sizeof status)) {
        // Told once: the poll rests until the dialog is opened again.
        timer_.stop();
        app_.ShowMessage(IDS_GET_FPGABYTE_FAILED, hwnd());
        return;
    }
    evidence_.Poll(status);
    ShowInput(IDC_INPUT_A_STATUS, evidence_.a());
    ShowInput(IDC_INPUT_B_STATUS, evidence_.b());
}

void CIdentifyDlg::ShowInput(int id, const InputEvidence& input) const {
    const std::string& text = input.Connected() ? connected_ : unconnected_;
    // Only changes are written, so the boxes do not flicker at every poll.
    if (ItemText(id) != text) SetItemText(id, text);
}

INT_PTR CIdentifyDlg::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam != kPollTimer) break;
        Poll();
        return TRUE;
    case WM_DESTROY:
        timer_.stop();
        identifyStop.Post(reinterpret_cast<WPARAM>(&app_.record()),
                          reinterpret_cast<LPARAM>(app_.deviceAddress()));
        break;
    default:
        break;
    }
    return win::Dialog::DlgProc(message, wParam, lParam);
}

}  // namespace panel
