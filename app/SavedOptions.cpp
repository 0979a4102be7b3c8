#include "app/SavedOptions.h"

#include "app/AppServices.h"
#include "app/multcli.h"
#include "core/CharData.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/StoreErrors.h"
#include "core/config.h"
#include "platform/platform.h"
#include "render/CircleTrans.h"
#include "render/Display.h"
#include "render/GraphicManager.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

struct BoolRow {
    const char* name;
    bool* option;
    bool defaultValue;
};
struct NextStartRow {
    const char* name;
    bool* option;
    bool defaultValue;
};
struct ColourRow {
    const char* name;
    int* option;
    int defaultValue;
    bool hue;
};
struct IntRow {
    const char* name;
    int* option;
    int defaultValue;
};
struct TextRow {
    const char* name;
    std::string* option;
    const char* defaultValue;
};

const BoolRow kBoolRows[] = {
    {"Sound", &Sound, true},
    {"Music", &Music, true},
    {"Footsteps", &Footsteps, true},
    {"AllowPathfind", &AllowPathfind, true},
    {"HoldTabForCombat", &HoldTabForCombat, true},
    {"OffsetGumps", &OffsetGumps, true},
    {"AutoArrangeMinimized", &AutoArrangeMinimized, true},
    {"AssumePlayAsGhost", &AssumePlayAsGhost, false},
    {"UseCircleTrans", &UseCircleTrans, false},
    {"ScaleBarkTimes", &ScaleBarkTimes, true},
    {"FrameSkipping", &FrameSkipping, false},
    {"NotorietyQuery", &NotorietyQuery, true},
    {"ShowIntroAnim", &ShowIntroAnim, false},
    {"OrderCacheOnStartup", &OrderCacheOnStartup, false},
    {"SaveJournal", &SaveJournal, false},
    {"JournalSaveUnicode", &JournalSaveUnicode, false},
    {"RememberAcctPW", &RememberAcctPW, false},
    {"GlobalQueue", &GlobalQueue, false},
    {"FilterPWOn", &FilterPWOn, false},
    {"ObscenityFilter", &ObscenityFilter, true},
    {"FullScreen", &FullScreen, false},
    {"UseToolTips", &UseToolTips, true},
    {"PopupHelpEnabled", &PopupHelpEnabled, true},
    {"PopupHelpSticky", &PopupHelpSticky, false},
    {"PopupHelpPersistant", &PopupHelpPersistant, true},
    {"TranslationServer", &TranslationServer, false},
    {"TranslationServerAutomatic", &TranslationServerAutomatic, true},
    {"ColoredLighting", &ColoredLighting, true},
    {"ShadedFonts", &ShadedFonts, false},
    {"ShowIncomingNames", &ShowIncomingNames, true},
    {"StatReport", &StatReport, true},
    {"DarkNights", &DarkNights, false},
    {"AlwaysRun", &AlwaysRun, false},
    {"NewbieDesktop", &NewbieDesktop, false},
    {"TreeCanopies", &TreeCanopies, false},
    {"Desolation", &Desolation, true},
    {"CombatMusic", &CombatMusic, true},
    {"ShiftForContext", &ShiftForContext, false},
    {nullptr, nullptr, false},
};

const NextStartRow kNextStartRows[] = {
    {"Sound8Bit", &Sound8Bit, false},
    {"ReverseSpeakers", &ReverseSpeakers, false},
    {"UnicodeSpeech", &UnicodeSpeech, false},
    {"MouseThread", &MouseThread, true},
    {"PageFlip", &PageFlip, true},
    {"GDIFullScreen", &GDIFullScreen, false},
    {"Use565", &Use565, false},
    {"EnableMessenger", &EnableMessenger, true},
    {"QVMessengerPing", &QVMessengerPing, true},
    {nullptr, nullptr, false},
};
constexpr size_t kNextStartCount = std::size(kNextStartRows) - 1;

