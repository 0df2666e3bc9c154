#include "RoutingModel.h"
#include <gtest/gtest.h>
#include <numeric>

using namespace panel;

namespace {

// Pixel inside row r's label and inside logical connector j, per page.
constexpr int RowY(int r) { return 40 + 16 * r + 8; }
constexpr int InColumnX(int j) { return 163 + 15 * j + 7; }
constexpr int OutColumnX(int j) { return 22 + 15 * j + 7; }
constexpr int kLabelX[] = {50, 320};
constexpr int kConnectorY = 305;

RoutingModel Identity(RoutingSide side) {
    RoutingModel m(side);
    std::uint8_t table[16];
    std::iota(table, table + 16, 0);
    m.Load(table);
    return m;
}

}  // namespace

TEST(RoutingModel, StoredBytesBeyondTheConnectorsShowUnrouted) {
    RoutingModel m(RoutingSide::In);
    std::uint8_t table[16];
    std::iota(table, table + 16, 0);
    table[3] = 16;
    table[9] = 255;
    m.Load(table);
    EXPECT_EQ(m.Route(3), kUnrouted);
    EXPECT_EQ(m.Route(9), kUnrouted);
    EXPECT_FALSE(m.Complete());
    m.SetDefaults();
    ASSERT_TRUE(m.Complete());
    std::uint8_t out[16] = {};
    m.Store(out);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(out[k], k);
}

TEST(RoutingModel, PicksPairARowWithAColumnInEitherOrder) {
    for (RoutingSide side : {RoutingSide::In, RoutingSide::Out}) {
        const int label = kLabelX[side == RoutingSide::Out];
        auto column = [&](int j) { return side == RoutingSide::In ? InColumnX(j) : OutColumnX(j); };
        RoutingModel m(side);
        m.DeleteAll();
        m.Click(label, RowY(2));
        EXPECT_TRUE(m.RowPicked());
        m.Click(label, RowY(2));       // the waiting row again cancels
        EXPECT_FALSE(m.RowPicked());
        m.Click(label, RowY(2));
        m.Click(label, RowY(6));       // another row moves the pick
        EXPECT_EQ(m.PickedRow(), 6);
        m.Click(column(5), kConnectorY);
        EXPECT_EQ(m.Route(5), 6);
        EXPECT_FALSE(m.RowPicked() || m.ColumnPicked());

        m.Click(column(7), kConnectorY);
        EXPECT_TRUE(m.ColumnPicked());
        m.Click(column(8), kConnectorY);
        EXPECT_EQ(m.PickedColumn(), 8);
        m.Click(label, RowY(1));
        EXPECT_EQ(m.Route(8), 1);
        EXPECT_EQ(m.Route(7), kUnrouted);
        m.DeleteAll();
        EXPECT_FALSE(m.Complete());
    }
}

TEST(RoutingModel, ARoutedLabelOrConnectorSelectsItsRoute) {
    for (RoutingSide side : {RoutingSide::In, RoutingSide::Out}) {
        const int label = kLabelX[side == RoutingSide::Out];
        auto column = [&](int j) { return side == RoutingSide::In ? InColumnX(j) : OutColumnX(j); };
        RoutingModel m = Identity(side);
        m.Click(label, RowY(3));
        EXPECT_EQ(m.Selected(), 3);
        EXPECT_FALSE(m.RowPicked());   // a routed row cannot be picked by its label
        m.Click(label, RowY(3));
        EXPECT_EQ(m.Selected(), -1);
        m.Click(column(4), kConnectorY);
        EXPECT_EQ(m.Selected(), 4);
        m.Click(column(9), kConnectorY);
        EXPECT_EQ(m.Selected(), 9);
        EXPECT_TRUE(m.DeleteSelected());
        EXPECT_EQ(m.Route(9), kUnrouted);
        EXPECT_EQ(m.Selected(), -1);
        EXPECT_FALSE(m.DeleteSelected());
    }
}

TEST(RoutingModel, InRoutingRouteAreaHitsVerticalsAndHorizontals) {
    RoutingModel m(RoutingSide::In);
    m.DeleteAll();
    m.PickColumn(10);
    m.PickRow(2);                        // channel 11 from row 2
    m.Click(InColumnX(0), RowY(2));      // on its horizontal, left of its vertical
    EXPECT_EQ(m.Selected(), 10);
    m.Click(InColumnX(11), RowY(2));     // right of its vertical: nothing there
    EXPECT_EQ(m.Selected(), -1);
    m.Click(InColumnX(10), RowY(9));     // on the vertical below the turn
    EXPECT_EQ(m.Selected(), 10);
    m.Click(InColumnX(10), RowY(0));     // above the turn: nothing
    EXPECT_EQ(m.Selected(), -1);

    m.Select(10);
    m.Click(5, RowY(2));                 // outside the page's area: ignored
    EXPECT_EQ(m.Selected(), 10);
    m.Click(100, 300);                   // below the labels: ends the selection
    EXPECT_EQ(m.Selected(), -1);
    m.Select(10);
    m.Click(403, RowY(2));               // right of the last column
    EXPECT_EQ(m.Selected(), -1);
}

