#include "view/pixel_canvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t kInk = 0x00FF00;

struct Buffer {
    Buffer(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0xFF) {}
    PixelCanvas Canvas() {
        PixelCanvas canvas(rgb.data(), width, height);
        canvas.SetColour(0x00, 0xFF, 0x00);
        return canvas;
    }
    int Count(const PixelCanvas& canvas) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += canvas.PixelAt(x, y) == kInk;
        return n;
    }
    int width;
    int height;
    std::vector<unsigned char> rgb;
};

}  // namespace

TEST(PixelCanvas, LinesIncludeBothEndsInAnyDirection) {
    Buffer b(20, 20);
    PixelCanvas c = b.Canvas();
    c.DrawLine(2, 3, 12, 3);
    EXPECT_EQ(b.Count(c), 11);
    EXPECT_EQ(c.PixelAt(2, 3), kInk);
    EXPECT_EQ(c.PixelAt(12, 3), kInk);

    Buffer steep(20, 20);
    PixelCanvas s = steep.Canvas();
    s.DrawLine(15, 18, 13, 1);      // upward, mostly vertical
    EXPECT_EQ(steep.Count(s), 18);  // one pixel per row
    EXPECT_EQ(s.PixelAt(15, 18), kInk);
    EXPECT_EQ(s.PixelAt(13, 1), kInk);

    Buffer dot(5, 5);
    PixelCanvas d = dot.Canvas();
    d.DrawLine(2, 2, 2, 2);
    EXPECT_EQ(dot.Count(d), 1);
}

TEST(PixelCanvas, FarReachingLinesAreCutToTheBuffer) {
    Buffer b(100, 50);
    PixelCanvas c = b.Canvas();
    // A horizontal edge two million pixels long: only its visible part is drawn.
    c.DrawLine(-1000000, 25, 1000000, 25);
    EXPECT_EQ(b.Count(c), 100);
    // Wholly outside: nothing, and no write outside the buffer.
    c.DrawLine(-50, -10, 150, -5);
    c.DrawLine(200, 0, 300, 49);
    EXPECT_EQ(b.Count(c), 100);
    // A diagonal through the buffer keeps its slope.
    Buffer d(50, 50);
    PixelCanvas diagonal = d.Canvas();
    diagonal.DrawLine(-100, -100, 149, 149);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(diagonal.PixelAt(i, i), kInk) << i;
    EXPECT_EQ(d.Count(diagonal), 50);
}

TEST(PixelCanvas, DiscsCoverTheirRadiusAndAreClipped) {
    Buffer b(40, 40);
    PixelCanvas c = b.Canvas();
    c.DrawDisc(10, 10, 1);
    EXPECT_EQ(b.Count(c), 9);  // a 3 x 3 square
    Buffer three(40, 40);
    PixelCanvas t = three.Canvas();
    t.DrawDisc(20, 20, 3);
    // Rows of 3, 5, 7, 7, 7, 5, 3 pixels.
    EXPECT_EQ(three.Count(t), 37);
    EXPECT_EQ(t.PixelAt(23, 20), kInk);
    EXPECT_NE(t.PixelAt(24, 20), kInk);
    EXPECT_NE(t.PixelAt(23, 23), kInk);
    // At a corner only the inside quarter is drawn.
    Buffer corner(10, 10);
    PixelCanvas k = corner.Canvas();
    k.DrawDisc(0, 0, 3);
    EXPECT_EQ(corner.Count(k), 4 + 4 + 3 + 2);  // rows 0..3, columns from 0
    k.DrawDisc(-100, 5, 3);
    k.DrawDisc(5, 1000, 3);
}
