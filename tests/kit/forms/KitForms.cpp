#include "KitForms.h"
#include "KitFormIds.h"
#include <commctrl.h>

namespace {

void InitControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

std::string ItemText(HWND dlg, int id) {
    char text[256] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

void FillForm(HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_LEVEL, EM_LIMITTEXT, 3, 0);
    for (const char* rate : {"44.1 kHz", "48 kHz"}) SendDlgItemMessageA(dlg, IDC_RATE, CB_ADDSTRING, 0, (LPARAM)rate);
    SendDlgItemMessageA(dlg, IDC_RATE, CB_SETCURSEL, 0, 0);
    for (const char* s : {"Interface A", "Interface B", "Word clock"})
        SendDlgItemMessageA(dlg, IDC_SOURCES, LB_ADDSTRING, 0, (LPARAM)s);
    for (const char* s : {"x", "y"}) SendDlgItemMessageA(dlg, IDC_QUIET, LB_ADDSTRING, 0, (LPARAM)s);
    HWND tabs = GetDlgItem(dlg, IDC_TABS);
    for (const char* name : {"Inputs", "Outputs"}) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(name);
        TabCtrl_InsertItem(tabs, TabCtrl_GetItemCount(tabs), &item);
    }
}

INT_PTR CALLBACK FormProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* log = reinterpret_cast<FormLog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        FillForm(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NAME:
            if (HIWORD(wParam) == EN_CHANGE) ++log->editChanges;
            return TRUE;
        case IDC_ENABLE:
            EnableWindow(GetDlgItem(dlg, IDC_APPLY), IsDlgButtonChecked(dlg, IDC_ENABLE) == BST_CHECKED);
            return TRUE;
        case IDC_APPLY:
            ++log->applyClicks;
            SetDlgItemTextA(dlg, IDC_STATUS, ("Applied " + ItemText(dlg, IDC_NAME)).c_str());
            return TRUE;
        case IDC_RATE:
            if (HIWORD(wParam) == CBN_SELCHANGE) ++log->rateChanges;
            return TRUE;
        case IDC_SOURCES:
            if (HIWORD(wParam) == LBN_SELCHANGE) ++log->sourceChanges;
            return TRUE;
        case IDC_QUIET:
            if (HIWORD(wParam) == LBN_SELCHANGE) ++log->quietChanges;
            return TRUE;
        case IDOK:
            log->nameOnOk = ItemText(dlg, IDC_NAME);
            [[fallthrough]];
        case IDCANCEL:
            if (GetPropA(dlg, "modeless"))
                DestroyWindow(dlg);
            else
                EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->idFrom != IDC_TABS) break;
        if (hdr->code == TCN_SELCHANGING) {
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, log->refuseTabChange);
            return TRUE;
        }
        if (hdr->code == TCN_SELCHANGE) ++log->tabChanges;
        return TRUE;
    }
    case WM_DESTROY:
        if (GetPropA(dlg, "modeless")) {
            RemovePropA(dlg, "modeless");
            PostQuitMessage(0);
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK FirstPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, page->lParam);
        SetDlgItemTextA(dlg, IDC_PAGE_EDIT, "start");
        return TRUE;
    }
    if (msg != WM_NOTIFY) return FALSE;
    auto* log = reinterpret_cast<SheetLog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_KILLACTIVE:
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, ItemText(dlg, IDC_PAGE_EDIT).empty());
        return TRUE;
    case PSN_APPLY:
        log->first = ItemText(dlg, IDC_PAGE_EDIT);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK SecondPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, page->lParam);
        return TRUE;
    }
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != PSN_APPLY) return FALSE;
    auto* log = reinterpret_cast<SheetLog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    log->second = ItemText(dlg, IDC_PAGE_EDIT);
    log->confirmed = IsDlgButtonChecked(dlg, IDC_PAGE_CHECK) == BST_CHECKED;
    if (log->confirmed) MessageBoxA(dlg, "Applied.", "Kit Sheet", MB_OK);
    SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
}

INT_PTR CALLBACK NoticeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunNoticeModal() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KIT_NOTICE), nullptr, NoticeProc, 0);
}

INT_PTR RunFormModal(FormLog& log) {
    InitControls();
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KIT_FORM), nullptr, FormProc,
                           reinterpret_cast<LPARAM>(&log));
}

HWND CreateForm(FormLog& log) {
    InitControls();
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KIT_FORM), nullptr, FormProc,
                                  reinterpret_cast<LPARAM>(&log));
    if (dlg) SetPropA(dlg, "modeless", reinterpret_cast<HANDLE>(1));
    return dlg;
}

INT_PTR RunSheetModal(SheetLog& log) {
    InitControls();
    PROPSHEETPAGEA pages[2] = {};
    DLGPROC procs[2] = {FirstPageProc, SecondPageProc};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].hInstance = GetModuleHandleA(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEA(IDD_KIT_PAGE1 + i);
        pages[i].pfnDlgProc = procs[i];
        pages[i].lParam = reinterpret_cast<LPARAM>(&log);
    }
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszCaption = "Kit Sheet";
    sheet.nPages = 2;
    sheet.ppsp = pages;
    return PropertySheetA(&sheet);
}
