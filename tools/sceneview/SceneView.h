#pragma once
// The world around a position of an installation, painted by the client's own scene code: the
// player placed as the login confirmation places it, one full frame of RenderFrame, the screen
// read back. Golden tests and the sceneview tool use it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sceneview {

struct Options {
    int x = 0, y = 0;
    std::optional<int> z; // the land's height when absent
    int facet = 0;
    std::optional<int> season;
    int circle = 0; // radius of the circle of transparency; 0: off
    bool ghost = false;
    int width = 640, height = 480;
    std::optional<std::pair<int, int>> pick;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<uint16_t> pixels; // 5-5-5, row by row
    std::string picked;           // what lies under the pick point
};

// Opens the installation's files (once per process; a second folder replaces the first).
bool Open(const std::string& installDir, std::string* error);
// Paints the view. Open first.
Picture Render(const Options& options);
// The words for a picked item: "land 196 at 1500,1600,0", "static 100 at ...", "player", "nothing".
std::string DescribeItem(const void* item);
void Close();

} // namespace sceneview
