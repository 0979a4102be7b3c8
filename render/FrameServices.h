#pragma once
// What drawing a frame needs from parts of the client that live elsewhere and install themselves
// here at start-up: the game connection, the world's flags, the text entry line, the first
// windows and the placement preview. Every slot left empty does nothing (and a missing
// connection means no frame is drawn), which is what the client does before those parts exist.
class CMapGump;

struct FrameServices {
    // A current game connection object exists.
    bool (*hasGameConnection)() = nullptr;
    // Builds the death-status message with this action and queues it on the current connection.
    void (*sendDeathStatus)(int action) = nullptr;
    // The player is in the world (login completed, main menu not back).
    bool (*isInWorld)() = nullptr;
    // CApp::RedrawInputLine: the frame counter in the text entry line.
    void (*redrawInputLine)() = nullptr;
    // The game view gump, created hidden; and the main menu, created and attached at the front.
    CMapGump* (*createMapGump)() = nullptr;
    void (*createMainMenu)() = nullptr;
    // An owner-less bark of this text (hue 0, font 3), centred in a screen of this size.
    void (*showCentredBark)(const char* text, int screenWidth, int screenHeight) = nullptr;
    // The placement preview: active, place its pieces at the cell under the mouse, remove them.
    bool (*isPreviewActive)() = nullptr;
    void (*placePreviewAtMouse)() = nullptr;
    void (*removePreviewPieces)() = nullptr;
};

void SetFrameServices(const FrameServices& services);
const FrameServices& GetFrameServices();
