#include "view/map_mapping.h"

#include "quorvex_test.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "view/grid_labels.h"
#include "view/pixel_canvas.h"

namespace {

MapMapping Prepared(double xMin, double yMin, double xMax, double yMax, int w, int h) {
    MapMapping m;
    m.SetViewWindow(xMin, yMin, xMax, yMax);
    m.PrepareMapping(w, h);
    return m;
}

constexpr uint32_t kInk = 0x00FF00;

// A white RGB buffer and a canvas over it that draws in kInk.
struct Buffer {
    Buffer(int w, int h) : rgb(static_cast<size_t>(w) * h * 3, 0xFF), canvas(rgb.data(), w, h) {
        canvas.SetColour(0x00, 0xFF, 0x00);
    }
    int Count() const {
        int n = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            n += rgb[i] == 0 && rgb[i + 1] == 0xFF && rgb[i + 2] == 0;
        return n;
    }
    std::vector<unsigned char> rgb;
    PixelCanvas canvas;
};

}  // namespace

TEST(MapMapping, PlacesTheSouthWestCornerTruncatesInvertsAndZoomsToABand) {
    // 1000 x 500: horizontal margin from the height, vertical margin from the width.
    // sx = 950 / 100 = 9.5, sy = 400 / 50 = 8: the tighter one serves both axes; the
    // room left over lies to the east, not centred.
    MapMapping m = Prepared(0.0, 0.0, 100.0, 50.0, 1000, 500);
    EXPECT_DOUBLE_EQ(m.m_scale, 8.0);
    EXPECT_EQ(
        std::vector<int>({m.m_marginX, m.m_marginY, m.WorldToDeviceX(0.0), m.WorldToDeviceY(0.0),
                          m.WorldToDeviceX(100.0), m.WorldToDeviceY(50.0)}),
        std::vector<int>({25, 50, 25, 450, 825, 50}));

    m = Prepared(10.0, 20.0, 20.0, 30.0, 420, 420);  // margins 21, scale 37.8
    // Slightly west of the origin truncates toward zero, onto the margin itself.
    EXPECT_EQ(m.WorldToDeviceX(10.0 - 0.5 / m.m_scale), m.m_marginX);
    for (int px = 0; px < 420; px += 7) {
        EXPECT_NEAR(m.WorldToDeviceX(m.DeviceToWorldX(px)), px, 1);
        EXPECT_NEAR(m.WorldToDeviceY(m.DeviceToWorldY(px)), px, 1);
    }
    // A drawing area without height counts device y upward.
    m = Prepared(0.0, 0.0, 10.0, 10.0, 200, 0);
    EXPECT_LT(m.WorldToDeviceY(0.0), m.WorldToDeviceY(10.0));

    // A rubber band gives the same window drawn in either direction: device x 100
    // is (100 - 50) / 9 degrees east; the bottom edge is the south.
    for (const DeviceRect band :
         {NormalisedRect(100, 200, 300, 500), NormalisedRect(300, 500, 100, 200)}) {
        m = Prepared(0.0, 0.0, 100.0, 100.0, 1000, 1000);
        m.ZoomToDeviceRect(band);
        EXPECT_EQ(std::vector<double>({m.m_viewXMin, m.m_viewXMax, m.m_viewYMin, m.m_viewYMax}),
                  std::vector<double>({50.0 / 9.0, 250.0 / 9.0, 450.0 / 9.0, 750.0 / 9.0}));
    }
}