const ColourRow kColourRows[] = {
    {"ChatColorInput", &ChatColorInput, 0x7BDE, false},
    {"ChatColorMenuOption", &ChatColorMenuOption, 0x7FE0, false},
    {"ChatColorName", &ChatColorName, 0x3DE0, false},
    {"ChatColorText", &ChatColorText, 0x7FE0, false},
    {"ChatColorMutedName", &ChatColorMutedName, 0x000F, false},
    {"ChatColorMutedText", &ChatColorMutedText, 0x001F, false},
    {"ChatColorOpsName", &ChatColorOpsName, 0x3C0F, false},
    {"ChatColorOpsText", &ChatColorOpsText, 0x7C1F, false},
    {"ChatColorSelfName", &ChatColorSelfName, 0x3DEF, false},
    {"ChatColorSelfText", &ChatColorSelfText, 0x7FFF, false},
    {"ChatColorSystemMessage", &ChatColorSystemMessage, 0x03E0, false},
    {"ChatColorTextBackground", &ChatColorTextBackground, 0, false},
    {"ChatColorInputBackground", &ChatColorInputBackground, 0, false},
    {"ChatColorUserListBackground", &ChatColorUserListBackground, 0, false},
    {"ChatColorConferenceMenuBackground", &ChatColorConferenceMenuBackground, 0x0C63, false},
    {"ChatColorCommandMenuBackground", &ChatColorCommandMenuBackground, 0x0C63, false},
    {"ChatColorDialogBackground", &ChatColorDialogBackground, 0, false},
    {"ToolTipTextColor", &ToolTipTextColor, 0x7FFF, false},
    {"HighlightColorInnocent", &HighlightColorInnocent, 89, true},
    {"HighlightColorFriend", &HighlightColorFriend, 63, true},
    {"HighlightColorCanAttack", &HighlightColorCanAttack, 946, true},
    {"HighlightColorCriminal", &HighlightColorCriminal, 946, true},
    {"HighlightColorEnemy", &HighlightColorEnemy, 144, true},
    {"HighlightColorMurderer", &HighlightColorMurderer, 34, true},
    {"PopupHelpTextColor", &PopupHelpTextColor, 0x7FFF, false},
    {"PartyMessageColor", &PartyMessageColor, 144, true},
    {nullptr, nullptr, 0, false},
};

const IntRow kIntRows[] = {
    {"SkillReportDiff", &SkillReportDiff, 10},
    {"SoundVol", &SoundVol, 255},
    {"MusicVol", &MusicVol, 255},
    {"BarkTimeModifier", &BarkTimeModifier, 100},
    {"CircleTransRadius", &CircleTransRadius, 64},
    {"ToolTipPreDelay", &ToolTipPreDelay, 1000},
    {"PopupHelpPreDelay", &PopupHelpPreDelay, 1000},
    {"QuestionFlags", &QuestionFlags, 0},
    {nullptr, nullptr, 0},
};

const IntRow kFontRows[] = {
    {"ChatFontNumber", &ChatFontNumber, 2},
    {"BarkFontNumber", &BarkFontNumber, 0},
    {"PopupHelpTextFont", &PopupHelpTextFont, 1},
    {"ToolTipFont", &ToolTipFont, 1},
    {nullptr, nullptr, 0},
};

const TextRow kTextRows[] = {
    {"FullScreenRes", &FullScreenRes, "640x480"},
    {"GamePlayWindowSize", &GamePlayWindowSize, "640x480"},
    {"Language", &Language, "English"},
    {nullptr, nullptr, nullptr},
};

const char16_t* const kSpeechHueKey = u"%SpeechHue";
const char16_t* const kEmoteHueKey = u"%EmoteHue";
const char16_t* const kPartyMessageKey = u"%PartyMessageColor";

// Lines that a forgotten password must not leave behind.
const char* const kPasswordLinePrefixes[] = {"AcctPassword", "RememberAcctPW", "NumPassTries"};

struct Pending {
    bool set = false;
    bool value = false;
};

struct State {
    Pending pending[kNextStartCount];
    bool restartNeeded = false;
};

State& S() {
    static State state;
    return state;
}

// The key equals the start of the name, unit by unit, with case.
bool KeyMatches(const char16_t* key, const char* name) {
    for (; *key; ++key, ++name)
        if (*name == 0 || static_cast<unsigned char>(*name) != *key) return false;
    return true;
}

bool KeyEquals(const char16_t* key, const char16_t* other) {
    return key && std::u16string_view(key) == other;
}

template <class Row, size_t N> const Row* FindRow(const Row (&rows)[N], const char16_t* key) {
    if (!key) return nullptr;
    for (const Row* row = rows; row->name; ++row)
        if (KeyMatches(key, row->name)) return row;
    return nullptr;
}

