#pragma once
#include "Reservation.h"
#include "win/Dialog.h"

namespace asiopanel {

// Dialog 102: shows the model and feeds the user's input back into it.
// It stores nothing: the caller stores the model when this ends with IDOK.
class LatencyReservationDialog : public win::Dialog {
public:
    LatencyReservationDialog(const win::Module& module, ReservationModel& model);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void addAboutToSystemMenu();
    void insertBoardTabs();
    void selectInterface(Interface i);
    void showBoard();
    void collectBoard();
    void showLatency();
    void showLatencyTexts();
    void onLatencyEdited();

    ReservationModel& model_;
};

}  // namespace asiopanel
