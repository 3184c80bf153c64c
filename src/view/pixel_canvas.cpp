#include "view/pixel_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "view/map_mapping.h"

PixelCanvas::PixelCanvas(unsigned char* rgb, int32_t width, int32_t height)
    : m_rgb(rgb),
      m_width(std::max<int32_t>(width, 0)),
      m_height(std::max<int32_t>(height, 0)),
      m_colour{0, 0, 0},
      m_discRadius(-1) {}

void PixelCanvas::SetColour(uint8_t red, uint8_t green, uint8_t blue) {
    m_colour[0] = red;
    m_colour[1] = green;
    m_colour[2] = blue;
}

uint32_t PixelCanvas::PixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const unsigned char* p = m_rgb + (static_cast<size_t>(y) * m_width + x) * 3;
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

void PixelCanvas::Plot(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    unsigned char* p = m_rgb + (static_cast<size_t>(y) * m_width + x) * 3;
    p[0] = m_colour[0];
    p[1] = m_colour[1];
    p[2] = m_colour[2];
}

void PixelCanvas::Span(int32_t y, int32_t x0, int32_t x1) {
    if (y < 0 || y >= m_height) return;
    x0 = std::max<int32_t>(x0, 0);
    x1 = std::min<int32_t>(x1, m_width - 1);
    unsigned char* p = m_rgb + (static_cast<size_t>(y) * m_width + x0) * 3;
    for (int32_t x = x0; x <= x1; ++x, p += 3) {
        p[0] = m_colour[0];
        p[1] = m_colour[1];
        p[2] = m_colour[2];
    }
}

void PixelCanvas::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    // An edge reaching outside is first cut to the buffer (widened by a pixel),
    // so a long edge of a deep zoom costs no more than its visible part.
    const bool inside = x0 >= 0 && x0 < m_width && y0 >= 0 && y0 < m_height && x1 >= 0 &&
                        x1 < m_width && y1 >= 0 && y1 < m_height;
    if (!inside) {
        const double ax = x0, ay = y0;
        const double dx = double(x1) - x0, dy = double(y1) - y0;
        double t0 = 0.0, t1 = 1.0;
        if (!CutSegmentToBox(ax, ay, dx, dy, -1.0, -1.0, m_width, m_height, t0, t1)) return;
        x0 = static_cast<int32_t>(std::lround(ax + t0 * dx));
        y0 = static_cast<int32_t>(std::lround(ay + t0 * dy));
        x1 = static_cast<int32_t>(std::lround(ax + t1 * dx));
        y1 = static_cast<int32_t>(std::lround(ay + t1 * dy));
    }

    // Bresenham, both ends included.
    const int32_t dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int32_t dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int32_t error = dx + dy;
    for (;;) {
        Plot(x0, y0);
        if (x0 == x1 && y0 == y1) break;
        const int32_t e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

void PixelCanvas::DrawDisc(int32_t x, int32_t y, int32_t radius) {
    if (radius < 0) radius = 0;
    if (x + radius < 0 || x - radius >= m_width || y + radius < 0 || y - radius >= m_height) return;
    if (radius != m_discRadius) {
        m_discRadius = radius;
        m_discHalfWidths.assign(static_cast<size_t>(2 * radius + 1), 0);
        const double reach = (radius + 0.5) * (radius + 0.5);
        for (int32_t dy = -radius; dy <= radius; ++dy)
            m_discHalfWidths[dy + radius] =
                static_cast<int32_t>(std::sqrt(reach - double(dy) * dy));
    }
    for (int32_t dy = -radius; dy <= radius; ++dy) {
        const int32_t half = m_discHalfWidths[dy + radius];
        Span(y + dy, x - half, x + half);
    }
}
