#pragma once
// The world around a position of an installation, painted by the client's own scene code: the
// player placed as the login confirmation places it, one full frame of RenderFrame, the screen
// read back. Golden tests and the sceneview tool use it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sceneview {

// A mobile sent as the server sends it (0x78), standing unless an action is given: as the client
// shows a mobile that has just arrived, or, with resting, one that has not moved for a while.
struct MobileSpec {
    int x = 0, y = 0, body = 400, facing = 0;
    int hue = 0;
    int action = -1, frame = 0;            // -1: at rest
    int mount = 0;                         // a mount graphic worn on layer 25
    std::vector<std::array<int, 3>> equip; // graphic, layer, hue
    bool seated = false;                   // the picture fails unless the figure is drawn seated
    bool resting = false;
};
// A corpse of body at (x, y) lying towards facing (0x1A, graphic 0x2006).
struct CorpseSpec {
    int x = 0, y = 0, body = 400, facing = 0;
};

// A graphic effect sent as the server sends it (0x70, or 0xC0 when hued or blended). Places are
// cells (z: the land's height when absent); a mobile is the player (0) or the n-th --mobile (1..).
struct EffectSpec {
    int kind = 0; // 0 moving, 1 lightning, 2 fixed at the place, 3 fixed on the source mobile
    int graphic = 0;
    int x = 0, y = 0;
    std::optional<int> z;
    std::optional<int> from; // the source mobile
    int toX = 0, toY = 0;    // the target place of a moving effect (the source place when absent)
    std::optional<int> toZ;
    std::optional<int> to; // the target mobile
    int speed = 5, duration = 10;
    int hue = 0, blend = 0;
    bool descending = false, pingPong = false, fixedDirection = false, explode = false;
};

struct Options {
    int x = 0, y = 0;
    std::optional<int> z; // the land's height when absent
    int facing = 4;       // the player's
    int facet = 0;
    std::optional<int> season;
    int circle = 0; // radius of the circle of transparency; 0: off
    bool ghost = false;
    int width = 640, height = 480;
    std::optional<std::pair<int, int>> pick;
    std::vector<MobileSpec> mobiles;
    std::vector<CorpseSpec> corpses;
    int light = 0;    // the server's global light level (0x4F)
    int personal = 0; // the player's personal light (0x4E)
    bool colored = false;
    bool darkNights = false;
    std::vector<EffectSpec> effects;
    int updates = 0; // effect updates before the picture is painted
};

struct Picture {
    int width = 0, height = 0;
    std::vector<uint16_t> pixels; // 5-5-5, row by row
    std::string picked;           // what lies under the pick point
    std::string error;            // set when a figure could not be shown as asked
};

// Parses "X,Y,BODY,FACING[,hue=H][,action=A,frame=F][,mount=G][,equip=G:L[:H]...][,seated][,rest]"; false on
// anything else. equip takes several G:L pairs separated by '+' or repeated equip= fields.
bool ParseMobile(const std::string& text, MobileSpec& out);
bool ParseCorpse(const std::string& text, CorpseSpec& out);
// Parses "KIND,GRAPHIC,X,Y[,z=Z][,from=M][,to=X:Y[:Z]][,target=M][,speed=S][,duration=D][,hue=H]
// [,blend=B][,descending][,pingpong][,fixed][,explode]"; false on anything else.
bool ParseEffect(const std::string& text, EffectSpec& out);

// Opens the installation's files (once per process; a second folder replaces the first).
bool Open(const std::string& installDir, std::string* error);
// Paints the view. Open first.
Picture Render(const Options& options);
// The words for a picked item: "land 196 at 1500,1600,0", "static 100 at ...", "player", "nothing".
std::string DescribeItem(const void* item);
void Close();

} // namespace sceneview
