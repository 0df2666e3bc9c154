#pragma once
// Labels under the columns of the meter and mixer windows. The window builds
// the array when it loads its options, on a Label or Show menu choice and on
// refresh, then draws entry k under column k; a "|" splits a label into an
// upper and a lower line. The label dialog stores what the user typed with
// StoreUserLabel.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include "StripLayout.h"
#include "quorvi/SettingsRecord.h"

namespace tray {

enum LabelMode : int { PhysicalLabels = 0, LogicalLabels = 1, UserLabels = 2 };

// Entry k is column k's label; columns beyond the shown ones stay empty.
using DisplayLabels = std::array<std::string, kChannels>;

// What the labels are built from: the board's format and its routing tables
// of that format (the record's tables may hold any byte), and the user label
// set of the window (meter or fader labels), 34 fields of 24 bytes.
struct LabelSource {
    int format;
    const std::uint8_t* inRoute;   // 16 bytes
    const std::uint8_t* outRoute;  // 16 bytes
    const char (*userLabels)[quorvi::kLabelSize];
};

// The source for one board of the record; meters or faders pick the set.
LabelSource MeterLabelSource(const quorvi::SettingsRecord& record, int board);
LabelSource FaderLabelSource(const quorvi::SettingsRecord& record, int board);

// An unknown mode builds no labels.
DisplayLabels BuildLabels(int mode, ShownGroups shown, const LabelSource& source);

// The label dialog's edit box takes at most this many characters.
inline constexpr int kUserLabelChars = 22;

// Stores a typed label into its record field: cut to the dialog's limit and
// always terminated inside the field.
void StoreUserLabel(char (&field)[quorvi::kLabelSize], std::string_view text);

}  // namespace tray
