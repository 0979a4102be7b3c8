#include "core/config.h"

#include "app/SavedOptions.h"
#include "app/multcli.h"
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "core/StoreErrors.h"
#include "platform/platform.h"
#include "render/CircleTrans.h"
#include "render/Display.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "text/LanguageTranslationServer.h"
#include "text/NameValidation.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>

namespace {

constexpr const char* kSourceName = "config";
constexpr size_t kMaxCdRomDataPath = 259;
constexpr uint32_t kLocalHost = 0x7F000001;
constexpr uint16_t kTranslationServerPort = 28888;

const ConfigKey kKeys[] = {
#define QV_CONFIG_ROW(name) {#name, ConfigKind::name},
    QV_CONFIG_KEYS(QV_CONFIG_ROW)
#undef QV_CONFIG_ROW
        {"Language", ConfigKind::Language},
    {nullptr, ConfigKind::None},
};
static_assert(std::size(kKeys) == kConfigKeyCount + 1);
static_assert(static_cast<int>(ConfigKind::Language) == kClassicConfigKeyCount);

std::vector<uint32_t> SystemResolver(std::string_view host) {
    return platform::ResolveHostIPv4All(host);
}

struct State {
    bool forgetPassword = false;
    LoginServerLists servers;
    HostResolver resolver = SystemResolver;
    int rotation = 0;
    bool obscenityChecked = false; // the first-logins rule runs once per run
};

State& S() {
    static State state;
    return state;
}

// ---------------------------------------------------------------- text helpers

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The value as one word: trailing blanks do not count.
std::string_view Word(std::string_view v) {
    while (!v.empty() && v.back() == ' ')
        v.remove_suffix(1);
    return v;
}

bool IsOneOf(const char* value, std::initializer_list<const char*> words) {
    std::string_view word = Word(value);
    for (const char* w : words)
        if (EqualNoCase(word, w)) return true;
    return false;
}

bool OnOff(const char* value) {
    return IsOneOf(value, {"on", "yes"});
}

// A decimal number as atoi reads it, held to the int range.
int ParseInt(const char* value) {
    long long n = std::strtoll(value, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

// 1 to maxDigits decimal digits from p on, moving p past them.
bool ReadDigits(const char*& p, int maxDigits, long& out) {
    long n = 0;
    int digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (++digits > maxDigits) return false;
        n = n * 10 + (*p++ - '0');
    }
    out = n;
    return digits > 0;
}

// "a.b.c.d,port" with 1 to 3 digits per group and 1 to 5 for the port.
bool ReadAddressShape(const char* text, int portDigitsMin, long (&groups)[4], long& port) {
    const char* p = text;
    for (int g = 0; g < 4; ++g) {
        if (!ReadDigits(p, 3, groups[g])) return false;
        if (*p++ != (g < 3 ? '.' : ',')) return false;
    }
    const char* portStart = p;
    if (!ReadDigits(p, 5, port) || p - portStart < portDigitsMin) return false;
    return *p == 0;
}

// A numeric address whose groups are bytes and whose port fits 16 bits.
bool ParseNumericAddress(std::string_view value, ServerAddress& out) {
    std::string text(Word(value));
    long groups[4] = {}, port = 0;
    if (!ReadAddressShape(text.c_str(), 1, groups, port)) return false;
    if (port > 65535 || std::any_of(std::begin(groups), std::end(groups), [](long g) { return g > 255; })) {
        QVReport::error("CApp::applyConfigDirective: address '%s' has a group above 255 or a port above "
                        "65535; refused.\n",
                        text.c_str());
        return false;
    }
    out.address = static_cast<uint32_t>(groups[0] << 24 | groups[1] << 16 | groups[2] << 8 | groups[3]);
    out.port = static_cast<uint16_t>(port);
    return true;
}

ServerAddress ResolvedAddress(const char* value) {
    int a = 0, b = 0, c = 0, d = 0, port = 0;
    ResolveHostAddress(value, a, b, c, d, port);
    return {static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(b) << 16 | static_cast<uint32_t>(c) << 8 |
                static_cast<uint32_t>(d),
            static_cast<uint16_t>(port)};
}

// ---------------------------------------------------------------- lines of a file

using LineSpan = ConfigLineSpan;

std::string_view LineText(std::string_view bytes, const LineSpan& span) {
    return bytes.substr(span.begin, span.end - span.begin);
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

// ---------------------------------------------------------------- applying keys

struct BoolRow {
    ConfigKind kind;
    bool* option;
};
struct IntRow {
    ConfigKind kind;
    int* option;
};
struct TextRow {
    ConfigKind kind;
    std::string* option;
};

// True for "on" or "yes".
const BoolRow kOnOffRows[] = {
    {ConfigKind::Sound, &Sound},
    {ConfigKind::Music, &Music},
    {ConfigKind::ObscenityFilter, &ObscenityFilter},
    {ConfigKind::FrameCounter, &FrameCounter},
    {ConfigKind::FullScreen, &FullScreen},
    {ConfigKind::ShowIntroAnim, &ShowIntroAnim},
    {ConfigKind::autoLogIn, &autoLogIn},
    {ConfigKind::OrderCacheOnStartup, &OrderCacheOnStartup},
    {ConfigKind::RememberAcctPW, &RememberAcctPW},
    {ConfigKind::JournalSaveUnicode, &JournalSaveUnicode},
    {ConfigKind::NotorietyQuery, &NotorietyQuery},
    {ConfigKind::UseCircleTrans, &UseCircleTrans},
    {ConfigKind::FilterPWOn, &FilterPWOn},
    {ConfigKind::Footsteps, &Footsteps},
    {ConfigKind::ShowTips, &ShowTips},
    {ConfigKind::ScaleBarkTimes, &ScaleBarkTimes},
    {ConfigKind::FrameSkipping, &FrameSkipping},
    {ConfigKind::AllowPathfind, &AllowPathfind},
    {ConfigKind::HoldTabForCombat, &HoldTabForCombat},
    {ConfigKind::OffsetGumps, &OffsetGumps},
    {ConfigKind::AutoArrangeMinimized, &AutoArrangeMinimized},
    {ConfigKind::UnicodeSpeech, &UnicodeSpeech},
    {ConfigKind::Sound8Bit, &Sound8Bit},
    {ConfigKind::ReverseSpeakers, &ReverseSpeakers},
    {ConfigKind::ChatAntiAlias, &ChatAntiAlias},
    {ConfigKind::AssumePlayAsGhost, &AssumePlayAsGhost},
    {ConfigKind::UseToolTips, &UseToolTips},
    {ConfigKind::CensorFlesh, &CensorFlesh},
    {ConfigKind::CensorBlood, &CensorBlood},
    {ConfigKind::ColoredLighting, &ColoredLighting},
    {ConfigKind::ShadedFonts, &ShadedFonts},
    {ConfigKind::ClientFirstLaunch, &ClientFirstLaunch},
    {ConfigKind::ShowIncomingNames, &ShowIncomingNames},
    {ConfigKind::StatReport, &StatReport},
    {ConfigKind::DarkNights, &DarkNights},
    {ConfigKind::AlwaysRun, &AlwaysRun},
    {ConfigKind::NewbieDesktop, &NewbieDesktop},
    {ConfigKind::FilterWeather, &FilterWeather},
    {ConfigKind::TreeCanopies, &TreeCanopies},
    {ConfigKind::Desolation, &Desolation},
    {ConfigKind::CombatMusic, &CombatMusic},
    {ConfigKind::ShiftForContext, &ShiftForContext},
    // Kept beyond being accepted, so that the options window's choices read back.
    {ConfigKind::SaveJournal, &SaveJournal},
    {ConfigKind::SaveDesktop, &SaveDesktop},
    {ConfigKind::CancelGumpOpen, &CancelGumpOpen},
};

// True also for "true".
const BoolRow kOnOffTrueRows[] = {
    {ConfigKind::EnableMessenger, &EnableMessenger},
    {ConfigKind::QVMessengerPing, &QVMessengerPing},
};

// True also for "true" and "1".
const BoolRow kOnOffTrueOneRows[] = {
    {ConfigKind::PopupHelpSticky, &PopupHelpSticky},
    {ConfigKind::TranslationServerAutomatic, &TranslationServerAutomatic},
};

const IntRow kIntRows[] = {
    {ConfigKind::SoundVol, &SoundVol},
    {ConfigKind::MusicVol, &MusicVol},
    {ConfigKind::LastTip, &LastTip},
    {ConfigKind::CurrentVer, &CurrentVer},
    {ConfigKind::BarkTimeModifier, &BarkTimeModifier},
    {ConfigKind::AltKeyModNum, &AltKeyModNum},
    {ConfigKind::ChatFontNumber, &ChatFontNumber},
    {ConfigKind::ChatSpaceWidth, &ChatSpaceWidth},
    {ConfigKind::BarkFontNumber, &BarkFontNumber},
    {ConfigKind::ClientLogin, &ClientLogin},
    {ConfigKind::QuestionFlags, &QuestionFlags},
    {ConfigKind::GMHelpQueueLinesPerRequest, &GMHelpQueueLinesPerRequest},
    {ConfigKind::GMHelpQueueMaxCharactersPerLine, &GMHelpQueueMaxCharactersPerLine},
    {ConfigKind::Season, &Season},
    {ConfigKind::NumPassTries, &NumPassTries},
};

const IntRow kColourRows[] = {
    {ConfigKind::CombatHueColor, &CombatHueColor},
    {ConfigKind::ChatColorSelfText, &ChatColorSelfText},
    {ConfigKind::ChatColorSelfName, &ChatColorSelfName},
    {ConfigKind::ChatColorOpsText, &ChatColorOpsText},
    {ConfigKind::ChatColorOpsName, &ChatColorOpsName},
    {ConfigKind::ChatColorMutedText, &ChatColorMutedText},
    {ConfigKind::ChatColorMutedName, &ChatColorMutedName},
    {ConfigKind::ChatColorText, &ChatColorText},
    {ConfigKind::ChatColorName, &ChatColorName},
    {ConfigKind::ChatColorMenuOption, &ChatColorMenuOption},
    {ConfigKind::ChatColorInput, &ChatColorInput},
    {ConfigKind::ChatColorSystemMessage, &ChatColorSystemMessage},
    {ConfigKind::ChatColorConferenceMenuBackground, &ChatColorConferenceMenuBackground},
    {ConfigKind::ChatColorCommandMenuBackground, &ChatColorCommandMenuBackground},
    {ConfigKind::ChatColorUserListBackground, &ChatColorUserListBackground},
    {ConfigKind::ChatColorTextBackground, &ChatColorTextBackground},
    {ConfigKind::ChatColorInputBackground, &ChatColorInputBackground},
    {ConfigKind::ChatColorDialogBackground, &ChatColorDialogBackground},
    {ConfigKind::ProfileColor1, &ProfileColor1},
    {ConfigKind::ProfileColor2, &ProfileColor2},
    {ConfigKind::ToolTipTextColor, &ToolTipTextColor},
    {ConfigKind::PopupHelpTextColor, &PopupHelpTextColor},
    {ConfigKind::CensoredBloodColor, &CensoredBloodColor},
};

// Hue numbers read as decimals; the parsed colour also goes to the notoriety's highlight slot.
const IntRow kHighlightRows[] = {
    {ConfigKind::HighlightColorInnocent, &HighlightColorInnocent},
    {ConfigKind::HighlightColorFriend, &HighlightColorFriend},
    {ConfigKind::HighlightColorCanAttack, &HighlightColorCanAttack},
    {ConfigKind::HighlightColorCriminal, &HighlightColorCriminal},
    {ConfigKind::HighlightColorEnemy, &HighlightColorEnemy},
    {ConfigKind::HighlightColorMurderer, &HighlightColorMurderer},
};

const TextRow kTextRows[] = {
    {ConfigKind::AcctID, &AcctID},
    {ConfigKind::AcctLastName, &AcctLastName},
    {ConfigKind::LoginServerFile, &LoginServerFile},
    {ConfigKind::UserLanguageCodeString, &UserLanguageCodeString},
    {ConfigKind::Language, &Language},
};

template <class Row, size_t N> const Row* FindRow(const Row (&rows)[N], ConfigKind kind) {
    for (const Row& row : rows)
        if (row.kind == kind) return &row;
    return nullptr;
}

// Kinds a per-character reading of the main configuration leaves alone: they belong to the
// account or to the machine, not to one character.
bool IsAccountKind(ConfigKind kind) {
    switch (kind) {
    case ConfigKind::RememberAcctPW:
    case ConfigKind::GlobalQueue:
    case ConfigKind::AcctPassword:
    case ConfigKind::NextLoginKey:
    case ConfigKind::TranslationServer:
    case ConfigKind::TranslationServerIPAddress:
    case ConfigKind::TranslationServerTranslatorName:
    case ConfigKind::TranslationServerSystranNFWMarker:
    case ConfigKind::TranslationServerSystranTopicalGlossaries:
    case ConfigKind::TranslationServerSystranDocumentType:
    case ConfigKind::NumPassTries:
    case ConfigKind::ClientLogin:
        return true;
    default:
        return false;
    }
}

bool IsPasswordKind(ConfigKind kind) {
    return kind == ConfigKind::RememberAcctPW || kind == ConfigKind::AcctPassword ||
           kind == ConfigKind::NumPassTries;
}

void AddLoginServer(std::vector<LoginServerEntry>& list, const char* key, const char* value) {
    if (static_cast<int>(list.size()) >= kMaxLoginServers) {
        QVReport::warning("CApp::applyConfigDirective: more than %d '%s' lines; '%s' ignored.\n",
                          kMaxLoginServers, key, value);
        return;
    }
    LoginServerEntry entry;
    std::string word(Word(value));
    if (IsNumericAddress(word.c_str())) {
        ServerAddress address;
        if (!ParseNumericAddress(word, address)) return;
        entry.numeric = true;
        entry.address = address.address;
        entry.port = address.port;
    } else {
        entry.host = value;
    }
    list.push_back(entry);
}

void ApplyEditServer(const char* value) {
    ServerAddress address;
    std::string word(Word(value));
    long groups[4] = {}, port = 0;
    if (ReadAddressShape(word.c_str(), 1, groups, port)) {
        if (ParseNumericAddress(word, address)) EditServer = address;
        return;
    }
    EditServer = ResolvedAddress(value);
}

void ApplyTranslationServerAddress(const char* value) {
    ServerAddress address{kLocalHost, kTranslationServerPort};
    std::string word(Word(value));
    if (IsNumericAddress(word.c_str())) ParseNumericAddress(word, address);
    TranslationServerIPAddress = address;
    LanguageTranslationServer::setAddress(address.address);
    LanguageTranslationServer::setPort(address.port);
}

void ApplySearchPath(const char* value) {
    std::string path(value);
    std::vector<std::string> paths = FileManager::searchPaths();
    std::string folder = path.empty() || path.back() == '/' ? path : path + "/";
    if (std::find(paths.begin(), paths.end(), folder) != paths.end()) return; // read again per character
    if (paths.size() + 2 > static_cast<size_t>(FileManager::MAX_SEARCH_PATHS) ||
        folder.size() >= FileManager::MAX_PATH_LENGTH) {
        QVReport::error("CApp::applyConfigDirective: search path '%s' refused: too long or too many.\n",
                        value);
        return;
    }
    FileManager::addSearchPath(path, true, false);
}

// The special rows; false when the kind is not one of them.
bool ApplySpecial(ConfigKind kind, const char* value, bool main) {
    switch (kind) {
    case ConfigKind::CdRomDataPath:
        CdRomDataPath.assign(value, std::min(std::strlen(value), kMaxCdRomDataPath));
        return true;
    case ConfigKind::CacheSize:
        CacheSize = ParseInt(value);
        CDHDCache::SetCacheSize(CacheSize);
        return true;
    case ConfigKind::HdUsage:
        CDHDCache::SetHdConfig(IsOneOf(value, {"max"}) ? CDHDCache::HdConfig::MaxHD
                                                       : CDHDCache::HdConfig::Cached);
        return true;
    case ConfigKind::PlayerName:
        CApp::SetName(value);
        return true;
    case ConfigKind::Password:
        Password = value;
        UnscramblePassword(Password);
        return true;
    case ConfigKind::FilterPassword:
        FilterPassword = value;
        UnscramblePassword(FilterPassword);
        return true;
    case ConfigKind::AcctPassword:
        if (S().forgetPassword) return true;
        AcctPassword = value;
        UnscramblePassword(AcctPassword);
        return true;
    case ConfigKind::PageFlip:
        PageFlip = OnOff(value);
        if (!PageFlip && IsOneOf(value, {"gdi"}) && !GDIFullScreenGiven) GDIFullScreen = true;
        return true;
    case ConfigKind::GDIFullScreen:
        GDIFullScreen = OnOff(value);
        GDIFullScreenGiven = true;
        return true;
    case ConfigKind::GamePlayWindowSize: {
        int w = 0, h = 0;
        if (std::sscanf(value, "%dx%d", &w, &h) != 2) return true;
        GamePlayWindowSize = value;
        GraphicManager::SetScreenSize(w, h);
        return true;
    }
    case ConfigKind::FullScreenRes: {
        FullScreenRes = value;
        int w = 0, h = 0;
        if (std::sscanf(value, "%dx%d", &w, &h) == 2) SetFullScreenRes(w, h);
        return true;
    }
    case ConfigKind::use565:
        Use565 = OnOff(value);
        return true;
    case ConfigKind::MouseThread:
        MouseThread = IsOneOf(value, {"on", "yes", "fast"});
        return true;
    case ConfigKind::Mouse:
        if (IsOneOf(value, {"slow"})) MouseThread = false;
        if (IsOneOf(value, {"fast"})) MouseThread = true;
        return true;
    case ConfigKind::UseVerData:
        UseVerData = OnOff(value);
        CDHDCache::SetUseVerData(UseVerData);
        return true;
    case ConfigKind::EditServer:
        ApplyEditServer(value);
        return true;
    case ConfigKind::UserCentral:
        ParseNumericAddress(value, UserCentral);
        return true;
    case ConfigKind::LoginServer:
    case ConfigKind::BackupLoginServer: {
        if (main) return true; // only the login server file lists servers
        LoginServerLists& lists = S().servers;
        bool login = kind == ConfigKind::LoginServer;
        AddLoginServer(login ? lists.login : lists.backup, ConfigKeyName(kind), value);
        if (login && lists.chosen < 0) lists.chosen = 0;
        return true;
    }
    case ConfigKind::NextLoginKey: {
        int key = 0;
        if (std::sscanf(value, "%d", &key) == 1) NextLoginKey = static_cast<uint8_t>(key);
        return true;
    }
    case ConfigKind::DefaultChar: {
        int slot = -1;
        if (std::sscanf(value, "%d", &slot) == 1 && slot >= 0 && slot <= 4) DefaultChar = slot;
        return true;
    }
    case ConfigKind::OrderCache: {
        std::string list(value);
        for (char* item = std::strtok(list.data(), ","); item; item = std::strtok(nullptr, ",")) {
            std::string_view word(item);
            while (!word.empty() && word.front() == ' ')
                word.remove_prefix(1);
            if (EqualNoCase(Word(word), "startup")) OrderCacheOnStartup = true;
        }
        return true;
    }
    case ConfigKind::GlobalQueue:
        if (OnOff(value)) GlobalQueue = true;
        return true;
    case ConfigKind::RuntimeDebugMsg:
        if (IsOneOf(value, {"on"})) RuntimeDebugMsg = true;
        return true;
    case ConfigKind::AllowWindowResize:
        if (IsOneOf(value, {"on", "yes", "true", "1"})) AllowWindowResize = true;
        if (IsOneOf(value, {"off", "no", "false", "0"})) AllowWindowResize = false;
        return true;
    case ConfigKind::PopupHelpPersistant:
        PopupHelpPersistant = !IsOneOf(value, {"no", "off", "false", "0"});
        return true;
    case ConfigKind::PopupHelpEnabled:
        PopupHelpEnabledGiven = true;
        PopupHelpEnabled = false;
        return true;
    case ConfigKind::TranslationServer:
        TranslationServer = IsOneOf(value, {"on", "yes", "true", "1"});
        if (TranslationServer) LanguageTranslationServer::enable();
        return true;
    case ConfigKind::TranslationServerIPAddress:
        ApplyTranslationServerAddress(value);
        return true;
    case ConfigKind::TranslationServerTranslatorName:
        TranslationServerTranslatorName = value;
        LanguageTranslationServer::setTranslatorName(value);
        return true;
    case ConfigKind::TranslationServerSystranNFWMarker:
        TranslationServerSystranNFWMarker = value;
        LanguageTranslationServer::setNFWMarker(value);
        return true;
    case ConfigKind::TranslationServerSystranTopicalGlossaries:
        TranslationServerSystranTopicalGlossaries = value;
        LanguageTranslationServer::setTopicalGlossaries(value);
        return true;
    case ConfigKind::TranslationServerSystranDocumentType:
        TranslationServerSystranDocumentType = value;
        LanguageTranslationServer::setDocumentType(value);
        return true;
    case ConfigKind::JournalSaveFile:
        JournalSaveFile = value;
        SaveJournal = true;
        return true;
    case ConfigKind::CircleTransRadius:
        CircleTransRadius = ParseInt(value);
        CircleTrans::SetRadius(CircleTransRadius);
        return true;
    case ConfigKind::CircleTransPos: {
        int x = 0, y = 0;
        if (std::sscanf(value, "%d,%d", &x, &y) != 2) return true;
        CircleTransPosX = x;
        CircleTransPosY = y;
        CircleTrans::SetCenter(x, y);
        return true;
    }
    case ConfigKind::PartyMessageColor:
        PartyMessageColor = PartyMessageHue = ParseInt(value);
        return true;
    case ConfigKind::SpamLimit:
        // Speech decays by this much per second and the spam message divides by it.
        SpamLimit = std::max(1, ParseInt(value));
        return true;
    case ConfigKind::SkillReportDiff:
        SkillReportDiff = std::min(100, ParseInt(value));
        return true;
    case ConfigKind::LastServerID:
        LastServerID = std::max(0, ParseInt(value));
        return true;
    case ConfigKind::ToolTipFont:
        ToolTipFont = std::clamp(ParseInt(value), 0, 2);
        return true;
    case ConfigKind::PopupHelpTextFont:
        PopupHelpTextFont = std::clamp(ParseInt(value), 0, 2);
        return true;
    case ConfigKind::ToolTipPreDelay:
        ToolTipPreDelay = std::max(100, ParseInt(value));
        return true;
    case ConfigKind::PopupHelpPreDelay:
        PopupHelpPreDelay = std::max(100, ParseInt(value));
        return true;
    case ConfigKind::FileManagerAddSearchPath:
        ApplySearchPath(value);
        return true;
    case ConfigKind::ObsceneWord:
    case ConfigKind::SavePassword:
        return true; // accepted; the word list and the password choice live elsewhere
    default:
        return false;
    }
}

// ---------------------------------------------------------------- writing

std::string MainConfigPath() {
    return ConfigFiles::WorkingPath(ConfigFiles::kMainFile);
}

// A file that is there but cannot be read is left alone (rewriting it would keep only this key);
// a write that fails keeps the old file, and the client goes on with the value in memory.
void WriteDirective(const std::string& path, ConfigKind kind, const char* value, bool omit) {
    std::optional<std::string> old = StoreErrors::ReadForRewrite("saveConfigDirective", path, true);
    if (!old) return;
    bool replaced = false;
    std::optional<std::string> out = RewriteDirectiveText(*old, kind, value, omit, &replaced);
    // The file holds the scrambled password, which is no secret: only the file's mode keeps other
    // local users out.
    if (!out || platform::AtomicReplaceFile(path, out->data(), out->size(), platform::FileAccess::Private))
        return;
    QVReport::error(replaced ? "saveConfigDirective: cannot open 'qv.cfg'. why? mode is 'wb'.\n"
                             : "saveConfigDirective: cannot open 'qv.cfg'.\n");
    StoreErrors::TellPlayer(path);
}

} // namespace

// ---------------------------------------------------------------- the key table

const ConfigKey* ConfigKeyTable() {
    return kKeys;
}

ConfigKind FindConfigKind(std::string_view name) {
    for (const ConfigKey* row = kKeys; row->name; ++row)
        if (EqualNoCase(name, row->name)) return row->kind;
    return ConfigKind::None;
}

const char* ConfigKeyName(ConfigKind kind) {
    for (const ConfigKey* row = kKeys; row->name; ++row)
        if (row->kind == kind) return row->name;
    return "";
}

std::vector<ConfigLineSpan> SplitConfigLines(std::string_view bytes) {
    std::vector<ConfigLineSpan> lines;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t begin = i;
        while (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n')
            ++i;
        size_t end = i;
        if (i < bytes.size() && bytes[i] == '\r') ++i;
        if (i < bytes.size() && bytes[i] == '\n' && (i == end || bytes[i - 1] == '\r')) ++i;
        lines.push_back({begin, end, i});
    }
    return lines;
}

ConfigLine ParseConfigLine(std::string_view line) {
    line = line.substr(0, std::min(line.find('\0'), ConfigFiles::kMaxLine));
    auto isKeyEnd = [](char c) { return std::strchr(" \t\r\n\f=", c) != nullptr && c != 0; };
    auto isValueEnd = [](char c) { return c == '\t' || c == '\r' || c == '\n' || c == '\f'; };
    size_t p = 0;
    while (p < line.size() && isKeyEnd(line[p]))
        ++p;
    size_t keyStart = p;
    while (p < line.size() && !isKeyEnd(line[p]))
        ++p;
    ConfigLine out;
    out.key = std::string(line.substr(keyStart, p - keyStart));
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
        ++p;
    if (p < line.size() && line[p] == '=') ++p;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
        ++p;
    size_t valueStart = p;
    while (p < line.size() && !isValueEnd(line[p]))
        ++p;
    out.value = std::string(line.substr(valueStart, p - valueStart));
    return out;
}

std::optional<std::string> RewriteDirectiveText(std::string_view old, ConfigKind kind, const char* value,
                                                bool omit, bool* replaced) {
    const std::string line = std::string(ConfigKeyName(kind)) + "=" + (value ? value : "");
    if (replaced) *replaced = false;
    for (const LineSpan& span : SplitConfigLines(old)) {
        if (FindConfigKind(ParseConfigLine(LineText(old, span)).key) != kind) continue;
        if (replaced) *replaced = true;
        std::string out(old.substr(0, span.begin));
        if (!omit) out += line + "\r\n";
        out += old.substr(span.next);
        return out;
    }
    if (omit) return std::nullopt;
    std::string out(old);
    // A last line without its line end would otherwise swallow the new key.
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\n";
    return out + line + "\n";
}

// ---------------------------------------------------------------- files and folders

namespace ConfigFiles {

std::optional<std::string> PerCharacterFolderName(std::string_view fileName) {
    const std::string& shard = CApp::GetShardName();
    const std::string& character = CApp::GetName();
    if (shard.empty() || character.empty()) return std::nullopt;
    return "Desktop/" + SafePathComponent(AcctID) + "/" + SafePathComponent(shard) + "/" +
           SafePathComponent(character) + "/" + std::string(fileName);
}

std::optional<std::string> PerCharacterName(std::string_view fileName) {
    if (CServerConfigSync::IsEnabled()) return "Desktop/common/" + std::string(fileName);
    return PerCharacterFolderName(fileName);
}

} // namespace ConfigFiles

void SetForgetPassword(bool on) {
    S().forgetPassword = on;
}

bool IsForgetPassword() {
    return S().forgetPassword;
}

// ---------------------------------------------------------------- login servers and addresses

LoginServerLists& GetLoginServerLists() {
    return S().servers;
}

bool ResolveLoginServer(const LoginServerEntry& entry, uint32_t& address, uint16_t& port) {
    if (entry.numeric) {
        address = entry.address;
        port = entry.port;
        return true;
    }
    ServerAddress resolved = ResolvedAddress(entry.host.c_str());
    address = resolved.address;
    port = resolved.port;
    return address != 0;
}

bool IsNumericAddress(const char* text) {
    if (!text) QVReport::fatal("FILE:%s, Function: IsNumericAddress: val == 0.\n", kSourceName);
    long groups[4] = {}, port = 0;
    return ReadAddressShape(text, 4, groups, port);
}

void ResolveHostAddress(const char* text, int& a, int& b, int& c, int& d, int& port) {
    a = b = c = d = port = 0;
    if (!text) return;
    std::string_view value(text);
    size_t comma = value.find(',');
    std::string host(Word(value.substr(0, comma)));
    if (comma != std::string_view::npos) {
        long long number = std::strtoll(text + comma + 1, nullptr, 10);
        if (number < 0 || number > 65535) {
            QVReport::error("ResolveHostAddress: port of '%s' is not a 16-bit number; refused.\n", text);
            return;
        }
        port = static_cast<int>(number);
    }
    std::vector<uint32_t> addresses = S().resolver(host);
    if (addresses.empty()) {
        QVReport::error("ResolveHostAddress: cannot resolve host '%s'.\n", host.c_str());
        port = 0;
        return;
    }
    int& index = S().rotation;
    if (index < 0 || index >= static_cast<int>(addresses.size())) index = 0;
    uint32_t address = addresses[static_cast<size_t>(index++)];
    a = static_cast<int>(address >> 24);
    b = static_cast<int>((address >> 16) & 0xFF);
    c = static_cast<int>((address >> 8) & 0xFF);
    d = static_cast<int>(address & 0xFF);
}

void SetHostResolver(HostResolver resolver) {
    S().resolver = resolver ? resolver : SystemResolver;
}

int GetHostRotationIndex() {
    return S().rotation;
}

// ---------------------------------------------------------------- reading

namespace CApp {

void applyConfigDirective(ConfigKind kind, const char* value, bool main) {
    if (!value) return;
    if (const BoolRow* row = FindRow(kOnOffRows, kind)) {
        *row->option = OnOff(value);
    } else if (const BoolRow* row = FindRow(kOnOffTrueRows, kind)) {
        *row->option = IsOneOf(value, {"on", "yes", "true"});
    } else if (const BoolRow* row = FindRow(kOnOffTrueOneRows, kind)) {
        *row->option = IsOneOf(value, {"on", "yes", "true", "1"});
    } else if (const IntRow* row = FindRow(kIntRows, kind)) {
        *row->option = ParseInt(value);
    } else if (const IntRow* row = FindRow(kColourRows, kind)) {
        *row->option = ParseColor(value);
    } else if (const IntRow* row = FindRow(kHighlightRows, kind)) {
        *row->option = ParseInt(value);
        int colour = ParseColor(value);
        HueManager::SetHighlightColorSlot(static_cast<int>(row - kHighlightRows) + 1,
                                          colour >= 0 ? colour | 1 : colour);
    } else if (const TextRow* row = FindRow(kTextRows, kind)) {
        *row->option = value;
    } else if (!ApplySpecial(kind, value, main)) {
        QVReport::warning("CApp::applyConfigDirective: key kind %d has no rule.\n", static_cast<int>(kind));
    }
}

void ApplyConfigText(std::string_view text, bool main, bool perCharacter) {
    for (const LineSpan& span : SplitConfigLines(text)) {
        ConfigLine line = ParseConfigLine(LineText(text, span));
        if (line.key.empty() || line.value.empty()) continue;
        ConfigKind kind = FindConfigKind(line.key);
        if (kind == ConfigKind::None) continue;
        if (main && perCharacter &&
            (IsAccountKind(kind) || (kind == ConfigKind::FullScreen && CServerConfigSync::IsEnabled())))
            continue;
        applyConfigDirective(kind, line.value.c_str(), main);
    }
}

void readConfig(const char* fileName, bool main) {
    QVReport::message("CApp::readConfig: begin. file '%s'%s.\n", fileName ? fileName : "",
                      main ? ", main" : "");
    bool perCharacter = false;
    std::optional<std::string> text;
    if (main) {
        if (CServerConfigSync::IsEnabled()) resetConfigDefaults();
        if (std::optional<std::string> name = ConfigFiles::PerCharacterName(ConfigFiles::kMainFile)) {
            perCharacter = true;
            text = ReadFileText(ConfigFiles::WorkingPath(*name));
        }
        if (!text) text = ReadFileText(MainConfigPath());
        platform::SweepStaleTemporariesOnce(MainConfigPath()); // what a save killed midway left
    } else if (fileName) {
        text = ReadFileText(ConfigFiles::WorkingPath(fileName));
    }
    if (!text) {
        QVReport::error("File:%s, Function:CApp::readConfig: cannot open file ''.\n", kSourceName);
        return;
    }
    ApplyConfigText(*text, main, perCharacter);

    if (S().obscenityChecked) return;
    S().obscenityChecked = true;
    if (ClientLogin < 2) {
        ObscenityFilter = false;
        saveConfigDirective(ConfigKind::ObscenityFilter, "off");
    }
}

} // namespace CApp

// ---------------------------------------------------------------- writing

void saveConfigDirective(ConfigKind kind, const char* value) {
    if (kind == ConfigKind::None || !value) return;
    if (std::optional<std::string> name = ConfigFiles::PerCharacterName(ConfigFiles::kMainFile)) {
        std::string path = ConfigFiles::WorkingPath(*name);
        if (platform::FileExists(path)) {
            WriteDirective(path, kind, value, IsPasswordKind(kind));
            return;
        }
    }
    WriteDirective(MainConfigPath(), kind, value, IsPasswordKind(kind) && S().forgetPassword);
}

void saveConfigDirective(const char* key, const char* value) {
    saveConfigDirective(FindConfigKind(key ? key : ""), value);
}

void saveMainConfigDirective(ConfigKind kind, const char* value) {
    if (kind == ConfigKind::None || !value) return;
    WriteDirective(MainConfigPath(), kind, value, IsPasswordKind(kind) && S().forgetPassword);
}

bool getQVCfgDirective(ConfigKind kind, std::string& out) {
    std::optional<std::string> text;
    if (std::optional<std::string> name = ConfigFiles::PerCharacterFolderName(ConfigFiles::kMainFile))
        text = ReadFileText(ConfigFiles::WorkingPath(*name));
    if (!text) text = ReadFileText(MainConfigPath());
    if (!text) return false;
    bool found = false;
    for (const LineSpan& span : SplitConfigLines(*text)) {
        ConfigLine line = ParseConfigLine(LineText(*text, span));
        QVReport::message("getQVCfgDirective: found '%s'.\n", line.key.c_str());
        std::string value = line.value.substr(0, line.value.find(' '));
        if (value.empty() || FindConfigKind(line.key) != kind) continue;
        out = value;
        found = true;
    }
    return found;
}

const char* GetLoginServerFile() {
    return LoginServerFile.empty() ? ConfigFiles::kLoginFile : LoginServerFile.c_str();
}

void ResetConfigForTests() {
    S() = State{};
    ConfigFiles::SetWorkingFolder("");
}
