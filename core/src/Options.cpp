// Meter and mixer window control: asking the tray to open a window, and the
// small modal dialogs that edit one option of the caller's record in place.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "CoreStrings.h"
#include "Options.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/Dialog.h"
#include "win/ExceptionGuard.h"

using namespace quorvi;

namespace {

class CDecayRateDlg : public win::Dialog {
public:
    explicit CDecayRateDlg(int rate) : win::Dialog(Core(), IDD_DECAY_RATE), rate_(rate) {}
    int rate() const { return rate_; }

protected:
    BOOL OnInitDialog() override {
        HWND bar = Item(IDC_DECAY_SLIDER);
        SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
        SendMessageA(bar, TBM_SETTICFREQ, 10, 0);
        SendMessageA(bar, TBM_SETPOS, TRUE, DecayPosition(rate_));
        return TRUE;
    }
    void OnOK() override {
        rate_ = DecayRate(static_cast<int>(SendMessageA(Item(IDC_DECAY_SLIDER), TBM_GETPOS, 0, 0)));
        Close(IDOK);
    }

private:
    int rate_;
};

const int kReferenceButtons[] = {IDC_REFERENCE_0DB, IDC_REFERENCE_14DB, IDC_REFERENCE_24DB};

class CReferenceLevelDlg : public win::Dialog {
public:
    explicit CReferenceLevelDlg(int level) : win::Dialog(Core(), IDD_REFERENCE_LEVEL), level_(level) {}
    int level() const { return level_; }

protected:
    BOOL OnInitDialog() override {
        // A level outside the three leaves no button chosen.
        if (level_ >= 0 && level_ < 3) {
            CheckRadioButton(hwnd(), IDC_REFERENCE_0DB, IDC_REFERENCE_24DB, kReferenceButtons[level_]);
        }
        return TRUE;
    }
    void OnOK() override {
        for (int i = 0; i < 3; ++i) {
            if (IsDlgButtonChecked(hwnd(), kReferenceButtons[i]) == BST_CHECKED) level_ = i;
        }
        Close(IDOK);
    }

private:
    int level_;
};

int ChooseFont(LOGFONTA* font) {
    if (!font) return 0;
    LOGFONTA chosen = *font;
    CHOOSEFONTA choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = GetActiveWindow();
    choose.lpLogFont = &chosen;
    choose.Flags = CF_SCREENFONTS | CF_NOSIMULATIONS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&choose)) return 0;
    *font = chosen;
    return 1;
}

void LoadTrackBar() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

}  // namespace

extern "C" int WINAPI QuorviOpenMeters(int board) {
    return win::RunGuarded(0, [&] {
        Broadcasts().meters.Post(static_cast<WPARAM>(board), 0);
        return 1;
    });
}

extern "C" int WINAPI QuorviOpenFaders(int board) {
    return win::RunGuarded(0, [&] {
        Broadcasts().mixer.Post(static_cast<WPARAM>(board), 0);
        return 1;
    });
}

extern "C" int WINAPI QuorviSetDecayRate(int* rate) {
    return win::RunGuarded(0, [&] {
        if (!rate) return 0;
        LoadTrackBar();
        CDecayRateDlg dialog(*rate);
        if (dialog.RunModal(GetActiveWindow()) != IDOK) return 0;
        *rate = dialog.rate();
        return 1;
    });
}

extern "C" int WINAPI QuorviSetReferenceLevel(int* level) {
    return win::RunGuarded(0, [&] {
        if (!level) return 0;
        CReferenceLevelDlg dialog(*level);
        if (dialog.RunModal(GetActiveWindow()) != IDOK) return 0;
        *level = dialog.level();
        return 1;
    });
}

extern "C" int WINAPI QuorviSetMetersFont(LOGFONTA* font) {
    return win::RunGuarded(0, [&] { return ChooseFont(font); });
}

extern "C" int WINAPI QuorviSetFadersFont(LOGFONTA* font) {
    return win::RunGuarded(0, [&] { return ChooseFont(font); });
}
