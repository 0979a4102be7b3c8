// Renders one line of text of an installation through the client's own fonts.
// Usage: textview INSTALL_DIR (font N | unifont N) TEXT OUT.ppm [--hue N]
#include "core/QVReport.h"
#include "textview/TextRender.h"

#include "core/FileManager.h"
#include "platform/platform.h"
#include "render/HueManager.h"
#include "render/Ppm.h"
#include "text/FontManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: textview INSTALL_DIR (font N | unifont N) TEXT OUT.ppm [--hue N]\n");
    return 2;
}

bool ParseNumber(const char* text, int max, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (!*text || *end || v < 0 || v > max) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    if (argc != 6 && argc != 8) return Usage();
    textview::Request request;
    std::string kind = argv[2];
    if (kind == "font")
        request.kind = textview::FontKind::Bitmap;
    else if (kind == "unifont")
        request.kind = textview::FontKind::Unicode;
    else
        return Usage();
    if (!ParseNumber(argv[3], 255, request.font)) return Usage();
    request.text = argv[4];
    const char* out = argv[5];
    if (argc == 8) {
        if (std::strcmp(argv[6], "--hue") != 0 || !ParseNumber(argv[7], 0xFFFF, request.hue)) return Usage();
    }

    FileManager::startupWithPaths(argv[1], "");
    HueManager::startup();
    if (request.kind == textview::FontKind::Bitmap) FontManager::LoadFonts();

    textview::Image image;
    std::string error;
    if (!textview::Render(request, image, &error)) {
        std::fprintf(stderr, "textview: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> ppm = EncodePpm(image.pixels.data(), image.width, image.height);
    if (!platform::AtomicReplaceFile(out, ppm.data(), ppm.size())) {
        std::fprintf(stderr, "textview: cannot write %s\n", out);
        return 1;
    }
    std::printf("textview: %d x %d written to %s\n", image.width, image.height, out);
    return 0;
}
