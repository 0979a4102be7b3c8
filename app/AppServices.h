#pragma once
// The calls the main loop, the frame step, the window procedure, the intro and the browser launch
// make into other subsystems, gathered in one replaceable table. Each entry starts bound to the
// subsystem's own function; tests rebind entries to record calls or to set the state the code
// asks about (in the world, a focus gump, target mode) and ResetAppServices restores them.
#include <cstdint>
#include <functional>

class CGump;
struct MovieSettings;
struct IntroMpegStream;

struct AppServices {
    // frame step
    std::function<void()> mouseUpdate;
    std::function<void()> gumpUpdate;
    std::function<void()> expireSavedTexts;
    std::function<void()> flushSpeechQueue;
    std::function<void()> stepAlongPath;
    std::function<void()> musicUpdate;
    std::function<void()> soundUpdate;
    std::function<void()> updatePlayerWalk;
    std::function<void()> updateMovement;
    std::function<void()> weatherUpdate;
    std::function<void()> updateMacroPlayer;
    std::function<void()> drawFrame;
    std::function<void()> sendKeepAlive;
    std::function<void()> updateContainerQueue;
    std::function<bool()> containerQueueFinished;

    // main loop
    std::function<void(int catchUp)> appUpdate; // CApp::Update
    std::function<bool()> serverConfigEnabled;
    std::function<void(bool force)> checkServerConfigFiles;
    std::function<void()> translationUpdate;
    std::function<void()> pollNetwork;

    // world and player actions
    std::function<bool()> inWorld; // the game-display flag
    std::function<bool()> targeting;
    std::function<bool()> warRequested;
    std::function<bool()> inWarMode;
    std::function<void(int mode)> requestWarMode;
    std::function<void()> sendTargetCancel;
    std::function<void(int direction, intptr_t keyData)> walkByKey;
    std::function<void(int type, const char* text)> sendTextCommand;
    std::function<void()> quitGame;

    // gumps and the mouse
    std::function<CGump*()> focusGump;
    std::function<int(CGump*, int code)> gumpHandleKey;
    std::function<bool(CGump*, CGump** optionsWindow)> gumpIsOptionsKeyField;
    std::function<void(CGump* parent, CGump* child)> gumpHandleChildChange;
    std::function<bool(CGump*)> gumpIsSingleLineInput;
    std::function<void(int kind)> openGump;
    std::function<void(const char* text)> showModalMessage;
    std::function<void()> saveDesktop;
    std::function<void()> recreateDC;
    std::function<void(int cursor)> setCursor;
    std::function<void(bool on)> setSoftwareCursor;
    std::function<void(int x, int y)> onLButtonDown;
    std::function<void(int x, int y)> onLButtonUp;
    std::function<void(int x, int y)> onRButtonDown;
    std::function<void(int x, int y)> onRButtonUp;

    // text entry line, macros, help
    std::function<int(int code, intptr_t keyData)> inputOnChar;
    std::function<void(int code)> inputOnKey;
    std::function<bool()> inputHasPendingPrompt;
    std::function<void(int kind, const char* text)> inputSendPromptReply;
    std::function<int(int key, bool control, bool alt, bool shift)> findMacroKeyBinding;
    std::function<void(int macro)> startMacro;
    std::function<void()> showContextHelp;
    std::function<void()> requestHelp;
    std::function<void(int hue, int font, const char* text)> showSystemMessage;

    // network
    std::function<void(bool quiet)> setNetworkQuiet;

    // display and configuration
    std::function<void()> createFullScreenSurfaces;
    std::function<void()> releaseFullScreenSurfaces;
    std::function<void()> invalidateAll;
    std::function<void()> saveConfigOptions;
    std::function<void(bool on)> setFullScreen;
    std::function<bool()> fullScreenMode;
    std::function<void()> rebuildGameAreaEdges;
    std::function<void()> updatePlayerStepZ;
    std::function<void()> clearPopupHelpState;

    // sound, music, movies
    std::function<void()> soundStartup;
    std::function<void()> soundShutdown;
    std::function<void()> initDirectSound;
    std::function<bool()> musicEnabled;
    std::function<void(bool on)> enableMusic;
    std::function<bool()> soundEnabled;
    std::function<void(bool on)> enableSound;
    std::function<void(int volume)> setMusicVolume;
    std::function<void(int volume)> setSoundVolume;
    std::function<void()> playNextSong;
    std::function<void(const char* path, MovieSettings* settings)> moviePlay;
    std::function<int(const char* path, IntroMpegStream** stream)> openIntroMpeg;
    std::function<void(IntroMpegStream* stream)> playIntroMpeg;
    std::function<void(IntroMpegStream* stream)> releaseIntroMpeg;
};

AppServices& Services();
// Binds every entry to its subsystem's function again.
void ResetAppServices();
