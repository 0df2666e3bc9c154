#pragma once
// The machine-wide values the programs share under HKEY_LOCAL_MACHINE: one
// program stores each, another reads it, so the names live once.
#include <string>

namespace quorvi {

inline constexpr char kMakerKey[] = "Software\\Quelmar";

inline constexpr char kControlPanelPageValue[] = "ControlPanelPage";  // the applet's last page
inline constexpr char kShutdownMessageValue[] = "ShutdownMessage";    // the tray's shutdown message id
inline constexpr char kBootStatusValue[] = "QuorviStatus";            // the boards' boot results
inline constexpr char kSamplesValue[] = "Samples";                    // counter readings per calibration
inline constexpr char kSampleRateValue[] = "SampleRate";              // float bits of the measured rate
inline constexpr char kClockSourceValue[] = "ClockSource";            // the master board's clock code

// A board's calibration: its counter ticks over `Samples` readings.
inline std::string TicksValueName(int board) { return "Ticks" + std::to_string(board); }

}  // namespace quorvi
