#include "view/pixel_canvas.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(PixelCanvas, LinesIncludeBothEndsInAnyDirection) {
    Buffer b(20, 20);
    b.canvas.DrawLine(2, 3, 12, 3);
    EXPECT_EQ(b.Count(), 11);
    Buffer steep(20, 20);
    steep.canvas.DrawLine(15, 18, 13, 1);  // upward, mostly vertical
    EXPECT_EQ(steep.Count(), 18);          // one pixel per row, both ends included
    Buffer dot(5, 5);
    dot.canvas.DrawLine(2, 2, 2, 2);
    EXPECT_EQ(dot.Count(), 1);
}

TEST(PixelCanvas, FarReachingLinesAreCutToTheBuffer) {
    Buffer b(100, 50);
    // A horizontal edge two million pixels long: only its visible part is drawn.
    b.canvas.DrawLine(-1000000, 25, 1000000, 25);
    EXPECT_EQ(b.Count(), 100);
    // Wholly outside: nothing, and no write outside the buffer.
    b.canvas.DrawLine(-50, -10, 150, -5);
    b.canvas.DrawLine(200, 0, 300, 49);
    EXPECT_EQ(b.Count(), 100);
    // A diagonal through the buffer keeps its slope.
    Buffer d(50, 50);
    d.canvas.DrawLine(-100, -100, 149, 149);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(d.canvas.PixelAt(i, i), kInk) << i;
    EXPECT_EQ(d.Count(), 50);
}

TEST(PixelCanvas, DiscsCoverTheirRadiusAndAreClipped) {
    Buffer b(40, 40);
    b.canvas.DrawDisc(10, 10, 1);
    EXPECT_EQ(b.Count(), 9);  // a 3 x 3 square
    Buffer three(40, 40);
    three.canvas.DrawDisc(20, 20, 3);
    EXPECT_EQ(three.Count(), 37);  // rows of 3, 5, 7, 7, 7, 5, 3 pixels
    EXPECT_NE(three.canvas.PixelAt(23, 23), kInk);
    // At a corner only the inside quarter is drawn; far outside, nothing.
    Buffer corner(10, 10);
    corner.canvas.DrawDisc(0, 0, 3);
    EXPECT_EQ(corner.Count(), 4 + 4 + 3 + 2);  // rows 0..3, columns from 0
    corner.canvas.DrawDisc(-100, 5, 3);
    corner.canvas.DrawDisc(5, 1000, 3);
    EXPECT_EQ(corner.Count(), 13);
}
