#include "frontend/credits.h"

#include "core/ExitHandlers.h"
#include "core/FileManager.h"
#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "frontend/igr.h"
#include "media/MusicManager.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/ClearScreen.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kLineLimit = 254;
// Far beyond any real roll; keeps a damaged file from taking the memory.
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr size_t kMaxLines = 1 << 16;
constexpr int kSleepSlice = 20;

// Process-wide, as the directives leave them.
struct CreditsDefaults {
    int colour = 0x7777;
    int font = 0;
};
CreditsDefaults& Defaults() {
    static CreditsDefaults defaults;
    return defaults;
}

bool IsSeparator(char c, bool withEquals) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || (withEquals && c == '=');
}

// The next token after at, with the separators of the line's first token or of the rest.
std::string_view NextToken(std::string_view line, size_t& at, bool withEquals) {
    while (at < line.size() && IsSeparator(line[at], withEquals))
        ++at;
    const size_t begin = at;
    while (at < line.size() && !IsSeparator(line[at], withEquals))
        ++at;
    const std::string_view token = line.substr(begin, at - begin);
    if (at < line.size()) ++at; // the separator that ended the token is used up with it
    return token;
}

// Leading digits as a decimal number, a sign allowed; none gives 0.
int ParseNumber(std::string_view token) {
    const std::string text(token);
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

struct Pending {
    int colour;
    int font;
};

void AddSong(CCycleList& songs, int song) {
    if (!songs.Add(reinterpret_cast<void*>(static_cast<intptr_t>(song))))
        QVReport::warning("CCreditsRoll::Load: more than %d songs; song %d is dropped.\n",
                          CCycleList::kCapacity, song);
}

// A directive line: "!" and its keywords. False when the line is a text line.
bool HandleDirective(std::string_view line, Pending& pending, CCycleList& songs) {
    size_t at = 0;
    if (NextToken(line, at, true) != "!") return false;
    for (;;) {
        const std::string_view keyword = NextToken(line, at, false);
        if (keyword.empty()) return true;
        if (keyword != "color" && keyword != "defaultcolor" && keyword != "font" &&
            keyword != "defaultfont" && keyword != "song")
            continue;
        const std::string_view value = NextToken(line, at, false);
        if (value.empty()) return true;
        if (keyword == "color" || keyword == "defaultcolor") {
            pending.colour = ParseColor(std::string(value).c_str());
            if (keyword == "defaultcolor") Defaults().colour = pending.colour;
        } else if (keyword == "font" || keyword == "defaultfont") {
            pending.font = ParseNumber(value);
            if (keyword == "defaultfont") Defaults().font = pending.font;
        } else {
            AddSong(songs, ParseNumber(value));
        }
    }
}

// The back buffer's screen as one target; the front end keeps the ring at rest, so this only
// moves it when it was not.
BlitTarget ScreenTarget() {
    const Rect screen{0, 0, CCreditsRoll::kScreenWidth, CCreditsRoll::kScreenHeight};
    BlitTarget target = RingTargetFor(screen);
    if (!target.IsUsable() && BackBuffer::Exists()) {
        BackBuffer::SetRingOffset(0);
        target = RingTargetFor(screen);
    }
    return target;
}

void DrawArtOpaque(const BlitTarget& target, int gumpId) {
    const Rect screen{0, 0, CCreditsRoll::kScreenWidth, CCreditsRoll::kScreenHeight};
    if (const GumpArtItem* art = GetGumpArt(gumpId)) DrawGumpArtTo(target, CopySpan, art, screen, 0, 0);
}

} // namespace

// ---------------------------------------------------------------- the pacer

void CFramePacer::Reset() {
    start_ = end_ = 0;
    balance_ = 0;
}

void CFramePacer::BeginWork() {
    start_ = GetGameTicks();
}

void CFramePacer::EndWork() {
    end_ = GetGameTicks();
}

void CFramePacer::Account() {
    // Plain unsigned arithmetic: exact across the counter's wrap.
    balance_ += kPeriod - static_cast<int32_t>(end_ - start_);
}

int CFramePacer::TakeFramesBehind() {
    const int frames = -(balance_ / kPeriod);
    balance_ %= kPeriod;
    return frames;
}

int CFramePacer::TakeSpareTime() {
    const int spare = balance_;
    balance_ = 0;
    return spare;
}

// ---------------------------------------------------------------- the file

std::string ReadCreditsLine(std::string_view bytes, size_t& at, bool& eof) {
    std::string line;
    for (;;) {
        if (at >= bytes.size()) {
            eof = true;
            break;
        }
        const char c = bytes[at++];
        if (c == '\n' || c == '\r') {
            if (at < bytes.size() && (bytes[at] == '\n' || bytes[at] == '\r') && bytes[at] != c) ++at;
            break;
        }
        if (line.size() < kLineLimit) line += c;
    }
    line.resize(strnlen(line.c_str(), line.size())); // the text ends at a zero byte
    return line;
}

void ParseCredits(std::string_view bytes, CreditsText& out) {
    Pending pending{Defaults().colour, Defaults().font};
    size_t at = 0;
    bool eof = false;
    while (!eof) {
        const std::string line = ReadCreditsLine(bytes, at, eof);
        if (HandleDirective(line, pending, out.songs)) continue;
        if (out.lines.size() >= kMaxLines) {
            QVReport::warning("CCreditsRoll::Load: more than %zu lines; the rest is dropped.\n", kMaxLines);
            return;
        }
        CreditLine entry;
        entry.text = CWideString(line.c_str());
        entry.colour = pending.colour;
        entry.font = pending.font;
        out.lines.push_back(std::move(entry));
        pending = Pending{Defaults().colour, Defaults().font};
    }
}