TEST(MapMapping, DegenerateWindowsAndAreasKeepAFinitePositiveScale) {
    // All points on one meridian: the scale comes from the height.
    MapMapping meridian = Prepared(5.0, 0.0, 5.0, 10.0, 1000, 1000);
    EXPECT_DOUBLE_EQ(meridian.m_scale, 90.0);
    EXPECT_EQ(meridian.WorldToDeviceX(5.0), 50);

    // A single position (or a rubber band of no size) is widened around its centre.
    MapMapping point = Prepared(7.0, 45.0, 7.0, 45.0, 1000, 1000);
    EXPECT_DOUBLE_EQ(point.m_viewXMin, 7.0 - MapMapping::kPointWindowHalfSize);
    EXPECT_NEAR(point.WorldToDeviceX(7.0), 500, 1);
    EXPECT_NEAR(point.WorldToDeviceY(45.0), 500, 1);
    EXPECT_GT(point.m_gridInterval, 0.0);
    MapMapping band = Prepared(0.0, 0.0, 100.0, 100.0, 1000, 1000);
    band.ZoomToDeviceRect(NormalisedRect(400, 400, 400, 400));
    band.PrepareMapping(1000, 1000);
    EXPECT_NEAR(band.WorldToDeviceX(band.DeviceToWorldX(400)), 400, 1);

    // A window that was never set to anything usable shows the world.
    MapMapping nan = Prepared(NAN, 0.0, 1.0, 1.0, 100, 100);
    EXPECT_DOUBLE_EQ(nan.m_viewXMin, -180.0);
    EXPECT_TRUE(std::isfinite(nan.m_scale));

    // More than ten times as wide as high: W / 20 margins would leave a negative height.
    MapMapping wide = Prepared(0.0, 0.0, 10.0, 10.0, 2000, 50);
    EXPECT_LE(wide.WorldToDeviceY(0.0), 50);
    EXPECT_GE(wide.WorldToDeviceY(10.0), 0);
    EXPECT_LT(wide.WorldToDeviceY(10.0), wide.WorldToDeviceY(0.0));

    // A window of no size at all (a minimised frame) divides by nothing.
    MapMapping none = Prepared(0.0, 0.0, 10.0, 10.0, 0, 0);
    EXPECT_GT(none.m_scale, 0.0);
    EXPECT_TRUE(std::isfinite(none.DeviceToWorldX(5)));
}

TEST(MapMapping, FarPositionsInADeepZoomSaturateAndEdgesKeepTheirDirection) {
    MapMapping m = Prepared(0.0, 0.0, 1e-7, 1e-7, 1000, 1000);
    EXPECT_TRUE(m.WorldToDeviceX(179.0) > 0 && m.WorldToDeviceX(-179.0) < 0);
    EXPECT_TRUE(m.WorldToDeviceY(89.0) < 0 && m.WorldToDeviceY(-89.0) > 1000);

    const DeviceRect clip{0, 0, 1000, 1000};
    int32_t d[4];
    // An ordinary edge converts exactly as its two ends do; one wholly west is skipped.
    MapMapping near = Prepared(0.0, 0.0, 10.0, 10.0, 1000, 1000);
    ASSERT_TRUE(near.EdgeToDevice(1.0, 2.0, 3.0, 4.0, clip, d));
    EXPECT_EQ(std::vector<int32_t>(d, d + 4),
              (std::vector<int32_t>{near.WorldToDeviceX(1.0), near.WorldToDeviceY(2.0),
                                    near.WorldToDeviceX(3.0), near.WorldToDeviceY(4.0)}));
    EXPECT_FALSE(near.EdgeToDevice(-50.0, 2.0, -40.0, 8.0, clip, d));

    // Zoomed to a millionth of a degree, an edge across the globe through the
    // middle of the window is cut at the clip box and stays on its line.
    MapMapping deep = Prepared(5.0, 5.0, 5.000001, 5.000001, 1000, 1000);
    ASSERT_TRUE(deep.EdgeToDevice(-170.0, 5.0000005, 170.0, 5.0000005, clip, d));
    EXPECT_GE(d[0], -1);
    EXPECT_LE(d[2], 1001);
    EXPECT_LT(d[0], d[2]);
    EXPECT_EQ(d[1], d[3]);
    EXPECT_NEAR(d[1], deep.WorldToDeviceY(5.0000005), 1);
    ASSERT_TRUE(deep.EdgeToDevice(-80.0, -80.0 + 0.0000005, 90.0, 90.0 + 0.0000005, clip, d));
    EXPECT_NEAR(static_cast<double>(d[3] - d[1]) / (d[2] - d[0]), -1.0, 0.01);
}

