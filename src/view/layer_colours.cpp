#include "view/layer_colours.h"

namespace {

// Colour references 0x00BBGGRR.
constexpr uint32_t kBaseColours[kBaseLayerColours] = {
    0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x4080FF, 0x8080FF,
    0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x80FFFF, 0x0080FF, 0x404080,
    0x400000, 0x004000, 0x404000, 0x000040, 0x400040, 0x80C0C0, 0x3060C0, 0x6060C0,
};

}  // namespace

uint32_t LayerColourRef(int layer) {
    const int index = layer < 0 ? 0 : layer % kBaseLayerColours;
    return kBaseColours[index];
}

LayerColour LayerColourOf(int layer) {
    const uint32_t ref = LayerColourRef(layer);
    return {static_cast<uint8_t>(ref & 0xFF), static_cast<uint8_t>((ref >> 8) & 0xFF),
            static_cast<uint8_t>((ref >> 16) & 0xFF)};
}
