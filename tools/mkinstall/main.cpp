// Writes a small synthetic installation: every file the client opens, small and well formed.
// Usage: mkinstall DIR
#include "core/QVReport.h"
#include "mkinstall/Installation.h"

#include <cstdio>

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkinstall DIR\n");
        return 2;
    }
    std::string error;
    if (!mkinstall::WriteInstallation(argv[1], &error)) {
        std::fprintf(stderr, "mkinstall: %s\n", error.c_str());
        return 1;
    }
    std::printf("mkinstall: wrote %s\n", argv[1]);
    return 0;
}
