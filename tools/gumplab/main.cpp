// The window layer on its own: draggable windows, a modal box and tooltips, or every control,
// over a still world.
// Usage: gumplab INSTALL_DIR SCENE [FILE] [--shot OUT.ppm]
#include "gumplab/GumpLab.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    gumplab::Options options;
    // "html" and "generic" take a file after the scene name.
    int rest = 3;
    if (argc > 3 && (std::strcmp(argv[2], "html") == 0 || std::strcmp(argv[2], "generic") == 0))
        options.sceneArg = argv[rest++];
    if (argc == rest + 2 && std::strcmp(argv[rest], "--shot") == 0)
        options.shotPath = argv[rest + 1];
    else if (argc != rest) {
        std::fprintf(stderr,
                     "usage: gumplab INSTALL_DIR SCENE [FILE] [--shot OUT.ppm]\n"
                     "scenes: windows, controls, chat, inputs, html FILE, generic PACKET.bin, popup\n");
        return 2;
    }
    options.installDir = argv[1];
    options.scene = argv[2];
    std::string error;
    if (!gumplab::Run(options, &error)) {
        std::fprintf(stderr, "gumplab: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
