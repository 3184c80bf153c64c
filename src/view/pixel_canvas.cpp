#include "view/pixel_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "view/map_mapping.h"

namespace {

// Larger discs than this (a picture some 80,000 pixels wide) are drawn one by one.
constexpr int32_t kMaxBatchRadius = 254;

// acc |= the bits of `in` moved by s columns either way (bit c of a row is
// column c; columns beyond the row are zero).
void OrShiftedBothWays(uint64_t* __restrict acc, const uint64_t* __restrict in, int32_t words,
                       int32_t s) {
    const int32_t q = s >> 6, b = s & 63;
    for (int32_t i = 0; i < words; ++i) {
        uint64_t moved = 0;
        if (const int32_t j = i - q; j >= 0)  // toward higher columns
            moved |= (in[j] << b) | (b != 0 && j > 0 ? in[j - 1] >> (64 - b) : 0);
        if (const int32_t j = i + q; j < words)  // toward lower columns
            moved |= (in[j] >> b) | (b != 0 && j + 1 < words ? in[j + 1] << (64 - b) : 0);
        acc[i] |= moved;
    }
}

// Paints pixel x of an RGB row for every set bit x + offset of `covered`.
void PaintCovered(unsigned char* row, int32_t width, const uint64_t* covered, int32_t offset,
                  const uint8_t colour[3]) {
    const int32_t first = offset, end = offset + width;
    for (int32_t i = first >> 6; i <= (end - 1) >> 6; ++i) {
        uint64_t bits = covered[i];
        while (bits != 0) {
            const int32_t c = i * 64 + __builtin_ctzll(bits);
            bits &= bits - 1;
            if (c < first || c >= end) continue;
            unsigned char* p = row + static_cast<size_t>(c - offset) * 3;
            p[0] = colour[0];
            p[1] = colour[1];
            p[2] = colour[2];
        }
    }
}

}  // namespace

PixelCanvas::PixelCanvas(unsigned char* rgb, int32_t width, int32_t height)
    : m_rgb(nullptr), m_width(0), m_height(0), m_stride(0), m_colour{0, 0, 0}, m_discRadius(-1) {
    Attach(rgb, width, height);
}

void PixelCanvas::Attach(unsigned char* rgb, int32_t width, int32_t height, int32_t stride) {
    m_rgb = rgb;
    m_width = std::max<int32_t>(width, 0);
    m_height = std::max<int32_t>(height, 0);
    m_stride = std::max<int32_t>(stride, 3 * m_width);
}

void PixelCanvas::SetColour(uint8_t red, uint8_t green, uint8_t blue) {
    m_colour[0] = red;
    m_colour[1] = green;
    m_colour[2] = blue;
}

uint32_t PixelCanvas::PixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const unsigned char* p = m_rgb + static_cast<size_t>(y) * m_stride + static_cast<size_t>(x) * 3;
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

void PixelCanvas::Plot(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    unsigned char* p = m_rgb + static_cast<size_t>(y) * m_stride + static_cast<size_t>(x) * 3;
    p[0] = m_colour[0];
    p[1] = m_colour[1];
    p[2] = m_colour[2];
}

void PixelCanvas::Span(int32_t y, int32_t x0, int32_t x1) {
    if (y < 0 || y >= m_height) return;
    x0 = std::max<int32_t>(x0, 0);
    x1 = std::min<int32_t>(x1, m_width - 1);
    unsigned char* p = m_rgb + static_cast<size_t>(y) * m_stride + static_cast<size_t>(x0) * 3;
    for (int32_t x = x0; x <= x1; ++x, p += 3) {
        p[0] = m_colour[0];
        p[1] = m_colour[1];
        p[2] = m_colour[2];
    }
}

void PixelCanvas::DrawAnyLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
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
    unsigned char* p = m_rgb + static_cast<size_t>(y0) * m_stride + static_cast<size_t>(x0) * 3;
    const ptrdiff_t stepX = 3 * sx, stepY = ptrdiff_t{m_stride} * sy;
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
        // Each marked row widened by each distinct half width of the disc (the
        // smallest first, each built on the one before), then every row of the
        // picture is the union of the 2r + 1 mark rows that reach it, each
        // widened by the half width for its distance.
        m_halves.assign(m_discHalfWidths.begin(), m_discHalfWidths.begin() + r + 1);
        std::sort(m_halves.begin(), m_halves.end());
        m_halves.erase(std::unique(m_halves.begin(), m_halves.end()), m_halves.end());
        const int32_t words = m_markWords, kinds = static_cast<int32_t>(m_halves.size());
        m_widened.resize(static_cast<size_t>(m_markHeight) * kinds * words);
        const auto widened = [&](int32_t my, int32_t kind) {
            return m_widened.data() + (static_cast<size_t>(my) * kinds + kind) * words;
        };
        for (int32_t my = 0; my < m_markHeight; ++my) {
            if (!m_rowMarked[my]) continue;
            int32_t done = 0;
            for (int32_t kind = 0; kind < kinds; ++kind) {
                uint64_t* out = widened(my, kind);
                const uint64_t* from = kind == 0 ? row(my) : widened(my, kind - 1);
                std::copy(from, from + words, out);
                for (int32_t s = done + 1; s <= m_halves[kind]; ++s)
                    OrShiftedBothWays(out, row(my), words, s);
                done = m_halves[kind];
            }
        }
        m_covered.resize(static_cast<size_t>(words));
        for (int32_t y = 0; y < m_height; ++y) {
            bool any = false;
            for (int32_t k = 0; k <= 2 * r; ++k) {
                if (!m_rowMarked[y + k]) continue;
                if (!any) std::fill(m_covered.begin(), m_covered.end(), 0);
                any = true;
                const int32_t kind = static_cast<int32_t>(
                    std::lower_bound(m_halves.begin(), m_halves.end(), m_discHalfWidths[k]) -
                    m_halves.begin());
                const uint64_t* add = widened(y + k, kind);
                for (int32_t i = 0; i < words; ++i) m_covered[i] |= add[i];
            }
            if (any)
                PaintCovered(m_rgb + static_cast<size_t>(y) * m_stride, m_width, m_covered.data(),
                             r, m_colour);
        }
    }
    for (int32_t my = 0; my < m_markHeight; ++my)
        if (m_rowMarked[my]) std::fill(row(my), row(my) + m_markWords, 0);
}
