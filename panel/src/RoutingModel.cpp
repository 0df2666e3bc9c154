#include "RoutingModel.h"
#include <cstdio>

namespace panel {

namespace {

constexpr Rgb kRouteColours[kRouteChannels] = {
    {128, 255, 255}, {128, 128, 255}, {255, 255, 128}, {128, 255, 128},
    {255, 128, 128}, {255, 128, 255}, {0, 255, 255},   {255, 0, 0},
    {255, 255, 0},   {0, 255, 0},     {255, 255, 255}, {0, 128, 128},
    {0, 0, 128},     {128, 128, 0},   {0, 128, 0},     {128, 0, 0},
};

constexpr RoutingGeometry kInGeometry{64, 316, 146, 128, 39, 148, 10, 39, 20, 142, 163, 170, 143, 150};
constexpr RoutingGeometry kOutGeometry{22, 316, 156, 284, 39, 155, 298, 39, 308, 258, 23, 30, 283, 157};

std::string Format(const char* pattern, int n) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, n);
    return text;
}

// Label patterns of rows 0-7 and rows 8-15, and how many rows of the second
// interface carry channels (8 or 2, the rest unused).
struct FormatLabels {
    const char* first;
    const char* second;
    int secondRows;
};

FormatLabels LabelsFor(RoutingSide side, int format) {
    const bool in = side == RoutingSide::In;
    switch (format) {
    case 0:
    case 5: return {"ADAT A Chan %d", "ADAT B Chan %d", 8};
    case 1:
    case 2: return {"ADAT A Chan %d", "SPDIF B Chan %d", 2};
    case 4:
        return in ? FormatLabels{"Korg 168RC Ch %d", "SPDIF B Ch %d", 2}
                  : FormatLabels{"Korg A Chan %d", "Korg B Chan %d", 8};
    case 6: return {"ADAT A Chan %d", in ? "SPDIF BNC Chan %d" : "BNC SPDIF Chan %d", 2};
    default: return {nullptr, nullptr, 0};
    }
}

}  // namespace

Rgb RouteColour(int k) { return kRouteColours[k & 15]; }

const RoutingGeometry& GeometryFor(RoutingSide side) {
    return side == RoutingSide::In ? kInGeometry : kOutGeometry;
}

std::string PhysicalLabel(RoutingSide side, int format, int row) {
    const int n = row + 1;
    if (format == 3) {
        if (row < 2) return Format("SPDIF A Chan %d", n);
        if (row < 4) return Format("SPDIF B Chan %d", n - 2);
        return "(unused)";
    }
    const FormatLabels labels = LabelsFor(side, format);
    if (!labels.first) return side == RoutingSide::In ? std::string() : Format("(bad format %d)", format);
    if (row < 8) return Format(labels.first, n);
    if (row < 8 + labels.secondRows) return Format(labels.second, n - 8);
    return "(unused)";
}

RoutePath PathFor(RoutingSide side, int column, int row) {
    const RoutingGeometry& g = GeometryFor(side);
    RoutePath p{};
    p.x = g.VerticalX(column);
    p.bottomY = RoutingGeometry::kBottom;
    p.turnY = 57 + 16 * row;
    p.lineY = g.HorizontalY(row);
    p.arcTop = p.lineY;
    p.arcBottom = p.lineY + 20;
    if (side == RoutingSide::In) {
        // The route bends left towards the physical column.
        p.arcLeft = p.x - 20;
        p.arcRight = p.x;
        p.arcStartX = p.x;
        p.arcStartY = p.turnY;
        p.arcEndX = p.x - 10;
        p.arcEndY = p.lineY;
        p.lineFromX = p.x - 10;
        p.lineToX = g.horizontalEndX;
    } else {
        p.arcLeft = p.x;
        p.arcRight = p.x + 20;
        p.arcStartX = p.x + 10;
        p.arcStartY = p.lineY;
        p.arcEndX = p.x;
        p.arcEndY = p.turnY;
        p.lineFromX = p.x + 10;
        p.lineToX = g.horizontalEndX;
    }
    return p;
}

void RoutingModel::Load(const std::uint8_t* table) {
    for (int k = 0; k < kRouteChannels; ++k)
        routes_[k] = table[k] < kRouteChannels ? table[k] : kUnrouted;
    selected_ = -1;
    rowPicked_ = columnPicked_ = false;
    needsRedraw_ = false;
}

void RoutingModel::Store(std::uint8_t* table) const {
    for (int k = 0; k < kRouteChannels; ++k)
        table[k] = static_cast<std::uint8_t>(routes_[k]);
}

bool RoutingModel::Complete() const {
    for (int r : routes_)
        if (r == kUnrouted) return false;
    return true;
}

void RoutingModel::SetDefaults() {
    EndSelectionAndPicks();
    for (int k = 0; k < kRouteChannels; ++k) routes_[k] = k;
}

void RoutingModel::DeleteAll() {
    EndSelectionAndPicks();
    routes_.fill(kUnrouted);
}

