#include "LatencyReservationDialog.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "resource.h"

namespace asiopanel {
namespace {

// Radio buttons and the label of button 1021, by interface index.
constexpr int kRadioIds[kInterfaceCount] = {IDC_ASIO, IDC_EASI, IDC_GSIF};
constexpr UINT kAllUnusedLabels[kInterfaceCount] = {
    IDS_ALL_UNUSED_BY_EASI_GSIF, IDS_ALL_UNUSED_BY_ASIO_GSIF, IDS_ALL_UNUSED_BY_ASIO_EASI};
constexpr int kLatencyControls[] = {IDC_LATENCY_EDIT, IDC_LATENCY_SPIN, IDC_BLOCKS_LABEL,
                                    IDC_44K_LABEL,    IDC_LATENCY_44K,  IDC_48K_LABEL,
                                    IDC_LATENCY_48K};

int indexOf(Interface i) { return static_cast<int>(i); }

}  // namespace

LatencyReservationDialog::LatencyReservationDialog(const win::Module& module, ReservationModel& model)
    : Dialog(module, IDD_LATENCY_RESERVATION), model_(model) {}

BOOL LatencyReservationDialog::OnInitDialog() {
    addAboutToSystemMenu();
    HICON icon = LoadIconA(module().instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    insertBoardTabs();
    const LatencyRange range = model_.spinRange();
    SendDlgItemMessageA(hwnd(), IDC_LATENCY_SPIN, UDM_SETRANGE32, range.lowest, range.highest);
    selectInterface(model_.selected());
    return TRUE;
}

void LatencyReservationDialog::addAboutToSystemMenu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    const std::string about = module().String(IDS_ABOUTBOX);
    if (menu == nullptr || about.empty()) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void LatencyReservationDialog::insertBoardTabs() {
    const std::string format = module().String(IDS_BOARD_TAB);
    for (int board = 0; board < kBoardCount; ++board) {
        char text[64];
        std::snprintf(text, sizeof text, "%s %d", format.c_str(), board + 1);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendDlgItemMessageA(hwnd(), IDC_BOARD_TAB, TCM_INSERTITEMA, board,
                            reinterpret_cast<LPARAM>(&item));
    }
}

// Shows everything that depends on the selected interface. The caller has
// collected the grid into the interface that was shown before.
void LatencyReservationDialog::selectInterface(Interface i) {
    model_.select(i);
    for (int j = 0; j < kInterfaceCount; ++j)
        CheckDlgButton(hwnd(), kRadioIds[j], j == indexOf(i) ? BST_CHECKED : BST_UNCHECKED);
    showBoard();
    showLatency();
    SetItemText(IDC_ALL_UNUSED, module().String(kAllUnusedLabels[indexOf(i)]));
}

void LatencyReservationDialog::showBoard() {
    const BoardChannels shown = model_.shownChannels();
    for (int bit = 0; bit < kInputBits; ++bit) {
        CheckDlgButton(hwnd(), IDC_INPUT_BIT0 + bit, (shown.inputs >> bit) & 1 ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(Item(IDC_INPUT_BIT0 + bit), model_.inputsEnabled());
    }
    for (int bit = 0; bit < kOutputBits; ++bit)
        CheckDlgButton(hwnd(), IDC_OUTPUT_BIT0 + bit, (shown.outputs >> bit) & 1 ? BST_CHECKED : BST_UNCHECKED);
}

void LatencyReservationDialog::collectBoard() {
    BoardChannels ticks;
    for (int bit = 0; bit < kInputBits; ++bit)
        if (IsDlgButtonChecked(hwnd(), IDC_INPUT_BIT0 + bit) == BST_CHECKED) ticks.inputs |= 1u << bit;
    for (int bit = 0; bit < kOutputBits; ++bit)
        if (IsDlgButtonChecked(hwnd(), IDC_OUTPUT_BIT0 + bit) == BST_CHECKED) ticks.outputs |= 1u << bit;
    model_.collect(ticks);
}

void LatencyReservationDialog::showLatency() {
    const int show = showsLatency(model_.selected()) ? SW_SHOW : SW_HIDE;
    for (int id : kLatencyControls) ShowWindow(Item(id), show);
    const std::uint32_t blocks = model_.settings(model_.selected()).blockLatency;
    SetItemText(IDC_LATENCY_EDIT, std::to_string(blocks));
    SendDlgItemMessageA(hwnd(), IDC_LATENCY_SPIN, UDM_SETPOS32, 0, blocks);
    showLatencyTexts();
}

void LatencyReservationDialog::showLatencyTexts() {
    SetItemText(IDC_LATENCY_44K, model_.latencyText44k());
    SetItemText(IDC_LATENCY_48K, model_.latencyText48k());
}

// Range-tested at every change. A corrected text is left selected, so the
// next key typed replaces it rather than adding to it.
void LatencyReservationDialog::onLatencyEdited() {
    std::string text = ItemText(IDC_LATENCY_EDIT);
    if (text.size() > 31) text.resize(31);
    const LatencyEntry entry = model_.enterLatency(text);
    if (entry.corrected) {
        SetItemText(IDC_LATENCY_EDIT, std::to_string(entry.blocks));
        SendDlgItemMessageA(hwnd(), IDC_LATENCY_EDIT, EM_SETSEL, 0, -1);
    }
    showLatencyTexts();
}

bool LatencyReservationDialog::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_LATENCY_EDIT:
        if (code == EN_CHANGE) onLatencyEdited();
        return true;
    case IDC_ASIO:
    case IDC_EASI:
    case IDC_GSIF:
        if (code != BN_CLICKED) return false;
        collectBoard();
        selectInterface(id == IDC_ASIO ? Interface::Asio : id == IDC_EASI ? Interface::Easi : Interface::Gsif);
        return true;
    case IDC_ALL:
        model_.reserveAll();
        showBoard();
        return true;
    case IDC_NONE:
        model_.reserveNone();
        showBoard();
        return true;
    case IDC_ALL_UNUSED:
        model_.reserveAllUnused();
        showBoard();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

void LatencyReservationDialog::OnOK() {
    collectBoard();
    Close(IDOK);
}

INT_PTR LatencyReservationDialog::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_BOARD_TAB) break;
        if (header->code == TCN_SELCHANGING) {
            collectBoard();
            return Result(FALSE);
        }
        if (header->code == TCN_SELCHANGE) {
            model_.selectBoard(static_cast<int>(SendDlgItemMessageA(hwnd(), IDC_BOARD_TAB, TCM_GETCURSEL, 0, 0)));
            showBoard();
            return TRUE;
        }
        break;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            win::Dialog about(module(), IDD_ABOUTBOX);
            about.RunModal(hwnd());
            return TRUE;
        }
        break;
    }
    return Dialog::DlgProc(message, wParam, lParam);
}

}  // namespace asiopanel
