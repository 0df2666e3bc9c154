#pragma once
// Which pages the sheet holds and in what order, and the apply protocol that
// lets exactly one page apply per OK or Apply. Free of windows.
#include <vector>

namespace panel {

enum class PageKind { Setups, MetersMixer, Format, Clocks, InRouting, OutRouting, Appearance };

struct PagePlace {
    PageKind kind;
    int board;   // -1 for the Setups page
};

// Pages in sheet order for boardCount boards; Appearance pages only on
// Windows NT, whose driver reads them.
std::vector<PagePlace> PlanPages(int boardCount, bool windowsNT);

// Tab icon of a board's pages: 147 for board 1 to 150 for board 4.
inline int BoardIconId(int board) { return 147 + board; }

class ApplyProtocol {
public:
    // A page counts itself in the first time its window is created.
    void Join();
    // A page's OnOK. True for the one call that must perform the apply.
    bool Leave();

private:
    int countdown_ = 0;
    int pageCount_ = 0;
};

}  // namespace panel
