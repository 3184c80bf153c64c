#include "view/map_mapping.h"

#include <algorithm>
#include <cmath>

#include "layers/geometry_store.h"

namespace {

// Device coordinates within this reach are drawn as they are: every device
// (cairo's fixed-point paths included) takes them.
constexpr int32_t kNearLimit = 1 << 21;

}  // namespace

bool CutSegmentToBox(double x, double y, double dx, double dy, double left, double top,
                     double right, double bottom, double& t0, double& t1) {
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x - left, right - x, y - top, bottom - y};
    t0 = 0.0;
    t1 = 1.0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to this side and beyond it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    return t0 <= t1;  // false also for NaN
}

DeviceRect NormalisedRect(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y) {
    return {std::min(anchorX, x), std::min(anchorY, y), std::max(anchorX, x), std::max(anchorY, y)};
}

void MapMapping::SetViewWindow(double xMin, double yMin, double xMax, double yMax) {
    m_viewXMin = xMin;
    m_viewXMax = xMax;
    m_viewYMin = yMin;
    m_viewYMax = yMax;
}

void MapMapping::NormaliseViewWindow() {
    const double width = std::fabs(m_viewXMax - m_viewXMin);
    const double height = std::fabs(m_viewYMax - m_viewYMin);
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isfinite(m_viewXMin) ||
        !std::isfinite(m_viewYMin)) {
        // No usable window at all: show the whole world rather than draw with NaN.
        SetViewWindow(-180.0, -90.0, 180.0, 90.0);
        return;
    }
    if (width == 0.0 && height == 0.0) {
        // A single position (one point, a rubber band of no size) has no scale in
        // either direction; widen the window around it.
        SetViewWindow(m_viewXMin - kPointWindowHalfSize, m_viewYMin - kPointWindowHalfSize,
                      m_viewXMax + kPointWindowHalfSize, m_viewYMax + kPointWindowHalfSize);
    }
}

void MapMapping::PrepareMapping(int32_t width, int32_t height) {
    NormaliseViewWindow();
    const int32_t w = std::max<int32_t>(width, 0);
    const int32_t h = std::max<int32_t>(height, 0);

    m_flipHeight = h;
    // The horizontal margin comes from the height and the vertical one from the
    // width. A very wide or very tall area would leave nothing (or less) between
    // the margins; the margins then shrink so that one pixel is left.
    m_marginX = h / 20;
    m_marginY = w / 20;
    if (w - 2 * m_marginX < 1) m_marginX = std::max<int32_t>(0, (w - 1) / 2);
    if (h - 2 * m_marginY < 1) m_marginY = std::max<int32_t>(0, (h - 1) / 2);
    const double usableX = std::max<int32_t>(1, w - 2 * m_marginX);
    const double usableY = std::max<int32_t>(1, h - 2 * m_marginY);

    // One zero side makes its quotient infinite; the other side then decides.
    const double sx = usableX / std::fabs(m_viewXMax - m_viewXMin);
    const double sy = usableY / std::fabs(m_viewYMax - m_viewYMin);
    m_scale = sx < sy ? sx : sy;

    m_originX = m_viewXMin;
    m_originY = m_viewYMin;
    m_gridInterval = GridIntervalFor(w, m_scale);
}

double MapMapping::DeviceToWorldX(int32_t px) const {
    return (px - m_marginX) / m_scale + m_originX;
}

double MapMapping::DeviceToWorldY(int32_t py) const {
    const int32_t q = m_flipHeight != 0 ? m_flipHeight - py : py;
    return (q - m_marginY) / m_scale + m_originY;
}

double MapMapping::DeviceOffsetX(double x) const {
    return (x - m_originX) * m_scale + m_marginX;
}

double MapMapping::DeviceOffsetY(double y) const {
    const double v = (y - m_originY) * m_scale + m_marginY;
    return m_flipHeight != 0 ? m_flipHeight - v : v;
}

bool MapMapping::EdgeToDevice(double x0, double y0, double x1, double y1, const DeviceRect& clip,
                              int32_t device[4]) const {
    device[0] = WorldToDeviceX(x0);
    device[1] = WorldToDeviceY(y0);
    device[2] = WorldToDeviceX(x1);
    device[3] = WorldToDeviceY(y1);
    // Both ends beyond the same side of the clip box: nothing of the edge shows.
    if ((device[0] < clip.left && device[2] < clip.left) ||
        (device[0] >= clip.right && device[2] >= clip.right) ||
        (device[1] < clip.top && device[3] < clip.top) ||
        (device[1] >= clip.bottom && device[3] >= clip.bottom))
        return false;
    bool near = true;
    for (int i = 0; i < 4; ++i) near = near && device[i] > -kNearLimit && device[i] < kNearLimit;
    if (near) return true;

    // Liang-Barsky: cut the edge, in unrounded device coordinates, to the clip box
    // widened by a pixel so that the cut ends lie just outside what shows.
    const double ax = DeviceOffsetX(x0), ay = DeviceOffsetY(y0);
    const double dx = DeviceOffsetX(x1) - ax, dy = DeviceOffsetY(y1) - ay;
    double t0 = 0.0, t1 = 1.0;
    if (!CutSegmentToBox(ax, ay, dx, dy, clip.left - 1.0, clip.top - 1.0, clip.right + 1.0,
                         clip.bottom + 1.0, t0, t1))
        return false;
    device[0] = ToDevice(ax + t0 * dx);
    device[1] = ToDevice(ay + t0 * dy);
    device[2] = ToDevice(ax + t1 * dx);
    device[3] = ToDevice(ay + t1 * dy);
    return true;
}