// A key ending in "$" without it; nullopt for other keys.
std::optional<std::u16string> NextStartKey(const char16_t* key) {
    if (!key) return std::nullopt;
    std::u16string k(key);
    if (k.empty() || k.back() != u'$') return std::nullopt;
    k.pop_back();
    return k;
}

const NextStartRow* FindNextStartRow(const char16_t* key) {
    std::optional<std::u16string> k = NextStartKey(key);
    return k ? FindRow(kNextStartRows, k->c_str()) : nullptr;
}

Pending& PendingOf(const NextStartRow* row) {
    return S().pending[row - kNextStartRows];
}

bool CurrentValue(const NextStartRow* row) {
    const Pending& p = PendingOf(row);
    return p.set ? p.value : *row->option;
}

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string Narrow(const char16_t* text) {
    std::string out;
    for (; text && *text; ++text)
        out.push_back(static_cast<char>(*text));
    return out;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// ---------------------------------------------------------------- saving

bool StartsWith(std::string_view line, const char* prefix) {
    return line.substr(0, std::strlen(prefix)) == prefix;
}

bool IsPasswordLine(std::string_view line) {
    for (const char* prefix : kPasswordLinePrefixes)
        if (StartsWith(line, prefix)) return true;
    return false;
}

// The lines of a file's text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const ConfigLineSpan& span : SplitConfigLines(text))
        lines.emplace_back(text, span.begin, span.end - span.begin);
    return lines;
}

void AddLine(std::string& out, const char* name, const std::string& value) {
    out += name;
    out += '=';
    out += value;
    out += "\r\n";
}

std::string ColourText(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", (v >> 7) & 0xF8, (v >> 2) & 0xF8, (v & 0x1F) << 3);
    return text;
}

// The option block: every on/off option, the other options only where they differ from their
// defaults.
std::string OptionBlock(bool dropPasswords) {
    std::string out;
    for (const BoolRow* row = kBoolRows; row->name; ++row) {
        if (dropPasswords && IsPasswordLine(row->name)) continue;
        AddLine(out, row->name, *row->option ? "on" : "off");
    }
    for (const NextStartRow* row = kNextStartRows; row->name; ++row)
        if (CurrentValue(row) != row->defaultValue) AddLine(out, row->name, CurrentValue(row) ? "on" : "off");
    for (const ColourRow* row = kColourRows; row->name; ++row)
        if (*row->option != row->defaultValue)
            AddLine(out, row->name, row->hue ? std::to_string(*row->option) : ColourText(*row->option));
    for (const IntRow* rows : {kIntRows, kFontRows})
        for (const IntRow* row = rows; row->name; ++row)
            if (*row->option != row->defaultValue) AddLine(out, row->name, std::to_string(*row->option));
    for (const TextRow* row = kTextRows; row->name; ++row)
        if (*row->option != row->defaultValue) AddLine(out, row->name, *row->option);
    return out;
}

// Keeps the file's other lines, drops its old option block and writes the options anew. A
// missing file is created, so that the options are not lost; a file that cannot be read is left
// alone, since its other lines (account, login servers) would be lost.
void RewriteWithOptions(const std::string& path, const char* logName, bool dropPasswords) {
    std::optional<std::string> text = StoreErrors::ReadForRewrite(logName, path, true);
    if (!text) return;
    const bool missing = text->empty() && !platform::FileExists(path);
    std::vector<std::string> kept;
    for (std::string& line : SplitLines(*text))
        if (!IsConfigOptionLine(line.c_str())) kept.push_back(std::move(line));
    QVReport::message("%s: strip any trailing empty lines.\n", logName);
    while (!kept.empty() && kept.back().empty())
        kept.pop_back();

    std::string out;
    for (const std::string& line : kept) {
        if (dropPasswords && IsPasswordLine(line)) continue;
        out += line;
        out += "\r\n";
    }
    out += kConfigOptionSeparator;
    out += "\r\n";
    out += OptionBlock(dropPasswords);
    if (missing) {
        size_t slash = path.rfind('/');
        if (slash != std::string::npos) platform::MakeDirectories(path.substr(0, slash));
    }
    if (!platform::AtomicReplaceFile(path, out.data(), out.size(),
                                     platform::FileAccess::Private)) // passwords
        StoreErrors::SaveFailed(logName, path, true);
}

} // namespace

// ---------------------------------------------------------------- on/off

bool HasSavedBoolConfigOption(const char16_t* key) {
    return FindRow(kBoolRows, key) || FindNextStartRow(key);
}

