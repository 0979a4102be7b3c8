#pragma once
// A blit target inside a frame of canaries, for tests of anything that draws.
#include "render/BlitTarget.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

// A target of width x height pixels inside a canary frame: writes outside the target show up as
// changed canaries. With side margins the pitch is the row plus the margins, so a write past the
// right edge lands on canaries; without them the pitch is the width (the form of the raw pointer,
// pitch and height blits), and only rows above and below are canaries.
class CanaryCanvas {
  public:
    static constexpr uint16_t kCanary = 0x5A5A;
    static constexpr int kMargin = 16;
    CanaryCanvas(int width, int height, uint16_t fill = 0, bool sideMargins = true)
        : width_(width), height_(height), side_(sideMargins ? kMargin : 0), stride_(width + 2 * side_),
          cells_(static_cast<size_t>(stride_) * (height + 2 * kMargin), kCanary) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = fill;
    }
    BlitTarget Target() { return BlitTarget{&at(0, 0), stride_, height_, Rect{0, 0, width_, height_}, 0}; }
    uint16_t& at(int x, int y) { return cells_[Index(x, y)]; }
    uint16_t at(int x, int y) const { return cells_[Index(x, y)]; }
    int pitch() const { return stride_; }
    bool CanariesIntact() const {
        for (int y = -kMargin; y < height_ + kMargin; ++y)
            for (int x = -side_; x < width_ + side_; ++x) {
                bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
                if (!inside && cells_[Index(x, y)] != kCanary) return false;
            }
        return true;
    }
    // How many pixels of the target hold this colour; how many are not 0.
    int Count(uint16_t colour) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                n += at(x, y) == colour;
        return n;
    }
    int Ink() const { return width_ * height_ - Count(0); }
    // Row y of the target as '#' (not 0) and '.' (0).
    std::string Row(int y) const {
        std::string s;
        for (int x = 0; x < width_; ++x)
            s += at(x, y) ? '#' : '.';
        return s;
    }
    // The target's pixels row by row.
    std::vector<uint16_t> Pixels() const {
        std::vector<uint16_t> out;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                out.push_back(at(x, y));
        return out;
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y + kMargin) * stride_ + x + side_; }
    int width_, height_, side_, stride_;
    std::vector<uint16_t> cells_;
};

} // namespace qvtest