void MapMapping::ZoomToDeviceRect(const DeviceRect& rect) {
    // Device y grows downward, so the bottom edge is the southern one.
    SetViewWindow(DeviceToWorldX(rect.left), DeviceToWorldY(rect.bottom),
                  DeviceToWorldX(rect.right), DeviceToWorldY(rect.top));
}

void MapMapping::ZoomAbout(int32_t px, int32_t py, double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    const double x = DeviceToWorldX(px);
    const double y = DeviceToWorldY(py);
    // The scale follows the window's size, and the window's south-west corner
    // sits on the origin: scaling the corners about (x, y) keeps (x, y) in place.
    SetViewWindow(x - (x - m_viewXMin) * factor, y - (y - m_viewYMin) * factor,
                  x + (m_viewXMax - x) * factor, y + (m_viewYMax - y) * factor);
}

void MapMapping::PanByDevice(int32_t dx, int32_t dy) {
    if (!(m_scale > 0.0) || !std::isfinite(m_scale)) return;
    const double east = -dx / m_scale;
    // Device y grows downward on a flipped area (the screen), upward otherwise.
    const double north = (m_flipHeight != 0 ? dy : -dy) / m_scale;
    SetViewWindow(m_viewXMin + east, m_viewYMin + north, m_viewXMax + east, m_viewYMax + north);
}

double MapMapping::GridIntervalFor(int32_t width, double scale) {
    double fifth = 0.2 * width / scale;
    if (!(fifth > 0.0)) return 0.0;  // no width, or NaN
    // Any fifth beyond a full turn gives the same single meridian; keep the
    // whole-degree part within an integer.
    if (fifth > 1.0e6) fifth = 1.0e6;
    int32_t degrees = 0;
    double minutes = 0.0;
    double seconds = 0.0;
    GeometryStore::SplitDegrees(fifth, degrees, minutes, seconds);
    if (degrees >= 1) return degrees;
    if (minutes >= 1.0) return std::trunc(minutes) * 0.016666666666666666;
    return std::trunc(seconds) * 0.0002777777777777778;
}

int32_t MapMapping::SymbolRadius(int32_t clipRight) {
    const int32_t r = static_cast<int32_t>(0.003 * clipRight + 0.5);
    return r < 1 ? 1 : r;
}

std::vector<GridLine> MapMapping::VisibleMeridians(const DeviceRect& clip) const {
    return VisibleLines(-180.0, 180.0, DeviceToWorldX(-1), DeviceToWorldX(clip.right), clip.right,
                        true);
}

std::vector<GridLine> MapMapping::VisibleParallels(const DeviceRect& clip) const {
    return VisibleLines(-90.0, 90.0, DeviceToWorldY(-1), DeviceToWorldY(clip.bottom), clip.bottom,
                        false);
}

std::vector<GridLine> MapMapping::VisibleLines(double first, double last, double lowValue,
                                               double highValue, int32_t limit,
                                               bool meridians) const {
    std::vector<GridLine> lines;
    const double interval = m_gridInterval;
    if (!(interval > 0.0) || !std::isfinite(interval)) return lines;
    if (lowValue > highValue) std::swap(lowValue, highValue);

    // The last grid value not beyond `last`, allowing for the rounding of k * interval.
    constexpr double kTolerance = 1e-9;
    double kMax = std::floor((last - first) / interval);
    if (first + (kMax + 1.0) * interval <= last + kTolerance) kMax += 1.0;
    while (kMax > 0.0 && first + kMax * interval > last + kTolerance) kMax -= 1.0;

    // The device coordinate is monotonic in the value and the low and high values
    // bound the visible ones; one step of slack each way covers truncation.
    double kLow = std::floor((lowValue - first) / interval) - 1.0;
    double kHigh = std::ceil((highValue - first) / interval) + 1.0;
    if (!(kLow > 0.0)) kLow = 0.0;
    if (!(kHigh < kMax)) kHigh = kMax;

    for (int64_t k = static_cast<int64_t>(kLow); k <= static_cast<int64_t>(kHigh); ++k) {
        const double value = first + static_cast<double>(k) * interval;
        const int32_t device = meridians ? WorldToDeviceX(value) : WorldToDeviceY(value);
        if (device >= 0 && device < limit) lines.push_back({value, device});
    }
    return lines;
}
