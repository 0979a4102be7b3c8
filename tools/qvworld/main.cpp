// Prints a row of the world tables as the client reads it.
// Usage: qvworld INSTALL_DIR (land ID | item GRAPHIC [AMOUNT] | anim GRAPHIC | region SLOT | body N)
#include "core/FileManager.h"
#include "platform/platform.h"
#include "qvworld/WorldReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: qvworld INSTALL_DIR (land ID | item GRAPHIC [AMOUNT] | anim GRAPHIC | "
                         "region SLOT | body N)\n");
    return 2;
}

bool ParseInt(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (!*text || *end || v < -0x7FFFFFFFL || v > 0x7FFFFFFFL) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) return Usage();
    const std::string command = argv[2];
    int id = 0, amount = 1;
    if (!ParseInt(argv[3], id)) return Usage();
    if (argc == 5 && (command != "item" || !ParseInt(argv[4], amount))) return Usage();

    platform::UseBackend(platform::BackendKind::Headless); // fatal reports go to stderr, not a window
    FileManager::startupWithPaths(argv[1], "");
    qvworld::LoadWorldTables();

    std::string text;
    if (command == "land")
        text = qvworld::DescribeLand(id);
    else if (command == "item")
        text = qvworld::DescribeItem(id, amount);
    else if (command == "anim")
        text = qvworld::DescribeAnimation(id, 12);
    else if (command == "region")
        text = qvworld::DescribeRegion(id);
    else if (command == "body")
        text = qvworld::DescribeBody(id);
    else
        return Usage();
    std::fputs(text.c_str(), stdout);
    return 0;
}
