#include "ChannelLabels.h"
#include <cstdio>
#include "win/FixedText.h"

namespace tray {

namespace {

constexpr int kGroup = quorvi::kGroupChannels;
constexpr int kPhysicalFormats = 5;

// The connectors of a format with physical texts: channels 0 to aRows - 1
// on interface A, the next bRows on interface B, the rest unused.
struct Interfaces {
    const char* a;
    int aRows;
    const char* b;
    int bRows;
    bool numberPerInterface;  // B counts from 1 again
};

// Format 3 names its first three channels after interface A and only the
// fourth after B, as the meters and faders have always read.
Interfaces InterfacesOf(bool input, int format) {
    switch (format) {
    case 0: return {"Adat", 8, "Adat", 8, true};
    case 1:
    case 2: return {"Adat", 8, "Spdif", 2, true};
    case 3: return {"Spdif", 3, "Spdif", 1, false};
    default: return input ? Interfaces{"Korg", 8, "Spdif", 2, true} : Interfaces{"Korg", 8, "Korg", 8, true};
    }
}

std::string PhysicalText(bool input, int format, int i) {
    const Interfaces f = InterfacesOf(input, format);
    if (i >= f.aRows + f.bRows) return "unused";
    const bool onA = i < f.aRows;
    const int n = !onA && f.numberPerInterface ? i - f.aRows + 1 : i + 1;
    char text[quorvi::kLabelSize];
    std::snprintf(text, sizeof text, "%s %c|%s %d", onA ? f.a : f.b, onA ? 'A' : 'B', input ? "In" : "Out", n);
    return text;
}

// Each physical channel's text goes under the column its routing byte
// names; a byte beyond the 16 positions (a damaged file) names none.
void Physical(DisplayLabels& labels, int base, bool input, int format, const std::uint8_t* route) {
    for (int i = 0; i < kGroup; ++i)
        if (route[i] < kGroup) labels[base + route[i]] = PhysicalText(input, format, i);
}

// Stereo pairs: "In|1L", "In|1R", ... "In|8R".
void Logical(DisplayLabels& labels, int base, const char* group) {
    for (int i = 0; i < kGroup; ++i) {
        char text[quorvi::kLabelSize];
        std::snprintf(text, sizeof text, "%s|%d%c", group, i / 2 + 1, i % 2 ? 'R' : 'L');
        labels[base + i] = text;
    }
}

void Masters(DisplayLabels& labels, int base) {
    labels[base] = "Mon|1";
    labels[base + 1] = "Mon|2";
}

void User(DisplayLabels& labels, int base, const char (*fields)[quorvi::kLabelSize], int count) {
    for (int i = 0; i < count; ++i) labels[base + i] = win::BoundedString(fields[i], quorvi::kLabelSize);
}

LabelSource SourceFor(const quorvi::SettingsRecord& record, int board,
                      const char (*userLabels)[quorvi::kLabelSize]) {
    const quorvi::BoardDeviceBlock& device = record.device.boards[quorvi::ClampBoard(board)];
    const int format = device.format;
    const bool stored = format < quorvi::kFormats;
    return {format, stored ? device.inRoute[format] : nullptr, stored ? device.outRoute[format] : nullptr,
            userLabels};
}

}  // namespace

LabelSource MeterLabelSource(const quorvi::SettingsRecord& record, int board) {
    return SourceFor(record, board, record.boards[quorvi::ClampBoard(board)].meterLabels);
}

LabelSource FaderLabelSource(const quorvi::SettingsRecord& record, int board) {
    return SourceFor(record, board, record.boards[quorvi::ClampBoard(board)].faderLabels);
}

// Every build starts from empty entries, so a column that no physical channel
// is routed to (or a format without physical texts) shows no label rather
// than one left over from another label set.
DisplayLabels BuildLabels(int mode, ShownGroups shown, const LabelSource& source) {
    DisplayLabels labels;
    const ColumnLayout layout(shown);
    const int ob = layout.OutputBase(), mb = layout.MasterBase();
    const bool physical = source.format >= 0 && source.format < kPhysicalFormats;
    switch (mode) {
    case PhysicalLabels:
        if (shown.inputs && physical) Physical(labels, 0, true, source.format, source.inRoute);
        if (shown.outputs && physical) Physical(labels, ob, false, source.format, source.outRoute);
        if (shown.master) Masters(labels, mb);
        break;
    case LogicalLabels:
        if (shown.inputs) Logical(labels, 0, "In");
        if (shown.outputs) Logical(labels, ob, "Out");
        if (shown.master) Masters(labels, mb);
        break;
    case UserLabels:
        if (shown.inputs) User(labels, 0, source.userLabels, kGroup);
        if (shown.outputs) User(labels, ob, source.userLabels + kFirstOutput, kGroup);
        if (shown.master) User(labels, mb, source.userLabels + kFirstMaster, 2);
        break;
    default: break;
    }
    return labels;
}

void StoreUserLabel(char (&field)[quorvi::kLabelSize], std::string_view text) {
    win::CopyBounded(field, sizeof field, text.substr(0, kUserLabelChars));
}

}  // namespace tray
