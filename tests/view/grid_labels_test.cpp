#include "view/grid_labels.h"

#include <gtest/gtest.h>

#include "view/layer_colours.h"

TEST(GridLabels, MeridianTexts) {
    EXPECT_EQ(MeridianLabelTexts(2.5).bottom, "2^30'00\" E");
    EXPECT_EQ(MeridianLabelTexts(2.5).top, "2.50000");
    EXPECT_EQ(MeridianLabelTexts(-0.5).bottom, "0^30'00\" W");
    EXPECT_EQ(MeridianLabelTexts(-0.5).top, "-0.50000");
    EXPECT_EQ(MeridianLabelTexts(0.0).bottom, "0^00'00\" E");
    EXPECT_EQ(MeridianLabelTexts(0.0).top, "0.00000");
    EXPECT_EQ(MeridianLabelTexts(-180.0).bottom, "180^00'00\" W");
    // A grid value a rounding error below a whole minute still reads as that minute.
    EXPECT_EQ(MeridianLabelTexts(12.0 + 45 * 0.016666666666666666 - 1e-12).bottom, "12^45'00\" E");
}

TEST(GridLabels, ParallelTexts) {
    using Lines = std::array<std::string, 4>;
    EXPECT_EQ(ParallelLabelTexts(-33.75), (Lines{"33^", "45'", "00\"", "S"}));
    EXPECT_EQ(ParallelLabelTexts(0.0), (Lines{"0^", "00'", "00\"", "N"}));
    EXPECT_EQ(ParallelLabelTexts(47.0 + 7.0 / 3600), (Lines{"47^", "00'", "07\"", "N"}));
}

TEST(LayerColours, TwentyFourBaseColoursRepeat) {
    const LayerColour blue = LayerColourOf(0);
    EXPECT_EQ(blue.red, 0);
    EXPECT_EQ(blue.green, 0);
    EXPECT_EQ(blue.blue, 255);
    const LayerColour orange = LayerColourOf(6);
    EXPECT_EQ(orange.red, 255);
    EXPECT_EQ(orange.green, 128);
    EXPECT_EQ(orange.blue, 64);
    EXPECT_EQ(LayerColourRef(3), 0x0000FFu);  // red is the low byte
    for (int i = 0; i < 256; ++i) EXPECT_EQ(LayerColourRef(i), LayerColourRef(i % 24)) << i;
    const LayerColour last = LayerColourOf(23);
    EXPECT_EQ(last.red, 192);
    EXPECT_EQ(last.green, 96);
    EXPECT_EQ(last.blue, 96);
}
