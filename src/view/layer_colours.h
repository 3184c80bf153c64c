#pragma once
// The drawing colour of each layer: 24 base colours repeated over the 256 layer
// slots, so layers 0, 24, 48, ... share a colour. The map view draws a layer in
// it and the layers bar writes the layer's name in it.

#include <cstdint>

struct LayerColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

constexpr int kBaseLayerColours = 24;

// Colour of the layer with index `layer` (any non-negative index).
LayerColour LayerColourOf(int layer);

// The same colour as a colour reference 0x00BBGGRR (blue in the high byte).
uint32_t LayerColourRef(int layer);
