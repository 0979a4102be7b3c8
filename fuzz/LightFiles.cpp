// "lightidx.mul" and "light.mul" through both light renderers. The first two bytes give the index's
// length; the index follows, the rest is "light.mul". Eight sources whose ids, graphics and centres
// come from the first index bytes shine over a 100 x 60 picture with block edges inside it.
#include "core/QVReport.h"
#include "render/Light.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        return true;
    }();
    (void)once;
    if (size < 2) return 0;
    size_t indexLength = static_cast<size_t>(data[0] | (data[1] << 8));
    data += 2;
    size -= 2;
    if (indexLength > size) indexLength = size;
    // Copies, so that a read past either file is caught at its own end.
    const std::vector<uint8_t> index(data, data + indexLength), bytes(data + indexLength, data + size);
    thelightthingie::UseBytes(index.data(), index.size(), bytes.data(), bytes.size());

    constexpr int kW = 100, kH = 60;
    static const int kGraphics[] = {0, 2560, 3948, 15874, 3629, 3676, 6587, 5703};
    LightFrame frame;
    frame.levels = LightLevels{indexLength % 40 > 31 ? 20 : static_cast<int>(indexLength % 40), 0,
                               (indexLength & 1) != 0, false};
    for (int i = 0; i < 8; ++i) {
        const uint8_t a = i < static_cast<int>(index.size()) ? index[i] : static_cast<uint8_t>(i * 37);
        frame.lights.push_back(PlacedLight{(a * 3) % 160 - 30, (a * 7) % 110 - 10, a % 12, kGraphics[i]});
    }
    // The picture is made once and copied per input (a fill loop per input is traced per pixel).
    static const std::vector<uint16_t> kPicture = [] {
        std::vector<uint16_t> p(kW * kH);
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<uint16_t>(i * 2654435761u >> 17);
        return p;
    }();
    std::vector<uint16_t> pixels(kPicture);
    const BlitTarget target = MakeBlitTarget(pixels.data(), kW, kH);
    ApplyLightsTo(target, Rect{0, 0, kW, kH}, frame);
    ApplyLightsColoredTo(target, Rect{3, 5, kW - 7, kH}, frame);
    thelightthingie::UseBytes(nullptr, 0, nullptr, 0);
    return 0;
}