TEST(GridSpacing, WholeDegreesMinutesOrSecondsOfAFifthOfTheWidth) {
    const double minute = 0.016666666666666666, second = 0.0002777777777777778;
    const std::pair<double, double> rows[] = {
        // pixels per degree over 1000 px, spacing
        {10.0, 20.0},
        {250.0, 48 * minute},  // 0.8 degree, as the product with 1/60
        {400.0, 30 * minute},
        {1000.0 / 38.0, 7.0},  // 38 degrees wide gives 7, not a rounded series
        {100000.0, 7 * second},
        {1.0e6, 0.0},  // below one second: no grid
    };
    for (const auto& [scale, interval] : rows)
        EXPECT_EQ(MapMapping::GridIntervalFor(1000, scale), interval) << scale;
    EXPECT_EQ(MapMapping::GridIntervalFor(0, 10.0), 0.0);
    // PrepareMapping takes the spacing from the whole width, margins included.
    EXPECT_EQ(Prepared(0.0, 0.0, 90.0, 90.0, 1000, 1000).m_gridInterval, 20.0);

    EXPECT_EQ(std::vector<int>({MapMapping::SymbolRadius(1000), MapMapping::SymbolRadius(1280),
                                MapMapping::SymbolRadius(0)}),
              std::vector<int>({3, 4, 1}));
}

// The visible grid lines are those the loops over the whole globe would give.
TEST(GridLines, SameLinesAsTheWholeGlobeLoops) {
    const DeviceRect clip{0, 0, 1000, 700};
    const double windows[][4] = {
        {-180.0, -90.0, 180.0, 90.0},              // the world: 72-degree meridians
        {-10.0, 30.0, 40.0, 60.0},                 // degrees
        {-122.5, 37.2, -121.9, 37.9},              // minutes
        {151.2001, -33.8702, 151.2021, -33.8690},  // seconds
        {0.0, 0.0, 2.0, 100.0},                    // tall window beyond the pole
    };
    for (const auto& w : windows) {
        MapMapping m = Prepared(w[0], w[1], w[2], w[3], clip.right, clip.bottom);
        ASSERT_GT(m.m_gridInterval, 0.0);
        for (bool meridians : {true, false}) {
            SCOPED_TRACE(std::to_string(w[0]) + (meridians ? " meridians" : " parallels"));
            std::vector<GridLine> reference;
            const double last = meridians ? 180.0 : 90.0;
            for (int64_t k = 0; - last + k * m.m_gridInterval <= last + 1e-9; ++k) {
                const double v = -last + k * m.m_gridInterval;
                const int32_t d = meridians ? m.WorldToDeviceX(v) : m.WorldToDeviceY(v);
                if (d >= 0 && d < (meridians ? clip.right : clip.bottom))
                    reference.push_back({v, d});
            }
            std::vector<GridLine> visible =
                meridians ? m.VisibleMeridians(clip) : m.VisibleParallels(clip);
            ASSERT_EQ(visible.size(), reference.size());
            for (size_t i = 0; i < visible.size(); ++i)
                EXPECT_TRUE(visible[i].device == reference[i].device &&
                            visible[i].value == reference[i].value)
                    << i;
        }
    }
}

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

    // A row of 30-minute meridians, each computed from -180, reads whole half degrees.
    MapMapping m = Prepared(-2.5, -1.0, 2.5, 1.0, 1000, 1000);
    m.m_gridInterval = MapMapping::GridIntervalFor(1000, 400.0);
    std::string bottoms;
    for (const GridLine& line : m.VisibleMeridians({0, 0, 1000, 1000}))
        if (line.value > -2.6 && line.value < 2.6)
            bottoms += MeridianLabelTexts(line.value).bottom + " ";
    EXPECT_EQ(bottoms,
              "2°30'00\" W 2°00'00\" W 1°30'00\" W 1°00'00\" W 0°30'00\" W 0°00'00\" E "
              "0°30'00\" E 1°00'00\" E 1°30'00\" E 2°00'00\" E 2°30'00\" E ");
}

