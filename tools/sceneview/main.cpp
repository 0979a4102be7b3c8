// sceneview INSTALL_DIR X Y [--z Z] [--facing D] [--facet F] [--season N] [--circle R] [--ghost] [--size WxH]
//           [--pick SX,SY] [--mobile X,Y,BODY,FACING[,hue=H][,action=A,frame=F][,mount=G][,equip=G:L[:H]+...]
//           [,seated][,rest]]... [--corpse X,Y,BODY,FACING]... [--light L] [--personal L] [--colored]
//           [--dark-nights] [--effect KIND,GRAPHIC,X,Y[,z=Z][,from=M][,to=X:Y[:Z]][,target=M][,speed=S]
//           [,duration=D][,hue=H][,blend=B][,descending][,pingpong][,fixed][,explode]]... [--updates N]
//           OUT.ppm
// Paints the world around (X, Y) as the client shows it and writes the screen as a PPM picture.
#include "platform/platform.h"
#include "render/Ppm.h"
#include "sceneview/SceneView.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: sceneview INSTALL_DIR X Y [--z Z] [--facing D] [--facet F] [--season N] [--circle R] "
               "[--ghost]\n"
               "                 [--size WxH] [--pick SX,SY]\n"
               "                 [--mobile X,Y,BODY,FACING[,hue=H][,action=A,frame=F][,mount=G]"
               "[,equip=G:L[:H]+...][,seated][,rest]]...\n"
               "                 [--corpse X,Y,BODY,FACING]... [--light L] [--personal L] [--colored]\n"
               "                 [--dark-nights]\n"
               "                 [--effect KIND,GRAPHIC,X,Y[,z=Z][,from=M][,to=X:Y[:Z]][,target=M]"
               "[,speed=S][,duration=D]\n"
               "                           [,hue=H][,blend=B][,descending][,pingpong][,fixed][,explode]]...\n"
               "                 [--updates N] OUT.ppm\n"
               "  --effect   a graphic effect as the server sends it: KIND 0 flies from the place X,Y (or\n"
               "             the mobile from=M) to the place to= (or the mobile target=M), 1 is lightning\n"
               "             on the mobile from=M, 2 plays at the place, 3 on the mobile from=M; mobile 0\n"
               "             is the player, 1.. the --mobile figures in order; speed (default 5),\n"
               "             duration in updates (default 10), hue (a hue-table index) and blend (the\n"
               "             blend table, 0..15) as the message carries them\n"
               "  --updates  the effects' updates before the picture is painted (default 0)\n",
               stderr);
    return 2;
}

bool ParseInt(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < -100000 || v > 100000) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParsePair(const char* text, char separator, int& a, int& b) {
    const std::string s = text;
    const size_t at = s.find(separator);
    return at != std::string::npos && ParseInt(s.substr(0, at).c_str(), a) &&
           ParseInt(s.substr(at + 1).c_str(), b);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) return Usage();
    sceneview::Options o;
    if (!ParseInt(argv[2], o.x) || !ParseInt(argv[3], o.y)) return Usage();
    std::string out;
    for (int i = 4; i < argc; ++i) {
        const std::string a = argv[i];
        int v = 0, w = 0;
        const bool more = i + 1 < argc;
        if (a == "--z" && more && ParseInt(argv[i + 1], v)) {
            o.z = v;
            ++i;
        } else if (a == "--facing" && more && ParseInt(argv[i + 1], v) && v >= 0 && v <= 7) {
            o.facing = v;
            ++i;
        } else if (a == "--facet" && more && ParseInt(argv[i + 1], v)) {
            o.facet = v;
            ++i;
        } else if (a == "--season" && more && ParseInt(argv[i + 1], v) && v >= 0 && v <= 4) {
            o.season = v;
            ++i;
        } else if (a == "--circle" && more && ParseInt(argv[i + 1], v)) {
            o.circle = v;
            ++i;
        } else if (a == "--ghost") {
            o.ghost = true;
        } else if (a == "--size" && more && ParsePair(argv[i + 1], 'x', v, w) && v >= 64 && w >= 64 &&
                   v <= 4096 && w <= 4096) {
            o.width = v;
            o.height = w;
            ++i;
        } else if (a == "--pick" && more && ParsePair(argv[i + 1], ',', v, w)) {
            o.pick = std::make_pair(v, w);
            ++i;
        } else if (a == "--mobile" && more) {
            sceneview::MobileSpec m;
            if (!sceneview::ParseMobile(argv[++i], m)) return Usage();
            o.mobiles.push_back(m);
        } else if (a == "--corpse" && more) {
            sceneview::CorpseSpec c;
            if (!sceneview::ParseCorpse(argv[++i], c)) return Usage();
            o.corpses.push_back(c);
        } else if (a == "--light" && more && ParseInt(argv[i + 1], v) && v >= 0 && v <= 31) {
            o.light = v;
            ++i;
        } else if (a == "--personal" && more && ParseInt(argv[i + 1], v) && v >= 0 && v <= 31) {
            o.personal = v;
            ++i;
        } else if (a == "--colored") {
            o.colored = true;
        } else if (a == "--dark-nights") {
            o.darkNights = true;
        } else if (a == "--effect" && more) {
            sceneview::EffectSpec e;
            if (!sceneview::ParseEffect(argv[++i], e)) return Usage();
            o.effects.push_back(e);
        } else if (a == "--updates" && more && ParseInt(argv[i + 1], v) && v >= 0 && v <= 1000) {
            o.updates = v;
            ++i;
        } else if (a.rfind("--", 0) != 0 && out.empty()) {
            out = a;
        } else {
            return Usage();
        }
    }
    if (out.empty()) return Usage();
    platform::UseBackend(platform::BackendKind::Headless);
    std::string error;
    if (!sceneview::Open(argv[1], &error)) {
        std::fprintf(stderr, "sceneview: %s\n", error.c_str());
        return 1;
    }
    const sceneview::Picture p = sceneview::Render(o);
    if (o.pick) std::printf("%s\n", p.picked.c_str());
    if (!p.error.empty()) std::fprintf(stderr, "sceneview: %s\n", p.error.c_str());
    const std::vector<uint8_t> ppm = EncodePpm(p.pixels.data(), p.width, p.height);
    sceneview::Close();
    if (!platform::AtomicReplaceFile(out, ppm.data(), ppm.size())) {
        std::fprintf(stderr, "sceneview: cannot write %s\n", out.c_str());
        return 1;
    }
    return p.error.empty() ? 0 : 1; // the picture is kept to show what went wrong
}