bool GetSavedBoolConfigOption(const char16_t* key) {
    if (const BoolRow* row = FindRow(kBoolRows, key)) return *row->option;
    if (const NextStartRow* row = FindNextStartRow(key)) return CurrentValue(row);
    return false;
}

bool GetSavedBoolConfigOptionDefault(const char16_t* key) {
    if (const BoolRow* row = FindRow(kBoolRows, key)) return row->defaultValue;
    if (const NextStartRow* row = FindNextStartRow(key)) return row->defaultValue;
    return false;
}

void SetSavedBoolConfigOption(const char16_t* key, bool value) {
    if (const NextStartRow* row = FindNextStartRow(key)) {
        if (CurrentValue(row) != value) S().restartNeeded = true;
        PendingOf(row) = Pending{true, value};
        return;
    }
    if (KeyEquals(key, u"FullScreen")) Services().setFullScreen(value);
    if (KeyEquals(key, u"PopupHelpEnabled")) Services().clearPopupHelpState();
    if (KeyEquals(key, u"Sound")) Services().enableSound(value);
    if (KeyEquals(key, u"Music")) Services().enableMusic(value);
    // The popup help window reads its sticky and persistent flags from the options themselves.
    if (const BoolRow* row = FindRow(kBoolRows, key)) *row->option = value;
}

// ---------------------------------------------------------------- colours

bool HasSavedColorConfigOption(const char16_t* key) {
    return FindRow(kColourRows, key) || KeyEquals(key, kSpeechHueKey) || KeyEquals(key, kEmoteHueKey) ||
           KeyEquals(key, kPartyMessageKey);
}

int GetSavedColorConfigOption(const char16_t* key) {
    if (const ColourRow* row = FindRow(kColourRows, key)) return *row->option;
    if (KeyEquals(key, kSpeechHueKey)) return CApp::GetSpeechHue();
    if (KeyEquals(key, kEmoteHueKey)) return CApp::GetEmoteHue();
    if (KeyEquals(key, kPartyMessageKey)) return PartyMessageHue;
    return 0;
}

int GetSavedColorConfigOptionDefault(const char16_t* key) {
    if (const ColourRow* row = FindRow(kColourRows, key)) return row->defaultValue;
    if (KeyEquals(key, kSpeechHueKey) || KeyEquals(key, kEmoteHueKey)) return RandomBelow(1000) + 1;
    return 0;
}

void SetSavedColorConfigOption(const char16_t* key, int value) {
    if (KeyEquals(key, kPartyMessageKey)) PartyMessageHue = value; // the party chat reads it
    if (const ColourRow* row = FindRow(kColourRows, key)) *row->option = value;
    if (KeyEquals(key, kSpeechHueKey)) CApp::SetSpeechHue(static_cast<uint16_t>(value));
    if (KeyEquals(key, kEmoteHueKey)) CApp::SetEmoteHue(static_cast<uint16_t>(value));
}

// ---------------------------------------------------------------- integers and fonts

int GetSavedIntConfigOption(const char16_t* key) {
    const IntRow* row = FindRow(kIntRows, key);
    return row ? *row->option : 0;
}

int GetSavedIntConfigOptionDefault(const char16_t* key) {
    const IntRow* row = FindRow(kIntRows, key);
    return row ? row->defaultValue : 0;
}

void SetSavedIntConfigOption(const char16_t* key, int value) {
    if (KeyEquals(key, u"CircleTransRadius")) CircleTrans::SetRadius(value);
    if (KeyEquals(key, u"SoundVol")) Services().setSoundVolume(value);
    if (KeyEquals(key, u"MusicVol")) Services().setMusicVolume(value);
    // The popup help reads its delay from "PopupHelpPreDelay" itself.
    if (const IntRow* row = FindRow(kIntRows, key)) *row->option = value;
}

int GetSavedFontConfigOption(const char16_t* key) {
    const IntRow* row = FindRow(kFontRows, key);
    return row ? *row->option : 0;
}

int GetSavedFontConfigOptionDefault(const char16_t* key) {
    const IntRow* row = FindRow(kFontRows, key);
    return row ? row->defaultValue : 0;
}

void SetSavedFontConfigOption(const char16_t* key, int value) {
    // The popup help and the tooltip window draw with "PopupHelpTextFont" and "ToolTipFont".
    if (const IntRow* row = FindRow(kFontRows, key)) *row->option = value;
}

