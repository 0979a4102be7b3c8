// The window layer on its own: draggable windows, a modal box and tooltips, or every control,
// over a still world.
// Usage: gumplab INSTALL_DIR SCENE [--shot OUT.ppm]
#include "gumplab/GumpLab.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    gumplab::Options options;
    if (argc == 5 && std::strcmp(argv[3], "--shot") == 0)
        options.shotPath = argv[4];
    else if (argc != 3) {
        std::fprintf(stderr,
                     "usage: gumplab INSTALL_DIR SCENE [--shot OUT.ppm]\nscenes: windows, controls\n");
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
