// Prints a row of the world tables or a piece of the map as the client reads it.
// Usage: qvworld INSTALL_DIR (land ID | item GRAPHIC [AMOUNT] | anim GRAPHIC | region SLOT | body N |
//        map X Y W H | cell X Y | path X1 Y1 X2 Y2 | mapcheck MAPFILE OUT)
#include "core/FileManager.h"
#include "platform/platform.h"
#include "qvworld/MapReport.h"
#include "qvworld/WorldReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(
        stderr, "usage: qvworld INSTALL_DIR (land ID | item GRAPHIC [AMOUNT] | anim GRAPHIC | "
                "region SLOT | body N | map X Y W H | cell X Y | path X1 Y1 X2 Y2 | mapcheck MAPFILE OUT)\n");
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

// The map commands: numbers after the command, the data files started for the map.
int MapCommand(const std::string& command, int argc, char** argv) {
    if (command == "mapcheck") {
        if (argc != 5) return Usage();
        std::string message;
        const bool ok = qvworld::WriteMapCheck(argv[3], argv[4], message);
        std::fprintf(ok ? stdout : stderr, "%s\n", message.c_str());
        return ok ? 0 : 1;
    }
    const int wanted = command == "map" ? 4 : command == "cell" ? 2 : command == "path" ? 4 : -1;
    if (wanted < 0 || argc != 3 + wanted) return Usage();
    int v[4] = {};
    for (int i = 0; i < wanted; ++i)
        if (!ParseInt(argv[3 + i], v[i])) return Usage();
    platform::UseBackend(platform::BackendKind::Headless);
    FileManager::startupWithPaths(argv[1], "");
    qvworld::LoadWorldTables();
    qvworld::StartMap();
    std::string text;
    if (command == "map")
        text = qvworld::DescribeMap(v[0], v[1], v[2], v[3]);
    else if (command == "cell")
        text = qvworld::DescribeCell(v[0], v[1]);
    else
        text = qvworld::DescribePath(v[0], v[1], v[2], v[3]);
    qvworld::StopMap();
    std::fputs(text.c_str(), stdout);
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 3) {
        const std::string command = argv[2];
        if (command == "map" || command == "cell" || command == "path" || command == "mapcheck")
            return MapCommand(command, argc, argv);
    }
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
