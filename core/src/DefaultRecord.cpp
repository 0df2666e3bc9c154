#include "DefaultRecord.h"

#include <cstdio>
#include <cstring>

#include "CoreStrings.h"
#include "resource.h"

namespace quorvi {

namespace {

LOGFONTA DefaultFont() {
    LOGFONTA font{};
    font.lfHeight = -10;
    font.lfWeight = 300;
    font.lfCharSet = 1;
    font.lfPitchAndFamily = 0x22;
    std::strcpy(font.lfFaceName, "Arial");
    return font;
}

void DefaultLabels(char (&labels)[kLabels][kLabelSize]) {
    for (int i = 0; i < kLabels; ++i) {
        std::snprintf(labels[i], kLabelSize, "User|%d", i + 1);
    }
}

void DefaultPanel(BoardPanelBlock& panel, int board) {
    panel.statusMask = 0x3FFF;
    panel.showInputMeters = panel.showOutputMeters = panel.showMasterMeters = 1;
    panel.metersTop = 100 * board;
    panel.meterDisplayMode = 1;
    panel.meterRange = 1;
    panel.meterLabelMode = 1;
    panel.referenceLevel = 1;
    panel.metersFont = DefaultFont();
    DefaultLabels(panel.meterLabels);
    panel.showInputFaders = panel.showOutputFaders = panel.showMasterFaders = 1;
    panel.fadersTop = 100 * board + 50;
    panel.faderLabelMode = 1;
    panel.fadersFont = DefaultFont();
    DefaultLabels(panel.faderLabels);
    for (int k = 0; k < kGroupChannels; ++k) {
        panel.panA[k] = panel.panB[k] = (k % 2 == 0) ? 0 : kMaxPanIndex;
    }
}

void DefaultDevice(BoardDeviceBlock& device) {
    for (int f = 0; f < kFormats; ++f) {
        device.mainClock[f] = 3;
        device.srcClock[f] = 3;
        device.varispeed[f] = 401;
        device.ditherOff[f] = 1;
        device.dacLevels[f] = 18;
        for (int i = 0; i < kGroupChannels; ++i) {
            device.inRoute[f][i] = static_cast<std::uint8_t>(i);
            device.outRoute[f][i] = static_cast<std::uint8_t>(i);
        }
    }
}

}  // namespace

void BuildDefaultRecord(SettingsRecord& record) {
    std::memset(&record, 0, sizeof record);
    record.version = kRecordVersion;
    record.eraseProtect = 1;
    CopyCoreString(IDS_FACTORY_DESCRIPTION, record.description);
    CopyCoreString(IDS_FACTORY_FILE, record.fileName);
    record.trayIconOnBoot = 1;
    record.device.version = kRecordVersion;
    for (int b = 0; b < kRecordBoards; ++b) {
        DefaultPanel(record.boards[b], b);
        DefaultDevice(record.device.boards[b]);
    }
}

}  // namespace quorvi
