#include "ElementPlan.h"

#include <algorithm>
#include <map>

#include "resource.h"

namespace quorvix {

namespace {

// A physical jack and the strip of the same board and k lie 128 names
// apart; an input stream and the output channel of its number, 64.
constexpr int kJackToStrip = IDS_INPUT_CHANNEL_FIRST - IDS_PHYSICAL_IN_FIRST;
constexpr int kStreamToStrip = IDS_OUTPUT_CHANNEL_FIRST - IDS_INPUT_STREAM_FIRST;
static_assert(IDS_OUTPUT_CHANNEL_FIRST - IDS_PHYSICAL_OUT_FIRST == kJackToStrip);

void AddPerBoard(std::vector<ElementSpec>& plan, int boards, ElementKind kind, UINT firstId,
                 int firstEntry) {
    for (int b = 0; b < boards; ++b) {
        for (int k = 0; k < kGroupSize; ++k) {
            ElementSpec e{kind, static_cast<UINT>(firstId + kGroupSize * b + k), b};
            if (firstEntry >= 0) e.entry = firstEntry + k;
            plan.push_back(e);
        }
    }
}

}  // namespace

std::vector<ElementSpec> PlanElements(int boards) {
    boards = std::clamp(boards, 0, kNamedBoards);
    std::vector<ElementSpec> plan;
    plan.push_back({ElementKind::Clock, IDS_INTERNAL_CLOCK});
    AddPerBoard(plan, boards, ElementKind::PhysicalInput, IDS_PHYSICAL_IN_FIRST, -1);
    AddPerBoard(plan, boards, ElementKind::PhysicalOutput, IDS_PHYSICAL_OUT_FIRST, -1);
    AddPerBoard(plan, boards, ElementKind::InputStream, IDS_INPUT_STREAM_FIRST, -1);
    plan.push_back({ElementKind::MonitorBus, IDS_MONITOR_BUS, -1, -1, 2});
    AddPerBoard(plan, boards, ElementKind::InputChannel, IDS_INPUT_CHANNEL_FIRST, kInputEntries);
    AddPerBoard(plan, boards, ElementKind::OutputChannel, IDS_OUTPUT_CHANNEL_FIRST, kOutputEntries);
    plan.push_back({ElementKind::MonitorOutput, IDS_MONITOR_OUT, -1, -1, 2});
    plan.push_back({ElementKind::StreamOutput, IDS_STREAM_OUT_1, -1, -1, 2});
    plan.push_back({ElementKind::StreamOutput, IDS_STREAM_OUT_2, -1, -1, 2});
    return plan;
}

std::vector<std::pair<int, int>> PlanConnections(const std::vector<ElementSpec>& plan) {
    std::map<UINT, int> byName;
    int bus = -1, monitorOut = -1;
    for (int i = 0; i < static_cast<int>(plan.size()); ++i) {
        byName[plan[i].nameId] = i;
        if (plan[i].kind == ElementKind::MonitorBus) bus = i;
        if (plan[i].kind == ElementKind::MonitorOutput) monitorOut = i;
    }
    std::vector<std::pair<int, int>> links;
    auto link = [&](int from, UINT toName) {
        auto to = byName.find(toName);
        if (to != byName.end()) links.emplace_back(from, to->second);
    };
    for (int i = 0; i < static_cast<int>(plan.size()); ++i) {
        const ElementSpec& e = plan[i];
        switch (e.kind) {
        case ElementKind::PhysicalInput: link(i, e.nameId + kJackToStrip); break;
        case ElementKind::InputStream: link(i, e.nameId + kStreamToStrip); break;
        case ElementKind::InputChannel: links.emplace_back(i, bus); break;
        case ElementKind::OutputChannel:
            links.emplace_back(i, bus);
            link(i, e.nameId - kJackToStrip);
            break;
        case ElementKind::MonitorBus: links.emplace_back(i, monitorOut); break;
        default: break;
        }
    }
    return links;
}

}  // namespace quorvix