bool RoutingModel::DeleteSelected() {
    if (selected_ < 0) return false;
    routes_[selected_] = kUnrouted;
    EndSelectionAndPicks();
    return true;
}

void RoutingModel::Select(int k) {
    if (k == selected_) {
        EndSelectionAndPicks();
        return;
    }
    EndSelectionAndPicks();
    selected_ = k;
}

void RoutingModel::EndSelection() {
    if (selected_ < 0) return;
    selected_ = -1;
    needsRedraw_ = true;
}

void RoutingModel::EndSelectionAndPicks() {
    EndSelection();
    if (rowPicked_ || columnPicked_) {
        rowPicked_ = columnPicked_ = false;
        needsRedraw_ = true;
    }
}

void RoutingModel::PickRow(int r) {
    if (columnPicked_) Connect(pickedColumn_, r);
    else Wait(rowPicked_, pickedRow_, r);
}

void RoutingModel::PickColumn(int j) {
    if (rowPicked_) Connect(j, pickedRow_);
    else Wait(columnPicked_, pickedColumn_, j);
}

void RoutingModel::Connect(int column, int row) {
    routes_[column] = row;
    rowPicked_ = columnPicked_ = false;
    needsRedraw_ = true;
}

// A pick waits for its partner: the waiting one clicked again cancels it,
// another of the same side takes its place.
void RoutingModel::Wait(bool& picked, int& waiting, int index) {
    if (!picked) {
        EndSelectionAndPicks();
        picked = true;
        waiting = index;
    } else if (index == waiting) {
        picked = false;
        needsRedraw_ = true;
    } else {
        waiting = index;
        needsRedraw_ = true;
    }
}

int RoutingModel::FirstRoutedFrom(int row) const {
    for (int k = 0; k < kRouteChannels; ++k)
        if (routes_[k] == row) return k;
    return -1;
}

// The first channel from this row whose vertical lies past the click, on
// the side away from the physical column.
int RoutingModel::FirstRoutedFromBeyond(int row, int x) const {
    for (int k = 0; k < kRouteChannels; ++k) {
        if (routes_[k] != row) continue;
        const bool beyond = side_ == RoutingSide::In ? x < 163 + 15 * k : 22 + 15 * k < x;
        if (beyond) return k;
    }
    return -1;
}

void RoutingModel::SelectOrPickRow(int row) {
    const int k = FirstRoutedFrom(row);
    if (k >= 0) Select(k);
    else PickRow(row);
}

void RoutingModel::PickOrSelectColumn(int col) {
    if (routes_[col] == kUnrouted) PickColumn(col);
    else Select(col);
}

void RoutingModel::Click(int x, int y) {
    if (side_ == RoutingSide::In) ClickIn(x, y);
    else ClickOut(x, y);
}

void RoutingModel::ClickIn(int x, int y) {
    if (!(10 < x && x <= 403 && 40 < y && y <= 424)) return;
    const int row = (y - 40) / 16;
    if (x < 163) {
        if (y < 296) SelectOrPickRow(row);
        else EndSelectionAndPicks();
        return;
    }
    const int col = (x - 163) / 15;
    if (col > 15) {
        EndSelectionAndPicks();
        return;
    }
    if (y > 296) {
        PickOrSelectColumn(col);
        return;
    }
    ClickRoutes(col, row, x, y);
}

void RoutingModel::ClickOut(int x, int y) {
    if (!(22 <= x && x < 416 && 40 < y && y <= 424)) return;
    const int row = (y - 40) / 16;
    if (x > 258 && y < 295) {
        SelectOrPickRow(row);
        return;
    }
    const int col = (x - 22) / 15;
    if (col > 15) {
        EndSelectionAndPicks();
        return;
    }
    if (y >= 297 && x <= 261) {
        PickOrSelectColumn(col);
        return;
    }
    if (y > 294 && x > 264) {
        EndSelectionAndPicks();
        return;
    }
    ClickRoutes(col, row, x, y);
}

// Between the connectors: on column col's vertical below its turn selects
// that route; elsewhere the horizontal of a route from this row, if one
// passes there.
void RoutingModel::ClickRoutes(int col, int row, int x, int y) {
    if (routes_[col] != kUnrouted && 16 * routes_[col] + 40 < y) {
        Select(col);
        return;
    }
    const int k = FirstRoutedFromBeyond(row, x);
    if (k >= 0) Select(k);
    else EndSelectionAndPicks();
}

bool RoutingModel::Tick(bool sheetIsForeground) {
    if (!sheetIsForeground) EndSelectionAndPicks();
    if (!Busy()) return false;
    blink_ = !blink_;
    return true;
}

std::vector<RouteStroke> RoutingModel::Strokes() const {
    std::vector<RouteStroke> strokes;
    for (int k = 0; k < kRouteChannels; ++k)
        if (routes_[k] != kUnrouted && k != selected_) strokes.push_back({k, routes_[k], true, false});
    if (selected_ >= 0 && routes_[selected_] != kUnrouted)
        strokes.push_back({selected_, routes_[selected_], !blink_, blink_});
    return strokes;
}

}  // namespace panel