int CreditSong(const CCycleList& songs) {
    return static_cast<int>(reinterpret_cast<intptr_t>(songs.Current()));
}

int CreditsDefaultColour() {
    return Defaults().colour;
}

int CreditsDefaultFont() {
    return Defaults().font;
}

void ResetCreditsDefaultsForTests() {
    Defaults() = CreditsDefaults{};
}

// ---------------------------------------------------------------- the roll

CCreditsRoll::CCreditsRoll() {
    songs_.Clear();
}

CCreditsRoll::~CCreditsRoll() = default;

bool CCreditsRoll::Load() {
    std::FILE* file = FileManager::open("credits.dat", "rb");
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    size_t got = 0;
    while (bytes.size() < kMaxFileBytes && (got = FileManager::read(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, std::min(got, kMaxFileBytes - bytes.size()));
    FileManager::close(file);

    CreditsText text;
    ParseCredits(bytes, text);
    if (text.lines.empty()) return false;
    const int previous = UnicodeGetFont();
    for (CreditLine& line : text.lines) {
        UnicodeSetFont(line.font);
        int third = 0;
        UnicodeCalcInfo(line.text.GetText(), &line.width, &line.height, &third);
    }
    UnicodeSetFont(previous);
    lines_ = std::move(text.lines);
    songs_ = text.songs;
    return true;
}

bool CCreditsRoll::Run() {
    if (!Load()) return false;
    MusicManager::StopSong();
    if (songs_.Count() > 0) MusicManager::PlaySong(CreditSong(songs_), 1, false);
    while (!done_)
        Step();
    MusicManager::StopSong();
    ClearViewBuffer();
    DrawArtOpaque(ScreenTarget(), kFrontEndArt);
    return true;
}

void CCreditsRoll::Step() {
    int frames = 1;
    int sleep = 0;
    if (pacer_.IsBehind())
        frames = 1 + pacer_.TakeFramesBehind();
    else
        sleep = pacer_.TakeSpareTime();
    if (done_) return;
    // The sleep is the main loop's wait, so input and posted messages end it early.
    while (sleep > 0) {
        const uint32_t before = platform::TickCount();
        platform::WaitForWork(before + static_cast<uint32_t>(std::min(sleep, kSleepSlice)));
        sleep -= static_cast<int>(platform::TickCount() - before);
        if (!done_) PollMessage();
        if (done_) break;
    }
    PollMessage();
    if (done_) return;
    pacer_.BeginWork();
    for (int i = 0; i < frames && !done_; ++i)
        Advance();
    Draw();
    PresentFrame();
    pacer_.EndWork();
    pacer_.Account();
}

void CCreditsRoll::Advance() {
    const int count = static_cast<int>(lines_.size());
    const int height = firstLine_ < count ? lines_[firstLine_].height : 0;
    ++offset_;
    if (offset_ < height + kScreenHeight) return;
    // The next line keeps its place: only the height of the line that left comes off.
    ++firstLine_;
    if (firstLine_ < count)
        offset_ -= height;
    else
        done_ = true;
}

void CCreditsRoll::Draw() {
    const BlitTarget target = ScreenTarget();
    const Rect screen{0, 0, kScreenWidth, kScreenHeight};
    // The picture may not cover the screen; the text must not leave a trail where it does not.
    BackBuffer::FillRect(screen, 0);
    DrawArtOpaque(target, kBackgroundArt);
    int y = kScreenHeight - offset_;
    for (size_t i = static_cast<size_t>(firstLine_); i < lines_.size() && y < kScreenHeight; ++i) {
        const CreditLine& line = lines_[i];
        const int x = (kScreenWidth - line.width) / 2;
        const int previous = UnicodeGetFont();
        if (line.font != previous) UnicodeSetFont(line.font);
        UnicodeDrawString(target, line.text.GetText(), x, y, static_cast<uint16_t>(line.colour), screen);
        UnicodeSetFont(previous);
        y += line.height;
    }
}

void CCreditsRoll::UseLines(std::vector<CreditLine> lines) {
    lines_ = std::move(lines);
}

void CCreditsRoll::PollMessage() {
    platform::Message msg;
    if (!platform::PeekMessage(msg)) return;
    switch (msg.id) {
    case platform::WM_KEYDOWN:
    case platform::WM_LBUTTONDOWN:
    case platform::WM_LBUTTONUP:
    case platform::WM_RBUTTONDOWN:
    case platform::WM_RBUTTONUP:
        done_ = true;
        break;
    case platform::WM_DESTROY:
    case platform::WM_CLOSE:
    case platform::WM_QUIT:
        done_ = true;
        // The room's service still gets the end of the session before the process goes.
        IGRStopAllAndWait();
        TerminateProcess(1);
    case platform::MM_MCINOTIFY:
        if (songs_.Count() > 0) {
            songs_.Next();
            MusicManager::PlaySong(CreditSong(songs_), 1, false);
        }
        break;
    case platform::WM_POSTED_CALL:
        // Another thread's hand-over, not a window message: it must not be lost.
        platform::DispatchMessage(msg);
        break;
    default:
        platform::DefWindowProc(msg);
        break;
    }
}

void ShowCredits() {
    CCreditsRoll roll;
    if (!roll.Run())
        QVReport::message("ShowCredits: no credits to show (\"credits.dat\" is missing or empty).\n");
}
