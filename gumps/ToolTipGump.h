#pragma once
// The small framed box with a text that the manager shows beside the pointer after it rested on a
// gump: built, drawn and closed within one drawing pass.
#include "gumps/CGump.h"

#include <string>

class ToolTipGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::ToolTip;
    static constexpr int kFirstArt = 3000;
    // The nine frame arts and the sizes they must have.
    static constexpr int kArtSizes[9][2] = {{4, 4},   {245, 4}, {4, 4},   {4, 244}, {240, 240},
                                            {4, 244}, {4, 4},   {245, 4}, {4, 4}};

    // Attaches itself as the front-most top-level gump.
    ToolTipGump(int x, int y, const char16_t* text);

    void HandleLButtonDown(int, int) override { BringToFrontHandler(this); }
    void HandleRButtonUp(int x, int y) override { DeleteSelfHandler(this, x, y); }
    void HandleMouseMoveAway() override { DeleteGumpCallback(this); }

    // The wrap width the layout settled on, and the text box size.
    int wrapWidth = 0;
    int textWidth = 0, textHeight = 0;
};

// The wrap width for a text: from the widest word, widened by 16 until it is at least twice the
// height of the text wrapped at it. Sets the wrapped size.
int ToolTipWrapWidth(const char16_t* text, int* wrappedWidth, int* wrappedHeight);
// Every transparent pixel next to a pixel that is neither transparent nor the key becomes the key.
void OutlineBitmap(uint16_t* pixels, int width, int height, uint16_t key);
