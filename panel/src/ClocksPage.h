#pragma once
// The Clocks page of a board: main and SRC clocks and the varispeed rate.
#include "ClockRules.h"
#include "PanelPage.h"

namespace panel {

class CClocksPage : public PanelPage {
public:
    CClocksPage(PanelApp& app, int board, unsigned capability);

    void Initialise() override;
    void Refresh() override { Show(); }

protected:
    bool OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Choose(int& clock, int code);
    void ReadRecord();
    void Show();
    void EnableVarispeed();
    void ShowRate();
    void Scroll(int request, int thumb);

    const unsigned capability_;
    int format_ = 0;
    int main_ = kClockInternal441, src_ = kClockInternal441;
    int value_ = 401;
    VarispeedRange range_{};
};

}  // namespace panel
