#pragma once
// Draws the map's symbols straight into a 24-bit RGB pixel buffer: a repaint of
// a hundred thousand circles and edges costs milliseconds this way, where one
// device-context call per symbol costs seconds. Lines are one pixel wide and
// include both ends; a symbol of radius r covers the pixels whose centres lie
// within r + 1/2 of the centre pixel's, as a circle of radius r outlined with a
// one-pixel pen does. Everything is clipped to the buffer.

#include <cstdint>
#include <vector>

class PixelCanvas {
  public:
    // `rgb` holds width * height pixels of 3 bytes (red, green, blue), row after
    // row from the top: the layout of a wxImage's data.
    PixelCanvas(unsigned char* rgb, int32_t width, int32_t height);

    void SetColour(uint8_t red, uint8_t green, uint8_t blue);
    void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void DrawDisc(int32_t x, int32_t y, int32_t radius);

    // 0xRRGGBB of a pixel inside the buffer.
    uint32_t PixelAt(int32_t x, int32_t y) const;

  private:
    void Plot(int32_t x, int32_t y);
    void Span(int32_t y, int32_t x0, int32_t x1);

    unsigned char* m_rgb;
    int32_t m_width;
    int32_t m_height;
    uint8_t m_colour[3];
    int32_t m_discRadius;
    std::vector<int32_t> m_discHalfWidths;  // per row offset -r..r of the last radius
};
