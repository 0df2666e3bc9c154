#include "StripLayout.h"
#include <algorithm>

namespace tray {

ShownGroups MeterGroups(const quorvi::BoardPanelBlock& panel) {
    return {panel.showInputMeters != 0, panel.showOutputMeters != 0, panel.showMasterMeters != 0};
}

ShownGroups FaderGroups(const quorvi::BoardPanelBlock& panel) {
    return {panel.showInputFaders != 0, panel.showOutputFaders != 0, panel.showMasterFaders != 0};
}

ColumnLayout::ColumnLayout(ShownGroups shown)
    : shown_(shown),
      outputBase_(shown.inputs ? 16 : 0),
      masterBase_(outputBase_ + (shown.outputs ? 16 : 0)),
      columns_(masterBase_ + (shown.master ? 2 : 0)) {}

int ColumnLayout::ChannelAt(int column) const {
    if (column < 0 || column >= columns_) return -1;
    if (column >= masterBase_) return kFirstMaster + column - masterBase_;
    if (column >= outputBase_) return kFirstOutput + column - outputBase_;
    return column;
}

int ColumnLayout::ColumnOf(int channel) const {
    if (channel < 0 || channel >= kChannels) return -1;
    if (channel >= kFirstMaster) return shown_.master ? masterBase_ + channel - kFirstMaster : -1;
    if (channel >= kFirstOutput) return shown_.outputs ? outputBase_ + channel - kFirstOutput : -1;
    return shown_.inputs ? channel : -1;
}

StripWindowSize WindowSizeFor(ShownGroups shown) {
    if (!shown.inputs && !shown.outputs && !shown.master) return {true, 0, 0};
    const int width = 4 + (shown.inputs ? 480 : 0) + (shown.outputs ? 480 : 0) + (shown.master ? 60 : 0);
    return {false, width, 180};
}

WindowPlace PlaceWindow(int storedLeft, int storedTop, const ScreenArea& screen) {
    const int left = std::max(screen.left, std::min(storedLeft, screen.maximisedWidth - 100));
    const int top = std::max(screen.top, std::min(storedTop, screen.maximisedHeight - 200));
    return {left, top};
}

}  // namespace tray
