#pragma once
// Identify Board and Optical Connections: while it is open the board's
// optical outputs flash and the dialog shows which inputs see their own
// output. Other programs leave the boards alone meanwhile.
#include "IdentifyEvidence.h"
#include "win/Dialog.h"
#include "win/Timer.h"
#include <string>

namespace panel {

class PanelApp;

class CIdentifyDlg : public win::Dialog {
public:
    CIdentifyDlg(PanelApp& app, int board);

protected:
    BOOL OnInitDialog() override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Request(DWORD code, const void* in, DWORD inSize, void* out = nullptr, DWORD outSize = 0) const;
    void Poll();
    void ShowInput(int id, const InputEvidence& input) const;

    PanelApp& app_;
    const int board_;
    win::Timer timer_;
    IdentifyEvidence evidence_;
    std::string connected_, unconnected_;
};

}  // namespace panel
