#include "mkinstall/LightFiles.h"

#include "mkinstall/DataFiles.h"

#include "platform/platform.h"

#include <cmath>

namespace mkinstall {

const std::vector<SampleLight>& SampleLights() {
    static const std::vector<SampleLight> kLights = {
        {0, 32, 16, 16},  // a candle
        {1, 48, 20, 24},  // a torch
        {2, 80, 31, 40},  // a brazier (the coloured renderer's light of green flames)
        {3, 64, 24, 32},  // a lamp post
        {4, 32, -12, 16}, // a shadow
    };
    return kLights;
}

int SampleLightValue(const SampleLight& light, int x, int y) {
    const double dx = x + 0.5 - light.size / 2.0, dy = y + 0.5 - light.size / 2.0;
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d >= light.radius) return 0;
    return static_cast<int>(std::lround(light.peak * (1.0 - d / light.radius)));
}

LightFilePair MakeLightFiles() {
    LightFilePair files;
    std::vector<const SampleLight*> byId(kLightIndexEntries, nullptr);
    for (const SampleLight& light : SampleLights())
        byId[light.id] = &light;
    for (int id = 0; id < kLightIndexEntries; ++id) {
        const SampleLight* light = byId[id];
        if (!light) {
            files.index += LittleEndian32(-1) + LittleEndian32(0) + std::string(4, '\0');
            continue;
        }
        const int offset = static_cast<int>(files.data.size());
        for (int y = 0; y < light->size; ++y)
            for (int x = 0; x < light->size; ++x)
                files.data += static_cast<char>(static_cast<int8_t>(SampleLightValue(*light, x, y)));
        const int size = light->size;
        files.index += LittleEndian32(offset) + LittleEndian32(size * size) + static_cast<char>(size & 0xFF) +
                       static_cast<char>(size >> 8) + static_cast<char>(size & 0xFF) +
                       static_cast<char>(size >> 8);
    }
    return files;
}

bool WriteLightFiles(const std::string& dir, std::string* error) {
    const LightFilePair files = MakeLightFiles();
    for (const auto& [name, bytes] :
         {std::pair<const char*, const std::string*>{"lightidx.mul", &files.index},
          std::pair<const char*, const std::string*>{"light.mul", &files.data}}) {
        const std::string path = dir + "/" + name;
        if (!platform::AtomicReplaceFile(path, bytes->data(), bytes->size())) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace mkinstall
