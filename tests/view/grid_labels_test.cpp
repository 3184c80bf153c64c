#include "view/grid_labels.h"

#include <gtest/gtest.h>

#include "view/layer_colours.h"

TEST(GridLabels, MeridianAndParallelTexts) {
    const struct {
        double longitude;
        const char *bottom, *top;
    } meridians[] = {
        {2.5, "2°30'00\" E", "2.50000"},
        {-0.5, "0°30'00\" W", "-0.50000"},
        {0.0, "0°00'00\" E", "0.00000"},
        {-180.0, "180°00'00\" W", "-180.00000"},
        // A grid value a rounding error below a whole minute still reads as that minute.
        {12.0 + 45 * 0.016666666666666666 - 1e-12, "12°45'00\" E", "12.75000"},
    };
    for (const auto& m : meridians) {
        EXPECT_EQ(MeridianLabelTexts(m.longitude).bottom, m.bottom);
        EXPECT_EQ(MeridianLabelTexts(m.longitude).top, m.top);
    }
    using Lines = std::array<std::string, 4>;
    EXPECT_EQ(ParallelLabelTexts(-33.75), (Lines{"33°", "45'", "00\"", "S"}));
    EXPECT_EQ(ParallelLabelTexts(0.0), (Lines{"0°", "00'", "00\"", "N"}));
    EXPECT_EQ(ParallelLabelTexts(47.0 + 7.0 / 3600), (Lines{"47°", "00'", "07\"", "N"}));
}

TEST(LayerColours, TwentyFourBaseColoursRepeat) {
    EXPECT_EQ(LayerColourRef(0), 0xFF0000u);  // blue; red is the low byte
    EXPECT_EQ(LayerColourRef(3), 0x0000FFu);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(LayerColourRef(i), LayerColourRef(i % 24)) << i;
}
