#include "mkinstall/ChatSamples.h"

namespace mkinstall {
namespace {

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

// One colour with a lighter one-pixel rim, so tiled copies show their seams.
Picture Block(int w, int h, uint16_t colour, uint16_t rim) {
    Picture p{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x == 0 || y == 0) p.pixels[static_cast<size_t>(y) * w + x] = rim;
    return p;
}

// A frame set: corners c x c, edges and centre e long.
Picture Frame(int piece, int c, int e, int shade) {
    const uint16_t colour = Rgb(shade + piece, shade + piece, shade + 4 + piece);
    const uint16_t rim = Rgb(shade + 10, shade + 10, shade + 14);
    switch (piece) {
    case 0:
    case 2:
    case 6:
    case 8:
        return Block(c, c, colour, rim);
    case 1:
    case 7:
        return Block(e, c, colour, rim);
    case 3:
    case 5:
        return Block(c, e, colour, rim);
    default:
        return Block(e, e, Rgb(2, 2, 4), Rgb(2, 2, 4)); // the dark page behind the text
    }
}

} // namespace

Picture SampleChatArt(int id) {
    if (id >= 3500 && id <= 3508) return Frame(id - 3500, 6, 10, 10);
    switch (id) {
    case 2700:
        return Block(12, 4, Rgb(14, 10, 4), Rgb(24, 20, 8)); // across
    case 2701:
        return Block(4, 12, Rgb(14, 10, 4), Rgb(24, 20, 8)); // down
    case 2702:
        return Block(4, 4, Rgb(14, 10, 4), Rgb(24, 20, 8));
    case 2703:
        return Block(10, 10, Rgb(20, 20, 20), Rgb(31, 31, 31)); // resize handle
    case 2708:
        return Block(14, 14, Rgb(22, 4, 4), Rgb(31, 10, 10)); // close / cancel
    case 2709:
        return Block(14, 14, Rgb(14, 2, 2), Rgb(31, 10, 10));
    case 2710:
        return Block(14, 14, Rgb(4, 4, 22), Rgb(10, 10, 31)); // minimise
    case 2711:
        return Block(14, 14, Rgb(2, 2, 14), Rgb(10, 10, 31));
    case 2714:
        return Block(14, 14, Rgb(4, 22, 4), Rgb(10, 31, 10)); // accept
    case 2715:
        return Block(14, 14, Rgb(2, 14, 2), Rgb(10, 31, 10));
    case 2642: {
        Picture p = Block(60, 24, Rgb(14, 10, 4), Rgb(24, 20, 8)); // minimised chat
        p.pixels[0] = 0;                                           // a transparent corner
        return p;
    }
    default:
        if (id >= 2704 && id <= 2715) return Block(14, 14, Rgb(12, 12, 12), Rgb(20, 20, 20));
        return {};
    }
}

void AddChatArts(IndexedFile& gumps) {
    auto add = [&](int id) {
        const Picture p = SampleChatArt(id);
        if (p.width > 0)
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    };
    for (int id = 2700; id <= 2715; ++id)
        add(id);
    add(2642);
    for (int id = 3500; id <= 3508; ++id)
        add(id);
}

SampleSection ChatSampleSection() {
    SampleSection s{"chat", 2, 106, {}, {}};
    s.texts = {
        {0, "New conference..."},
        {1, "Conferences"},
        {2, "Commands"},
        {3, "Send a private message"},
        {4, "List the conferences"},
        {5, "Ignore a user"},
        {6, "Stop ignoring a user"},
        {7, "Show your name"},
        {8, "Help"},
        {9, "Kick a user"},
        {10, "Let a user speak"},
        {11, "Make a user moderator"},
        {12, "Change the password"},
        {13, "Leave"},
        {14, "Who is here"},
        {15, "Chat"},
        {16, "You have joined a conference."},
        {17, "You have left the conference."},
        {18, "Join a conference"},
        {19, "Conference name"},
        {20, "Password"},
        {94, "Welcome to chat."},
        {95, "You are not in a conference."},
        {96, "Whom do you want to message?"},
        {97, "Whom do you want to ignore?"},
        {98, "Whom do you want to stop ignoring?"},
        {99, "Whom do you want to kick?"},
        {100, "Who may speak?"},
        {101, "Who becomes moderator?"},
        {102, "The new password:"},
        {103, "Whom do you want to ask?"},
        {104, "Your text:"},
        {105, "Your answer:"},
    };
    // The command words: each text is the word and one more unit (a space, or '$' where the
    // command goes out at once).
    static const char* const kWords[] = {
        "/join ",  "/create ",  "/leave$",    "/msg ",    "/me ",      "/emote ",   "/list$",   "/kick ",
        "/voice ", "/unvoice ", "/op ",       "/pw ",     "/public ",  "/private ", "/show$",   "/whoami$",
        "/hide$",  "/nick ",    "/unignore ", "/ignore ", "/who$",     "/invite ",  "/accept ", "/decline ",
        "/away ",  "/quiet ",   "/back$",     "/mode ",   "/whisper ",
    };
    for (int i = 0; i < 29; ++i)
        s.texts.emplace_back(65 + i, kWords[i]);
    return s;
}

} // namespace mkinstall
