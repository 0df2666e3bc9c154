// The element tree a host sees: kinds in creation order, names numbered
// across boards, board entries, and who feeds whom.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ElementPlan.h"
#include "resource.h"

using namespace quorvix;

namespace {

std::vector<ElementKind> KindRuns(const std::vector<ElementSpec>& plan) {
    std::vector<ElementKind> runs;
    for (const ElementSpec& e : plan) {
        if (runs.empty() || runs.back() != e.kind) runs.push_back(e.kind);
    }
    return runs;
}

int Count(const std::vector<ElementSpec>& plan, ElementKind kind) {
    return static_cast<int>(std::count_if(plan.begin(), plan.end(), [&](const ElementSpec& e) { return e.kind == kind; }));
}

int Find(const std::vector<ElementSpec>& plan, UINT nameId) {
    for (size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].nameId == nameId) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

TEST(ElementPlanTest, KindsComeInCreationOrderSixteenPerBoard) {
    using K = ElementKind;
    for (int boards : {0, 1, 2, 4}) {
        std::vector<ElementSpec> plan = PlanElements(boards);
        std::vector<ElementKind> expected = {K::Clock};
        if (boards > 0) expected.insert(expected.end(), {K::PhysicalInput, K::PhysicalOutput, K::InputStream});
        expected.push_back(K::MonitorBus);
        if (boards > 0) expected.insert(expected.end(), {K::InputChannel, K::OutputChannel});
        expected.insert(expected.end(), {K::MonitorOutput, K::StreamOutput});
        EXPECT_EQ(KindRuns(plan), expected) << boards << " boards";
        for (K kind : {K::PhysicalInput, K::PhysicalOutput, K::InputStream, K::InputChannel, K::OutputChannel}) {
            EXPECT_EQ(Count(plan, kind), 16 * boards) << boards << " boards";
        }
        EXPECT_EQ(Count(plan, K::StreamOutput), 2);
    }
    EXPECT_EQ(PlanElements(7).size(), PlanElements(4).size()) << "names exist for four boards only";
}

TEST(ElementPlanTest, NumberedNamesAndBoardEntriesCountAcrossBoards) {
    std::vector<ElementSpec> plan = PlanElements(2);
    // Board 2, interface B channel 3: k = 10.
    const ElementSpec& jack = plan[Find(plan, IDS_PHYSICAL_IN_FIRST + 16 + 10)];
    EXPECT_EQ(jack.kind, ElementKind::PhysicalInput);
    EXPECT_EQ(jack.board, 1);
    EXPECT_EQ(jack.entry, -1);
    const ElementSpec& in = plan[Find(plan, IDS_INPUT_CHANNEL_FIRST + 16 + 10)];
    EXPECT_EQ(in.board, 1);
    EXPECT_EQ(in.entry, 26) << "input channels use entries 16-31";
    const ElementSpec& out = plan[Find(plan, IDS_OUTPUT_CHANNEL_FIRST + 16 + 10)];
    EXPECT_EQ(out.board, 1);
    EXPECT_EQ(out.entry, 10) << "output channels use entries 0-15";
    EXPECT_EQ(plan[Find(plan, IDS_MONITOR_BUS)].channels, 2);
    EXPECT_EQ(plan[Find(plan, IDS_STREAM_OUT_2)].channels, 2);
    EXPECT_EQ(Find(plan, IDS_PHYSICAL_IN_FIRST + 32), -1) << "no third board";
}

TEST(ElementPlanTest, JacksAndStreamsFeedTheirStripsWhichFeedTheBus) {
    std::vector<ElementSpec> plan = PlanElements(2);
    std::multimap<int, int> feeds;
    for (auto [from, to] : PlanConnections(plan)) feeds.emplace(from, to);
    auto fed = [&](int from) {
        std::vector<UINT> names;
        for (auto [it, end] = feeds.equal_range(from); it != end; ++it) names.push_back(plan[it->second].nameId);
        return names;
    };
    const UINT k = 16 + 5;  // board 2, interface A channel 6
    EXPECT_EQ(fed(Find(plan, IDS_PHYSICAL_IN_FIRST + k)), std::vector<UINT>{IDS_INPUT_CHANNEL_FIRST + k});
    EXPECT_EQ(fed(Find(plan, IDS_INPUT_STREAM_FIRST + k)), std::vector<UINT>{IDS_OUTPUT_CHANNEL_FIRST + k});
    EXPECT_EQ(fed(Find(plan, IDS_INPUT_CHANNEL_FIRST + k)), std::vector<UINT>{IDS_MONITOR_BUS});
    EXPECT_EQ(fed(Find(plan, IDS_OUTPUT_CHANNEL_FIRST + k)),
              (std::vector<UINT>{IDS_MONITOR_BUS, IDS_PHYSICAL_OUT_FIRST + k}));
    EXPECT_EQ(fed(Find(plan, IDS_MONITOR_BUS)), std::vector<UINT>{IDS_MONITOR_OUT});
    EXPECT_TRUE(fed(Find(plan, IDS_INTERNAL_CLOCK)).empty());
    EXPECT_EQ(feeds.size(), 32u * 5 + 1);
}