// Lines include both ends; lines and discs are cut to the buffer.
TEST(PixelCanvas, LinesAndDiscsCoverTheirPixelsInsideTheBufferOnly) {
    const struct {
        int width, height, x0, y0, x1, y1;  // y1 -1: a disc of radius x1 about (x0, y0)
        int drawn;
    } shapes[] = {
        {20, 20, 2, 3, 12, 3, 11},
        {20, 20, 15, 18, 13, 1, 18},  // upward, mostly vertical: one pixel per row
        {5, 5, 2, 2, 2, 2, 1},
        {5, 5, 4, 3, 3, 4, 2},  // neighbours: the two ends
        {5, 5, 4, 4, 5, 5, 1},  // one end outside
        // Two million pixels long: only its visible part is drawn.
        {100, 50, -1000000, 25, 1000000, 25, 100},
        // Wholly outside: nothing, and no write outside the buffer.
        {100, 50, -50, -10, 150, -5, 0},
        {100, 50, 200, 0, 300, 49, 0},
        {50, 50, -100, -100, 149, 149, 50},
        {40, 40, 10, 10, 1, -1, 9},   // a 3 x 3 square
        {40, 40, 20, 20, 3, -1, 37},  // rows of 3, 5, 7, 7, 7, 5, 3 pixels
        {10, 10, 0, 0, 3, -1, 13},    // at a corner only the inside quarter: rows of 4, 4, 3, 2
        {10, 10, -100, 5, 3, -1, 0},  // far outside, nothing
        {10, 10, 5, 1000, 3, -1, 0},
    };
    for (const auto& l : shapes) {
        Buffer b(l.width, l.height);
        if (l.y1 == -1)
            b.canvas.DrawDisc(l.x0, l.y0, l.x1);
        else
            b.canvas.DrawLine(l.x0, l.y0, l.x1, l.y1);
        EXPECT_EQ(b.Count(), l.drawn) << l.x0 << "," << l.y0 << " " << l.x1 << "," << l.y1;
    }
    // A diagonal through the buffer keeps its slope; a disc of radius 3 has no corners.
    Buffer d(50, 50);
    d.canvas.DrawLine(-100, -100, 149, 149);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(d.canvas.PixelAt(i, i), kInk) << i;
    d.canvas.DrawLine(30, 10, 31, 11);
    EXPECT_EQ(d.canvas.PixelAt(31, 11), kInk);
    d.canvas.DrawDisc(20, 30, 3);
    EXPECT_NE(d.canvas.PixelAt(23, 33), kInk);

    // Discs in a batch, and lines, drawn into rows padded to a longer stride (a
    // bitmap's) get the pixels of plain rows drawn one by one, however many
    // discs share a centre or reach past the edge; one canvas serves batch
    // after batch (radius 300 takes the one-by-one path).
    std::mt19937 random(7);
    PixelCanvas padded;
    padded.SetColour(0x00, 0xFF, 0x00);
    for (int radius : {0, 1, 4, 70, 2, 300}) {
        std::uniform_int_distribution<int> at(-radius - 3, 40 + radius + 3);
        Buffer one(40, 30);
        std::vector<unsigned char> rows(30 * 125, 0xFF);
        padded.Attach(rows.data(), 40, 30, 125);
        padded.BeginDiscs(radius);
        for (int i = 0; i < 60; ++i) {
            const int x = at(random), y = at(random);
            one.canvas.DrawDisc(x, y, radius);
            padded.AddDisc(x, y);
            padded.AddDisc(x, y);
        }
        padded.EndDiscs();
        const int x0 = at(random), y0 = at(random), x1 = at(random), y1 = at(random);
        for (PixelCanvas* c : {&padded, &one.canvas}) {
            c->DrawLine(x0, y0, x1, y1);
            c->DrawLine(3, 4, 4, 5);
        }
        for (int y = 0; y < 30; ++y)
            EXPECT_TRUE(std::equal(one.rgb.begin() + y * 120, one.rgb.begin() + y * 120 + 120,
                                   rows.begin() + y * 125))
                << radius << " " << y;
    }
}
