#pragma once
// The routing pages' rules, free of windows: which logical channel takes
// which physical row, what a click at a point means, and what to draw.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace panel {

inline constexpr int kRouteChannels = 16;
inline constexpr int kUnrouted = -1;

enum class RoutingSide { In, Out };

struct Rgb {
    std::uint8_t r, g, b;
};

// Colour of the route of logical channel k (0-based).
Rgb RouteColour(int k);

// Pixel positions of one page's picture, connectors and routes.
struct RoutingGeometry {
    int backgroundX, backgroundY, backgroundId;
    int columnX, columnY, columnId;
    int labelBackX, labelBackY;
    int labelX;
    int rowConnectorX;
    int firstColumnX;       // left edge of logical connector 0
    int firstVerticalX;     // vertical part of route 0
    int horizontalEndX;     // where a route meets the physical connectors
    int rowHighlightId;
    static constexpr int kColumnStep = 15, kRowStep = 16, kTop = 39, kBottom = 315;
    static constexpr int kLogicalConnectorY = 290;
    static constexpr int kRowNormalId = 152, kColumnNormalId = 154, kColumnHighlightId = 153;
    static constexpr int kLabelBackId = 151;

    int LabelY(int row) const { return 40 + kRowStep * row; }
    int RowConnectorY(int row) const { return kTop + kRowStep * row; }
    int ColumnConnectorX(int col) const { return firstColumnX + kColumnStep * col; }
    int VerticalX(int col) const { return firstVerticalX + kColumnStep * col; }
    int HorizontalY(int row) const { return 47 + kRowStep * row; }
};

const RoutingGeometry& GeometryFor(RoutingSide side);

// Label of physical row (0-15) for a board format. Formats above 6 have no
// labels: In Routing reports the bad format instead, Out Routing names it.
std::string PhysicalLabel(RoutingSide side, int format, int row);

// One route's path as a page draws it: up from the bottom edge, a quarter
// circle, then across to the physical connector.
struct RoutePath {
    int x;                        // the vertical
    int bottomY, turnY;           // vertical from bottomY up to turnY
    int arcLeft, arcTop, arcRight, arcBottom;
    int arcStartX, arcStartY, arcEndX, arcEndY;   // counter-clockwise
    int lineY, lineFromX, lineToX;
};
RoutePath PathFor(RoutingSide side, int column, int row);

// One stroke of the route drawing, in drawing order.
struct RouteStroke {
    int column;
    int row;
    bool outline;        // a 5-pixel black pen first
    bool buttonFace;     // the selected route's blink phase
};

class RoutingModel {
public:
    explicit RoutingModel(RoutingSide side) : side_(side) {}

    // A stored byte above 15 names no connector: shown as unrouted.
    void Load(const std::uint8_t* table);
    void Store(std::uint8_t* table) const;
    bool Complete() const;

    int Route(int k) const { return routes_[k]; }
    int Selected() const { return selected_; }
    bool RowPicked() const { return rowPicked_; }
    bool ColumnPicked() const { return columnPicked_; }
    int PickedRow() const { return pickedRow_; }
    int PickedColumn() const { return pickedColumn_; }
    bool Blink() const { return blink_; }
    bool Busy() const { return selected_ >= 0 || rowPicked_ || columnPicked_ || needsRedraw_; }

    // Buttons; each returns with the selection and picks ended.
    void SetDefaults();
    void DeleteAll();
    bool DeleteSelected();   // true when a route was removed

    void Select(int k);
    void EndSelection();
    void EndSelectionAndPicks();
    void PickRow(int r);
    void PickColumn(int j);

    // A left click at client pixel (x, y).
    void Click(int x, int y);

    // 250 ms tick. Returns true when the page should repaint.
    bool Tick(bool sheetIsForeground);

    // Routes to draw, the selected one last so its blink shows on top.
    std::vector<RouteStroke> Strokes() const;
    // A paint has shown the state; the blink may rest until something waits.
    void Painted() { needsRedraw_ = false; }
    // Connector to draw highlighted: the waiting row or column in the dark
    // phase of the blink, -1 for none.
    int HighlightedRow() const { return rowPicked_ && !blink_ ? pickedRow_ : -1; }
    int HighlightedColumn() const { return columnPicked_ && !blink_ ? pickedColumn_ : -1; }

private:
    void Connect(int column, int row);
    void Wait(bool& picked, int& waiting, int index);
    int FirstRoutedFrom(int row) const;
    int FirstRoutedFromBeyond(int row, int x) const;
    void SelectOrPickRow(int row);
    void PickOrSelectColumn(int col);
    void ClickIn(int x, int y);
    void ClickOut(int x, int y);
    void ClickRoutes(int col, int row, int x, int y);

    RoutingSide side_;
    std::array<int, kRouteChannels> routes_{};
    int selected_ = -1;
    bool rowPicked_ = false, columnPicked_ = false;
    int pickedRow_ = -1, pickedColumn_ = -1;
    bool needsRedraw_ = false;
    bool blink_ = false;
};

}  // namespace panel
