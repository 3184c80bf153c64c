#include "view/pixel_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "view/map_mapping.h"

namespace {

// Distances to the nearest centre are kept in a byte; larger discs than this
// are drawn one by one.
constexpr int32_t kMaxBatchRadius = 254;

// covered[x] |= (reach[x] <= half) for the n pixels of a row; a function of its
// own so that the compiler vectorises it.
void CoverRow(uint8_t* __restrict covered, const uint8_t* __restrict reach, int32_t n,
              uint8_t half) {
    for (int32_t x = 0; x < n; ++x) covered[x] |= static_cast<uint8_t>(reach[x] <= half);
}

// Paints the pixels of an RGB row whose `covered` byte is set.
void PaintCovered(unsigned char* __restrict p, const uint8_t* __restrict covered, int32_t n,
                  const uint8_t colour[3]) {
    const uint8_t red = colour[0], green = colour[1], blue = colour[2];
    for (int32_t x = 0; x < n; ++x, p += 3) {
        if (!covered[x]) continue;
        p[0] = red;
        p[1] = green;
        p[2] = blue;
    }
}

}  // namespace

PixelCanvas::PixelCanvas(unsigned char* rgb, int32_t width, int32_t height)
    : m_rgb(nullptr), m_width(0), m_height(0), m_colour{0, 0, 0}, m_discRadius(-1) {
    Attach(rgb, width, height);
}

void PixelCanvas::Attach(unsigned char* rgb, int32_t width, int32_t height) {
    m_rgb = rgb;
    m_width = std::max<int32_t>(width, 0);
    m_height = std::max<int32_t>(height, 0);
}

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

    // Bresenham, both ends included. An edge wholly inside (nearly all of them)
    // writes its pixels without checking each one.
    const int32_t dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int32_t dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int32_t error = dx + dy;
    if (!inside) {
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
        return;
    }
    unsigned char* p = m_rgb + (static_cast<size_t>(y0) * m_width + x0) * 3;
    const ptrdiff_t stepX = 3 * sx, stepY = ptrdiff_t{3} * m_width * sy;
    for (;;) {
        p[0] = m_colour[0];
        p[1] = m_colour[1];
        p[2] = m_colour[2];
        if (x0 == x1 && y0 == y1) break;
        const int32_t e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
            p += stepX;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
            p += stepY;
        }
    }
}

void PixelCanvas::PrepareDisc(int32_t radius) {
    if (radius == m_discRadius) return;
    m_discRadius = radius;
    m_discHalfWidths.assign(static_cast<size_t>(2 * radius + 1), 0);
    const double reach = (radius + 0.5) * (radius + 0.5);
    for (int32_t dy = -radius; dy <= radius; ++dy)
        m_discHalfWidths[dy + radius] = static_cast<int32_t>(std::sqrt(reach - double(dy) * dy));
}

void PixelCanvas::DrawDisc(int32_t x, int32_t y, int32_t radius) {
    if (radius < 0) radius = 0;
    if (x + radius < 0 || x - radius >= m_width || y + radius < 0 || y - radius >= m_height) return;
    PrepareDisc(radius);
    for (int32_t dy = -radius; dy <= radius; ++dy) {
        const int32_t half = m_discHalfWidths[dy + radius];
        Span(y + dy, x - half, x + half);
    }
}

void PixelCanvas::BeginDiscs(int32_t radius) {
    m_batchRadius = std::max<int32_t>(radius, 0);
    m_markWidth = m_width + 2 * m_batchRadius;
    m_markHeight = m_height + 2 * m_batchRadius;
    m_markWords = (m_markWidth + 63) / 64;
    // The marks are all zero between batches, so a larger buffer only grows them.
    const size_t words = static_cast<size_t>(m_markWords) * m_markHeight;
    if (m_marks.size() < words) m_marks.resize(words, 0);
    m_rowMarked.assign(static_cast<size_t>(m_markHeight), 0);
}

void PixelCanvas::EndDiscs() {
    const int32_t r = m_batchRadius, width = m_markWidth;
    const auto row = [&](int32_t my) {
        return m_marks.data() + static_cast<size_t>(my) * m_markWords;
    };
    const auto marked = [](const uint64_t* marks, int32_t mx) {
        return (marks[mx >> 6] >> (mx & 63)) & 1;
    };
    if (r > kMaxBatchRadius) {
        for (int32_t my = 0; my < m_markHeight; ++my)
            for (int32_t mx = 0; m_rowMarked[my] && mx < width; ++mx)
                if (marked(row(my), mx)) DrawDisc(mx - r, my - r, r);
    } else {
        PrepareDisc(r);
        // Per cell of a marked row, how far the nearest mark of that row lies
        // (at most r + 1, farther than any disc reaches).
        m_reach.resize(static_cast<size_t>(width) * m_markHeight);
        const uint8_t far = static_cast<uint8_t>(r + 1);
        for (int32_t my = 0; my < m_markHeight; ++my) {
            if (!m_rowMarked[my]) continue;
            const uint64_t* marks = row(my);
            uint8_t* reach = m_reach.data() + static_cast<size_t>(my) * width;
            uint8_t d = far;
            for (int32_t mx = 0; mx < width; ++mx) {
                d = marked(marks, mx) ? 0 : static_cast<uint8_t>(d < far ? d + 1 : far);
                reach[mx] = d;
            }
            d = far;
            for (int32_t mx = width - 1; mx >= 0; --mx) {
                d = marked(marks, mx) ? 0 : static_cast<uint8_t>(d < far ? d + 1 : far);
                reach[mx] = std::min(reach[mx], d);
            }
        }
        // Pixel (x, y) is covered by a centre dy rows away whose row has a mark
        // within the disc's half width for dy; centre row y + k - r is mark row y + k.
        const int32_t w = m_width, h = m_height;
        m_covered.resize(static_cast<size_t>(w));
        for (int32_t y = 0; y < h; ++y) {
            bool any = false;
            for (int32_t k = 0; k <= 2 * r; ++k) {
                if (!m_rowMarked[y + k]) continue;
                if (!any) std::fill(m_covered.begin(), m_covered.end(), 0);
                any = true;
                CoverRow(m_covered.data(), m_reach.data() + static_cast<size_t>(y + k) * width + r,
                         w, static_cast<uint8_t>(m_discHalfWidths[k]));
            }
            if (any)
                PaintCovered(m_rgb + static_cast<size_t>(y) * w * 3, m_covered.data(), w, m_colour);
        }
    }
    for (int32_t my = 0; my < m_markHeight; ++my)
        if (m_rowMarked[my]) std::fill(row(my), row(my) + m_markWords, 0);
}
