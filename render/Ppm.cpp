#include "render/Ppm.h"

#include <string>

std::vector<uint8_t> EncodePpm(const uint16_t* pixels, int width, int height) {
    if (width < 0 || height < 0 || !pixels) width = height = 0;
    std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    out.reserve(out.size() + count * 3);
    for (size_t i = 0; i < count; ++i) {
        for (int shift : {10, 5, 0}) {
            int c = (pixels[i] >> shift) & 31;
            out.push_back(static_cast<uint8_t>((c << 3) | (c >> 2)));
        }
    }
    return out;
}
