#include "Reservation.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "quorvi/DriverClsids.h"
#include "win/DataExchange.h"

namespace asiopanel {
namespace {

constexpr std::uint32_t kSamplesPerBlock = 64;

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Digits between the blanks that the integer parser skips.
bool onlyDigits(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

std::string milliseconds(std::uint64_t samples, double rate, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(samples) * 1000.0 / rate);
    return text;
}

}  // namespace

LatencyRange latencyRange(Interface i) {
    return i == Interface::Gsif ? LatencyRange{16, 1024} : LatencyRange{2, 1024};
}

const char* driverKey(Interface i) {
    switch (i) {
    case Interface::Easi: return quorvi::kEasiDriverKey.data();
    case Interface::Gsif: return quorvi::kGsifDriverKey.data();
    default: return quorvi::kAsioDriverKey.data();
    }
}

const char* interfaceName(Interface i) {
    constexpr const char* names[kInterfaceCount] = {"ASIO", "EASI", "GSIF"};
    return names[static_cast<int>(i)];
}

bool showsLatency(Interface i) { return i != Interface::Gsif; }

bool usesInputs(Interface i) { return i != Interface::Gsif; }

Interface interfaceFromCommandLine(std::string_view commandLine) {
    return equalsIgnoringCase(trimmed(commandLine), "/EASI") ? Interface::Easi : Interface::Asio;
}

ReservationModel::ReservationModel(Interface start) : start_(start), selected_(start) {}

void ReservationModel::resetInvalidLatencies() {
    for (int i = 0; i < kInterfaceCount; ++i) {
        auto& latency = settings_[i].blockLatency;
        if (!latencyRange(static_cast<Interface>(i)).contains(latency)) latency = kDefaultBlockLatency;
    }
}

void ReservationModel::selectBoard(int board) { board_ = std::clamp(board, 0, kBoardCount - 1); }

BoardChannels ReservationModel::shownChannels() const {
    const auto& masks = settings(selected_).reservation;
    return {inputsEnabled() ? masks.in[board_] & kAllInputs : 0, masks.out[board_] & kAllOutputs};
}

void ReservationModel::reserveAll() { collect({kAllInputs, kAllOutputs}); }

void ReservationModel::reserveNone() { collect({}); }

void ReservationModel::reserveAllUnused() {
    BoardChannels free{kAllInputs, kAllOutputs};
    for (int j = 0; j < kInterfaceCount; ++j) {
        if (static_cast<Interface>(j) == selected_) continue;
        free.inputs &= ~settings_[j].reservation.in[board_];
        free.outputs &= ~settings_[j].reservation.out[board_];
    }
    collect(free);
}

// Inputs stay clear for an interface that has none, whatever the grid held.
void ReservationModel::collect(BoardChannels channels) {
    auto& masks = settings(selected_).reservation;
    masks.in[board_] = inputsEnabled() ? channels.inputs & kAllInputs : 0;
    masks.out[board_] = channels.outputs & kAllOutputs;
}

// The edit is range-tested at every change. Text that is not a decimal
// number counts as below the range, so it can never store garbage; a run of
// digits too long for an int is far above it.
LatencyEntry ReservationModel::enterLatency(std::string_view text) {
    const LatencyRange range = latencyRange(selected_);
    const std::optional<int> typed = win::ParseInteger(text);
    LatencyEntry entry{range.lowest, true};
    if (!typed) {
        if (onlyDigits(text)) entry.blocks = range.highest;
    } else if (*typed > static_cast<int>(range.highest)) {
        entry.blocks = range.highest;
    } else if (*typed >= static_cast<int>(range.lowest)) {
        entry = {static_cast<std::uint32_t>(*typed), false};
    }
    settings(selected_).blockLatency = entry.blocks;
    return entry;
}

// 64-bit, since the coefficient and constant come from the registry as they are.
std::uint64_t ReservationModel::latencySamples() const {
    const auto& s = settings(selected_);
    return s.outputConstant + std::uint64_t{s.blockLatency} * s.outputCoefficient * kSamplesPerBlock;
}

std::string ReservationModel::latencyText48k() const {
    return milliseconds(latencySamples(), 48000.0, "%3.1f ms");
}

std::string ReservationModel::latencyText44k() const {
    return milliseconds(latencySamples(), 44100.0, "%#3.1f ms");
}

}  // namespace asiopanel
