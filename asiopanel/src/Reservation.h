#pragma once
// What the latency and channel-reservation dialog edits, without any window:
// the settings of the three streaming interfaces, which interface and board
// are shown, and the rules that turn the user's input into stored values.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quorvi/QuorviCore.h"

namespace asiopanel {

// The order is the index used for the registry keys and the radio buttons.
enum class Interface { Asio, Easi, Gsif };
inline constexpr int kInterfaceCount = 3;
inline constexpr int kBoardCount = quorvi::kRecordBoards;  // one tab each, always four

inline constexpr std::uint32_t kDefaultBlockLatency = 48;
inline constexpr std::uint32_t kAllInputs = quorvi::kAllInputChannels;
inline constexpr std::uint32_t kAllOutputs = quorvi::kAllOutputChannels;
inline constexpr int kInputBits = 16;
inline constexpr int kOutputBits = 18;

struct LatencyRange {
    std::uint32_t lowest;
    std::uint32_t highest;
    bool contains(std::uint32_t blocks) const { return blocks >= lowest && blocks <= highest; }
};

LatencyRange latencyRange(Interface i);
// GSIF's latency is fixed by its host, so the dialog hides the controls.
bool showsLatency(Interface i);
// GSIF streams outputs only.
bool usesInputs(Interface i);

// Registry path under HKEY_CLASSES_ROOT of the interface's driver class.
const char* driverKey(Interface i);
// "ASIO", "EASI" or "GSIF".
const char* interfaceName(Interface i);

// "/EASI" in any case opens on EASI; anything else on ASIO.
Interface interfaceFromCommandLine(std::string_view commandLine);

struct InterfaceSettings {
    std::uint32_t blockLatency = 0;  // blocks of 64 samples
    std::uint32_t outputCoefficient = 0;
    std::uint32_t outputConstant = 0;  // samples
    quorvi::ChannelMaskSet reservation{};  // as stored in RsrvChannels
    bool installed = false;  // the driver's key was there when the settings were read
};

// The ticks of one board's checkbox grid.
struct BoardChannels {
    std::uint32_t inputs = 0;
    std::uint32_t outputs = 0;
    bool operator==(const BoardChannels&) const = default;
};

// The latency the edit's text stands for, and whether the text must be
// replaced by it because it was out of range or not a number.
struct LatencyEntry {
    std::uint32_t blocks;
    bool corrected;
};

class ReservationModel {
public:
    explicit ReservationModel(Interface start = Interface::Asio);

    InterfaceSettings& settings(Interface i) { return settings_[index(i)]; }
    const InterfaceSettings& settings(Interface i) const { return settings_[index(i)]; }
    // Any block latency outside its interface's range becomes the default.
    void resetInvalidLatencies();

    Interface selected() const { return selected_; }
    void select(Interface i) { selected_ = i; }
    void selectBoard(int board);
    // Fixed by the interface the program opened on.
    LatencyRange spinRange() const { return latencyRange(start_); }

    BoardChannels shownChannels() const;
    bool inputsEnabled() const { return usesInputs(selected_); }
    // Stores the grid's ticks as the selected interface's words for the shown board.
    void collect(BoardChannels ticks);
    void reserveAll();
    void reserveNone();
    // Every channel of the shown board that the other two interfaces leave free.
    void reserveAllUnused();

    LatencyEntry enterLatency(std::string_view text);
    std::uint64_t latencySamples() const;
    std::string latencyText48k() const;
    std::string latencyText44k() const;

private:
    static std::size_t index(Interface i) { return static_cast<std::size_t>(i); }

    std::array<InterfaceSettings, kInterfaceCount> settings_{};
    Interface start_;
    Interface selected_;
    int board_ = 0;
};

}  // namespace asiopanel
