#pragma once
// The arithmetic of the map view, free of any window: how the view window (a
// rectangle of the world in decimal degrees) is fitted into a drawing area of
// device pixels, the conversions between the two, the grid spacing and the
// grid lines that fall inside a clip box. The map view runs PrepareMapping at
// every drawing, on the screen or on a page, and converts with its results.

#include <cstdint>
#include <vector>

// A device rectangle; right and bottom are the first pixels outside it.
struct DeviceRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The rectangle spanned by a drag from (anchorX, anchorY) to (x, y), whichever
// way the drag went.
DeviceRect NormalisedRect(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y);

// Cuts the segment from (x, y) along (dx, dy) to the box [left, right] x
// [top, bottom] (Liang-Barsky): the part inside runs from x + t0 * dx to
// x + t1 * dx (likewise for y), 0 <= t0 <= t1 <= 1. False when no part is inside.
bool CutSegmentToBox(double x, double y, double dx, double dy, double left, double top,
                     double right, double bottom, double& t0, double& t1);

// One grid line: its value in degrees and its device coordinate (x of a
// meridian, y of a parallel).
struct GridLine {
    double value;
    int32_t device;
};

class MapMapping {
  public:
    // Half the width and height given to a view window that has neither, so that
    // a single position is shown around its centre instead of dividing by zero.
    static constexpr double kPointWindowHalfSize = 0.01;

    // Sets the view window from an extent (the store's total extent, a zoom).
    void SetViewWindow(double xMin, double yMin, double xMax, double yMax);

    // Computes margins, scale, origin and grid spacing for a drawing area whose
    // right edge is `width` and bottom edge is `height`. A screen flips device y
    // (counted down from the top); flipHeight = height does that, as on paper.
    void PrepareMapping(int32_t width, int32_t height);

    // Inline: a repaint converts every point of every layer shown.
    int32_t WorldToDeviceX(double x) const {
        return ToDevice((x - m_originX) * m_scale) + m_marginX;
    }
    int32_t WorldToDeviceY(double y) const {
        const int32_t v = ToDevice((y - m_originY) * m_scale) + m_marginY;
        return m_flipHeight != 0 ? m_flipHeight - v : v;
    }
    double DeviceToWorldX(int32_t px) const;
    double DeviceToWorldY(int32_t py) const;

    // Device coordinates of the edge from (x0, y0) to (x1, y1) for drawing into
    // `clip`: false when the edge lies wholly beside the clip box. Ends within
    // reach convert as WorldToDevice does; an edge reaching far outside (a deep
    // zoom) is first cut along its own line at the border of the clip box, so
    // that it keeps its direction and every device can take the coordinates.
    bool EdgeToDevice(double x0, double y0, double x1, double y1, const DeviceRect& clip,
                      int32_t device[4]) const;

    // The view window that a rubber band covering `rect` (device pixels of the
    // last mapping, left <= right, top <= bottom) stands for.
    void ZoomToDeviceRect(const DeviceRect& rect);

    // Makes the view window `factor` times as wide and high (below 1 zooms in)
    // about the device pixel (px, py) of the last mapping: the position under
    // that pixel stays where it is.
    void ZoomAbout(int32_t px, int32_t py, double factor);
    // Moves the view window so that the map moves by (dx, dy) device pixels of
    // the last mapping (dx > 0: the map moves right, dy > 0: down).
    void PanByDevice(int32_t dx, int32_t dy);

    // Meridians -180 + k * interval (up to 180) whose device x lies in
    // [0, clip.right), and parallels -90 + k * interval (up to 90) whose device y
    // lies in [0, clip.bottom), in increasing value. Only the values that can fall
    // inside the clip box are visited, so a one-second grid costs a handful of
    // steps, and each value is computed from k so that no error accumulates.
    std::vector<GridLine> VisibleMeridians(const DeviceRect& clip) const;
    std::vector<GridLine> VisibleParallels(const DeviceRect& clip) const;

    // Grid spacing in degrees for a drawing area `width` pixels wide at `scale`
    // pixels per degree: a fifth of the visible width truncated to whole
    // degrees, else whole minutes, else whole seconds; 0 when below one second.
    static double GridIntervalFor(int32_t width, double scale);

    // Radius of the point symbols from the right edge of the clip box.
    static int32_t SymbolRadius(int32_t clipRight);

    // The view window, in degrees.
    double m_viewXMin = 0.0;
    double m_viewXMax = 0.0;
    double m_viewYMin = 0.0;
    double m_viewYMax = 0.0;

    // Results of the last PrepareMapping.
    double m_gridInterval = 0.0;
    double m_originX = 0.0;
    double m_originY = 0.0;
    int32_t m_marginX = 10;
    int32_t m_marginY = 10;
    int32_t m_flipHeight = 0;
    double m_scale = 1.0;

  private:
    // Device offsets beyond this many pixels are clamped before they become a
    // 32-bit integer: a position far outside a deeply zoomed window would
    // otherwise overflow the conversion. Nothing that far out is visible on any
    // device.
    static constexpr double kDeviceLimit = 1.0e9;
    static int32_t ToDevice(double offset) {
        if (!(offset > -kDeviceLimit)) return static_cast<int32_t>(-kDeviceLimit);  // also NaN
        if (offset > kDeviceLimit) return static_cast<int32_t>(kDeviceLimit);
        return static_cast<int32_t>(offset);  // truncates toward zero
    }

    void NormaliseViewWindow();
    double DeviceOffsetX(double x) const;
    double DeviceOffsetY(double y) const;
    std::vector<GridLine> VisibleLines(double first, double last, double lowValue, double highValue,
                                       int32_t limit, bool meridians) const;
};
