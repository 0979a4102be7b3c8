#pragma once
// The credits roll: the lines of "credits.dat" scrolled upwards over a full-screen picture at one
// pixel per frame, 30 frames a second, with the songs the file names. It runs its own frame loop
// inside the credits button's callback until the last line has gone or a key or click ends it.
#include "core/CCycleList.h"
#include "text/CWideString.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CreditLine {
    CWideString text;
    int colour = 0;
    int font = 0;
    int width = 0;
    int height = 0;
};

// Keeps a frame every period on average: what a frame's work leaves of the period is slept before
// the next one, and whole periods behind are made up by advancing several steps in one frame.
class CFramePacer {
  public:
    static constexpr int kRate = 30;
    static constexpr int kPeriod = 33;

    void Reset();
    void BeginWork();
    void EndWork();
    void Account();
    bool IsBehind() const { return balance_ < 0; }
    // The whole periods behind; a deficit below one period carries over.
    int TakeFramesBehind();
    // The time left over to sleep, which is then spent.
    int TakeSpareTime();
    int Balance() const { return balance_; }

  private:
    uint32_t start_ = 0;
    uint32_t end_ = 0;
    int balance_ = 0;
};

// The text of "credits.dat": its lines with their colour and font (not yet measured) and its songs.
// The defaults that directives set are process-wide and carry into later showings.
struct CreditsText {
    std::vector<CreditLine> lines;
    CCycleList songs;
};
// One line as the shared line reader returns it: ends at CR, LF, CR LF or LF CR; at most 254 bytes
// are kept. at moves past the line and its end; eof is set once the end of the bytes was reached.
std::string ReadCreditsLine(std::string_view bytes, size_t& at, bool& eof);
// Every line of the file in turn; a file ending in a line end gives a last empty line.
void ParseCredits(std::string_view bytes, CreditsText& out);
// The song at the list's cursor.
int CreditSong(const CCycleList& songs);
int CreditsDefaultColour();
int CreditsDefaultFont();
void ResetCreditsDefaultsForTests();

class CCreditsRoll {
  public:
    static constexpr int kScreenWidth = 640;
    static constexpr int kScreenHeight = 480;
    static constexpr int kBackgroundArt = 1280;
    static constexpr int kFrontEndArt = 5500;
    static constexpr int kStartOffset = -30;

    CCreditsRoll();
    ~CCreditsRoll();
    CCreditsRoll(const CCreditsRoll&) = delete;
    CCreditsRoll& operator=(const CCreditsRoll&) = delete;

    // False when the file is missing or holds no line: nothing drawn, the music untouched.
    bool Run();
    bool Load();
    void Step();
    void Draw();
    // Advances the text by one pixel.
    void Advance();

    int FirstLine() const { return firstLine_; }
    int Offset() const { return offset_; }
    bool Done() const { return done_; }
    const std::vector<CreditLine>& Lines() const { return lines_; }
    const CCycleList& Songs() const { return songs_; }
    CFramePacer& Pacer() { return pacer_; }
    // Lines as if loaded (already measured).
    void UseLines(std::vector<CreditLine> lines);

  private:
    void PollMessage();

    int firstLine_ = 0;
    int offset_ = kStartOffset;
    bool done_ = false;
    std::vector<CreditLine> lines_;
    CCycleList songs_;
    CFramePacer pacer_;
};

// The credits button: one showing of the roll.
void ShowCredits();
