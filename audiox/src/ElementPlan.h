#pragma once
// The elements the mixer shows for a number of boards, in the order it makes
// them (which is also their order in the host's project stream), and who
// feeds whom.
#include <windows.h>

#include <utility>
#include <vector>

namespace quorvix {

// Per board, one entry per meter word of its status block: 0-15 the output
// channels (group B of the settings), 16-31 the input channels (group A),
// 32-33 the master pair. Within a group, interface A channels 1-8 then B 1-8.
inline constexpr int kBoardEntries = 34;
inline constexpr int kGroupSize = 16;
inline constexpr int kOutputEntries = 0;
inline constexpr int kInputEntries = 16;
// The string table names elements for this many boards.
inline constexpr int kNamedBoards = 4;

enum class ElementKind {
    Clock,
    PhysicalInput,
    PhysicalOutput,
    InputStream,
    MonitorBus,
    InputChannel,
    OutputChannel,
    MonitorOutput,
    StreamOutput,
};

struct ElementSpec {
    ElementKind kind;
    UINT nameId;     // string table id of its name
    int board = -1;  // 0-based, -1 for elements of no single board
    int entry = -1;  // board entry of a channel strip, -1 for others
    int channels = 1;
};

// The elements for `boards` boards; more than kNamedBoards count as that many.
std::vector<ElementSpec> PlanElements(int boards);

// (from, to) index pairs into the plan: each physical input feeds its input
// channel, each input stream its output channel, each channel strip the
// monitor bus, each output channel its physical output, and the monitor bus
// the monitor output.
std::vector<std::pair<int, int>> PlanConnections(const std::vector<ElementSpec>& plan);

}  // namespace quorvix
