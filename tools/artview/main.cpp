// Renders one art item of an installation through the client's decoders and span operations.
// Usage: artview INSTALL_DIR (land ID | item GRAPHIC | gump ID) [--hue N [--partial]] OUT.ppm
#include "artview/ArtRender.h"
#include "core/QVReport.h"

#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "platform/platform.h"
#include "render/HueManager.h"
#include "render/RenderData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: artview INSTALL_DIR (land ID | item GRAPHIC | gump ID) [--hue N [--partial]] "
                 "OUT.ppm\n");
    return 2;
}

bool ParseNumber(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (!*text || *end || v < 0 || v > 0xFFFF) return false;
    out = static_cast<int>(v);
    return true;
}

// The installation's data files are opened by the data-file cache from the installation folder
// of the settings store; the hue table is read from the folder given.
void OpenInstallation(const std::string& dir) {
    FileManager::startupWithPaths(dir, "");
    CDHDCache::startup();
    CDHDCache::Init();
    HueManager::startup();
}

} // namespace

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    if (argc < 5) return Usage();
    artview::Request request;
    std::string kind = argv[2];
    if (kind == "land")
        request.kind = artview::Kind::Land;
    else if (kind == "item")
        request.kind = artview::Kind::Item;
    else if (kind == "gump")
        request.kind = artview::Kind::Gump;
    else
        return Usage();
    if (!ParseNumber(argv[3], request.id)) return Usage();
    int next = 4;
    for (; next < argc - 1; ++next) {
        if (std::strcmp(argv[next], "--hue") == 0 && next + 1 < argc - 1) {
            if (!ParseNumber(argv[++next], request.hue)) return Usage();
        } else if (std::strcmp(argv[next], "--partial") == 0) {
            request.partial = true;
        } else {
            return Usage();
        }
    }
    if (next != argc - 1 || (request.partial && request.hue == 0)) return Usage();

    OpenInstallation(argv[1]);
    artview::Image image;
    std::string error;
    if (!artview::Render(request, image, &error)) {
        std::fprintf(stderr, "artview: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> ppm = artview::ToPpm(image);
    if (!platform::AtomicReplaceFile(argv[argc - 1], ppm.data(), ppm.size())) {
        std::fprintf(stderr, "artview: cannot write %s\n", argv[argc - 1]);
        return 1;
    }
    std::printf("artview: %d x %d written to %s\n", image.width, image.height, argv[argc - 1]);
    return 0;
}