// ---------------------------------------------------------------- text choices

std::u16string GetSavedRadioConfigOption(const char16_t* key) {
    const TextRow* row = FindRow(kTextRows, key);
    return row ? Widen(*row->option) : std::u16string();
}

std::u16string GetSavedRadioConfigOptionDefault(const char16_t* key) {
    const TextRow* row = FindRow(kTextRows, key);
    return row ? Widen(row->defaultValue) : std::u16string();
}

void SetSavedRadioConfigOption(const char16_t* key, const char16_t* value) {
    std::string text = Narrow(value);
    if (KeyEquals(key, u"GamePlayWindowSize")) {
        int w = 0, h = 0;
        if (std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2) GraphicManager::SetScreenSize(w, h);
        Services().rebuildGameAreaEdges();
        Services().recreateDC();
        Services().updatePlayerStepZ();
    }
    bool resolutionChanged = KeyEquals(key, u"FullScreenRes") && !EqualNoCase(text, FullScreenRes);
    if (const TextRow* row = FindRow(kTextRows, key)) *row->option = text;
    int w = 0, h = 0;
    if (KeyEquals(key, u"FullScreenRes") && std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2)
        SetFullScreenRes(w, h);
    if (resolutionChanged && Services().fullScreenMode()) {
        Services().setFullScreen(false);
        Services().setFullScreen(true);
    }
    if (FullScreenRes == "640x480" && GamePlayWindowSize == "800x600") {
        QVReport::warning("SetSavedRadioConfigOption: cannot set 'GamePlayWindowSize' to '800x600' unless "
                          "'FullScreenRes' is at least '800x600'. Setting 'FullScreenRes=800x600'\n");
        SetSavedRadioConfigOption(u"FullScreenRes", u"800x600");
    }
}

// ---------------------------------------------------------------- restart flag and defaults

bool IsRestartNeeded() {
    return S().restartNeeded;
}

void ClearRestartNeeded() {
    S().restartNeeded = false;
}

namespace CApp {

void resetConfigDefaults() {
    for (const BoolRow* row = kBoolRows; row->name; ++row)
        *row->option = row->defaultValue;
    for (const ColourRow* row = kColourRows; row->name; ++row)
        *row->option = row->defaultValue;
    for (const IntRow* rows : {kIntRows, kFontRows})
        for (const IntRow* row = rows; row->name; ++row)
            *row->option = row->defaultValue;
}

} // namespace CApp

void ResetSavedOptionDefaults() {
    CApp::resetConfigDefaults();
    for (const NextStartRow* row = kNextStartRows; row->name; ++row)
        *row->option = row->defaultValue;
    for (const TextRow* row = kTextRows; row->name; ++row)
        *row->option = row->defaultValue;
}

// ---------------------------------------------------------------- saving

bool IsConfigOptionLine(const char* line) {
    if (!line) return false;
    if (StartsWith(line, kConfigOptionSeparator)) return true;
    std::string key = ParseConfigLine(line).key;
    if (key.empty()) return false;
    std::u16string wide = Widen(key);
    const char16_t* k = wide.c_str();
    return FindRow(kBoolRows, k) || HasSavedColorConfigOption(k) || FindRow(kIntRows, k) ||
           FindRow(kFontRows, k) || FindRow(kTextRows, k) || FindRow(kNextStartRows, k);
}

void SaveConfigOptionsOldWay() {
    RewriteWithOptions(ConfigFiles::WorkingPath(ConfigFiles::kMainFile), "SaveConfigOptionsOldWay",
                       IsForgetPassword());
}

void SaveConfigOptions() {
    QVReport::message("SaveConfigOptionsOldWay Start ---.\n");
    SaveConfigOptionsOldWay();
    QVReport::message("SaveConfigOptionsOldWay End ---.\n");
    QVReport::message("SaveConfigOptions: save character specific info.\n");
    CApp::SaveCharData();
    QVReport::message("SaveConfigOptions: saved character specific info.\n");
    std::optional<std::string> name = ConfigFiles::PerCharacterName(ConfigFiles::kMainFile);
    if (CApp::GetShardName().empty() || CApp::GetName().empty() || !name) {
        QVReport::message("Servername or CApp::name no good, returning.\n");
        return;
    }
    RewriteWithOptions(ConfigFiles::WorkingPath(*name), "SaveConfigOptions", true);
}

void ResetSavedOptionsForTests() {
    S() = State{};
}
