#include "SheetPlan.h"

namespace panel {

std::vector<PagePlace> PlanPages(int boardCount, bool windowsNT) {
    std::vector<PagePlace> pages;
    auto add = [&](PageKind kind, int board) { pages.push_back({kind, board}); };
    add(PageKind::Setups, -1);
    for (int b = 0; b < boardCount; ++b) {
        add(PageKind::MetersMixer, b);
        add(PageKind::Format, b);
        add(PageKind::Clocks, b);
        add(PageKind::InRouting, b);
        add(PageKind::OutRouting, b);
        if (windowsNT) add(PageKind::Appearance, b);
    }
    return pages;
}

void ApplyProtocol::Join() {
    ++countdown_;
    if (countdown_ > pageCount_) pageCount_ = countdown_;
}

bool ApplyProtocol::Leave() {
    if (--countdown_ != 0) return false;
    countdown_ = pageCount_;
    return true;
}

}  // namespace panel
