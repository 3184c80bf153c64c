#pragma once
// Draws the map's symbols straight into a 24-bit RGB pixel buffer: a repaint of
// a hundred thousand circles and edges costs milliseconds this way, where one
// device-context call per symbol costs seconds. Lines are one pixel wide and
// include both ends; a symbol of radius r covers the pixels whose centres lie
// within r + 1/2 of the centre pixel's, as a circle of radius r outlined with a
// one-pixel pen does. Everything is clipped to the buffer.

#include <cstddef>
#include <cstdint>
#include <vector>

class PixelCanvas {
  public:
    // `rgb` holds width * height pixels of 3 bytes (red, green, blue), row after
    // row from the top: the layout of a wxImage's data.
    PixelCanvas(unsigned char* rgb, int32_t width, int32_t height);
    PixelCanvas() : PixelCanvas(nullptr, 0, 0) {}
    // Draws into another buffer from now on, whose rows start `stride` bytes
    // apart (a bitmap's rows may be padded); the working memory is kept.
    void Attach(unsigned char* rgb, int32_t width, int32_t height, int32_t stride = 0);

    void SetColour(uint8_t red, uint8_t green, uint8_t blue);
    void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        // An edge between neighbouring pixels inside the buffer (most edges of
        // a dense track) is its two ends.
        if (Inside(x0, y0) && Inside(x1, y1) && x1 - x0 + 1u <= 2u && y1 - y0 + 1u <= 2u) {
            Put(x0, y0);
            Put(x1, y1);
            return;
        }
        DrawAnyLine(x0, y0, x1, y1);
    }
    void DrawDisc(int32_t x, int32_t y, int32_t radius);

    // Many discs of one radius in the current colour, as DrawDisc draws each:
    // BeginDiscs, AddDisc for every centre, EndDiscs. The centres are only
    // marked until EndDiscs draws them all in one pass over the marked rows, so
    // a disc costs the same whether it is drawn once or a thousand centres fall
    // on its pixel.
    void BeginDiscs(int32_t radius);
    void AddDisc(int32_t x, int32_t y) {
        const int64_t mx = int64_t{x} + m_batchRadius, my = int64_t{y} + m_batchRadius;
        if (mx < 0 || my < 0 || mx >= m_markWidth || my >= m_markHeight) return;
        m_marks[static_cast<size_t>(my) * m_markWords + static_cast<size_t>(mx >> 6)] |=
            uint64_t{1} << (mx & 63);
        m_rowMarked[static_cast<size_t>(my)] = 1;
    }
    void EndDiscs();

    // 0xRRGGBB of a pixel inside the buffer.
    uint32_t PixelAt(int32_t x, int32_t y) const;

  private:
    bool Inside(int32_t x, int32_t y) const {
        return static_cast<uint32_t>(x) < static_cast<uint32_t>(m_width) &&
               static_cast<uint32_t>(y) < static_cast<uint32_t>(m_height);
    }
    void Put(int32_t x, int32_t y) {
        unsigned char* p = m_rgb + static_cast<size_t>(y) * m_stride + static_cast<size_t>(x) * 3;
        p[0] = m_colour[0];
        p[1] = m_colour[1];
        p[2] = m_colour[2];
    }
    void DrawAnyLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void Plot(int32_t x, int32_t y);
    void Span(int32_t y, int32_t x0, int32_t x1);
    void PrepareDisc(int32_t radius);

    unsigned char* m_rgb;
    int32_t m_width;
    int32_t m_height;
    int32_t m_stride;  // bytes from one row to the next
    uint8_t m_colour[3];
    int32_t m_discRadius;
    std::vector<int32_t> m_discHalfWidths;  // per row offset -r..r of the last radius

    // Centres of the discs being batched, one bit per pixel of the buffer
    // widened by the radius on every side (small enough to stay in the cache);
    // all zero outside a batch.
    int32_t m_batchRadius = 0;
    int32_t m_markWidth = 0;
    int32_t m_markHeight = 0;
    int32_t m_markWords = 0;  // 64-bit words per row
    std::vector<uint64_t> m_marks;
    std::vector<uint8_t> m_rowMarked;
    std::vector<int32_t> m_halves;    // the disc's distinct half widths, ascending
    std::vector<uint64_t> m_widened;  // per marked row, widened by each of them
    std::vector<uint64_t> m_covered;  // the covered pixels of one row
};
