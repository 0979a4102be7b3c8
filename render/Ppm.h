#pragma once
// Pictures of 5-5-5 pixels as binary PPM (P6), for the viewing tools and golden images: each 5-bit
// channel widened to 8 bits as (c << 3) | (c >> 2); 0 (transparent) is black.
#include <cstdint>
#include <vector>

std::vector<uint8_t> EncodePpm(const uint16_t* pixels, int width, int height);