TEST(RoutingModel, OutRoutingRouteAreaHitsVerticalsAndHorizontals) {
    RoutingModel m(RoutingSide::Out);
    m.DeleteAll();
    m.PickRow(5);
    m.PickColumn(2);                     // channel 3 to row 5
    m.Click(OutColumnX(5), RowY(5));     // on its horizontal, right of its vertical
    EXPECT_EQ(m.Selected(), 2);
    m.Click(OutColumnX(1), RowY(5));     // left of its vertical
    EXPECT_EQ(m.Selected(), -1);
    m.Click(OutColumnX(2), RowY(12));
    EXPECT_EQ(m.Selected(), 2);
    m.Click(270, 300);                   // below the connectors' column
    EXPECT_EQ(m.Selected(), -1);
    m.Select(2);
    m.Click(20, RowY(5));                // outside
    EXPECT_EQ(m.Selected(), 2);
}

TEST(RoutingModel, ARowFeedingSeveralChannelsSelectsTheFirstPassingUnderTheClick) {
    for (RoutingSide side : {RoutingSide::In, RoutingSide::Out}) {
        const bool in = side == RoutingSide::In;
        auto column = [&](int j) { return in ? InColumnX(j) : OutColumnX(j); };
        RoutingModel m(side);
        m.DeleteAll();
        for (int channel : {3, 8}) {
            m.PickRow(2);
            m.PickColumn(channel);
        }
        // In Routing runs left from each vertical, Out Routing right.
        m.Click(column(5), RowY(2));
        EXPECT_EQ(m.Selected(), in ? 8 : 3);
        m.Click(column(1), RowY(2));
        EXPECT_EQ(m.Selected(), in ? 3 : -1);
        m.Click(column(10), RowY(2));
        EXPECT_EQ(m.Selected(), in ? -1 : 3);

        m.Select(8);
        m.Click(column(5), kConnectorY);   // an unrouted channel waits instead
        EXPECT_EQ(m.Selected(), -1);
        EXPECT_TRUE(m.ColumnPicked());
        EXPECT_EQ(m.PickedColumn(), 5);
    }
}

TEST(RoutingModel, TimerEndsWorkWhenTheSheetLosesTheForegroundAndBlinksTheSelection) {
    RoutingModel m = Identity(RoutingSide::In);
    EXPECT_FALSE(m.Tick(true));
    m.Select(4);
    EXPECT_TRUE(m.Tick(true));
    std::vector<RouteStroke> strokes = m.Strokes();
    ASSERT_EQ(strokes.size(), 16u);
    EXPECT_EQ(strokes.back().column, 4);             // the selection on top
    EXPECT_EQ(strokes.back().buttonFace, m.Blink());
    EXPECT_EQ(strokes.back().outline, !m.Blink());
    EXPECT_TRUE(m.Tick(false));                      // one last repaint
    EXPECT_EQ(m.Selected(), -1);
    m.Painted();
    EXPECT_FALSE(m.Tick(true));

    m.DeleteAll();
    m.PickRow(3);
    m.Tick(true);
    EXPECT_EQ(m.HighlightedRow(), m.Blink() ? -1 : 3);
    EXPECT_EQ(m.HighlightedColumn(), -1);
}

TEST(RoutingLabels, EachFormatNamesItsConnectors) {
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 0, 15), "ADAT B Chan 8");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 2, 9), "SPDIF B Chan 2");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 2, 10), "(unused)");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 3, 2), "SPDIF B Chan 1");
    EXPECT_EQ(PhysicalLabel(RoutingSide::Out, 3, 4), "(unused)");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 4, 0), "Korg 168RC Ch 1");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 4, 8), "SPDIF B Ch 1");
    EXPECT_EQ(PhysicalLabel(RoutingSide::Out, 4, 15), "Korg B Chan 8");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 6, 8), "SPDIF BNC Chan 1");
    EXPECT_EQ(PhysicalLabel(RoutingSide::Out, 6, 9), "BNC SPDIF Chan 2");
    EXPECT_EQ(PhysicalLabel(RoutingSide::Out, 7, 0), "(bad format 7)");
    EXPECT_EQ(PhysicalLabel(RoutingSide::In, 200, 0), "");
}

// What a page draws must be what a click finds: a route's vertical below its
// turn and its horizontal, which runs towards the rows, up to the labels.
TEST(RoutingGeometry, EveryRouteIsSelectedWhereItIsDrawn) {
    for (RoutingSide side : {RoutingSide::In, RoutingSide::Out}) {
        const int towardsRows = side == RoutingSide::In ? -1 : 1;
        const int labelsEdge = side == RoutingSide::In ? 163 : 258;
        for (int column = 0; column < 16; ++column) {
            for (int row = 0; row < 16; ++row) {
                RoutingModel m(side);
                m.DeleteAll();
                m.PickRow(row);
                m.PickColumn(column);
                const RoutePath p = PathFor(side, column, row);
                ASSERT_GT((p.lineToX - p.x) * towardsRows, 0) << column << "," << row;
                std::vector<std::pair<int, int>> drawn;
                for (int y = p.turnY + 1; y < kConnectorY - 10; y += 3) drawn.push_back({p.x, y});
                for (int x = p.lineFromX; (labelsEdge - x) * towardsRows >= 0; x += 3 * towardsRows)
                    drawn.push_back({x, p.lineY});
                for (auto [x, y] : drawn) {
                    m.Click(x, y);
                    ASSERT_EQ(m.Selected(), column) << column << "," << row << " at " << x << "," << y;
                    m.EndSelectionAndPicks();
                }
            }
        }
    }
}
