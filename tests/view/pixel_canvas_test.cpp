#include "view/pixel_canvas.h"

#include "quorvex_test.h"

namespace {

constexpr uint32_t kInk = 0x00FF00;

// A white RGB buffer and a canvas over it that draws in kInk.
struct Buffer {
    Buffer(int w, int h)
        : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0xFF), canvas(rgb.data(), w, h) {
        canvas.SetColour(0x00, 0xFF, 0x00);
    }
    int Count() const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += canvas.PixelAt(x, y) == kInk;
        return n;
    }
    int width, height;
    std::vector<unsigned char> rgb;
    PixelCanvas canvas;
};

}  // namespace

TEST(PixelCanvas, LinesIncludeBothEndsAndAreCutToTheBuffer) {
    const struct {
        int width, height, x0, y0, x1, y1, drawn;
    } lines[] = {
        {20, 20, 2, 3, 12, 3, 11},
        {20, 20, 15, 18, 13, 1, 18},  // upward, mostly vertical: one pixel per row
        {5, 5, 2, 2, 2, 2, 1},
        // Two million pixels long: only its visible part is drawn.
        {100, 50, -1000000, 25, 1000000, 25, 100},
        // Wholly outside: nothing, and no write outside the buffer.
        {100, 50, -50, -10, 150, -5, 0},
        {100, 50, 200, 0, 300, 49, 0},
        {50, 50, -100, -100, 149, 149, 50},
    };
    for (const auto& l : lines) {
        Buffer b(l.width, l.height);
        b.canvas.DrawLine(l.x0, l.y0, l.x1, l.y1);
        EXPECT_EQ(b.Count(), l.drawn) << l.x0 << "," << l.y0 << " " << l.x1 << "," << l.y1;
    }
    // A diagonal through the buffer keeps its slope.
    Buffer d(50, 50);
    d.canvas.DrawLine(-100, -100, 149, 149);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(d.canvas.PixelAt(i, i), kInk) << i;
}

TEST(PixelCanvas, DiscsCoverTheirRadiusAndAreClipped) {
    const struct {
        int size, x, y, radius, drawn;
    } discs[] = {
        {40, 10, 10, 1, 9},   // a 3 x 3 square
        {40, 20, 20, 3, 37},  // rows of 3, 5, 7, 7, 7, 5, 3 pixels
        {10, 0, 0, 3, 13},    // at a corner only the inside quarter: rows of 4, 4, 3, 2
        {10, -100, 5, 3, 0},  // far outside, nothing
        {10, 5, 1000, 3, 0},
    };
    for (const auto& d : discs) {
        Buffer b(d.size, d.size);
        b.canvas.DrawDisc(d.x, d.y, d.radius);
        EXPECT_EQ(b.Count(), d.drawn) << d.x << "," << d.y;
        if (d.radius == 3 && d.x == 20) EXPECT_NE(b.canvas.PixelAt(23, 23), kInk);
    }
}
