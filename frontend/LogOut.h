#pragma once
// Leaving the world: back to a new main menu (LogOut) or out of the program (QuitGame). While the
// server keeps the configuration files, leaving from the world first uploads them, asks the server
// to log out (0xD1) and shows a notice; the server's reply completes the step.
#include "gumps/CGump.h"

class CIGR_SaveGump : public CGump {
  public:
    static constexpr int kArt = 2070;

    CIGR_SaveGump(const char16_t* text, CGump* owner);
    ~CIGR_SaveGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int, int) override { return true; }
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;

  private:
    DialogDragState drag_;
};

// Returns only when it started the upload; otherwise the process ends with code 0.
void QuitGame(CGump* caller);
void LogOut();

// The two-step state: the upload is under way, and whether its reply completes a quit.
bool IsLogoutUploadPending();
bool IsQuitPending();
void ResetLogOutForTests();
