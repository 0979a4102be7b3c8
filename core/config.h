#pragma once
// The configuration files: "qv.cfg" in the working folder (and again per character under
// "Desktop"), and the login server file ("login.cfg" or the file "LoginServerFile" names). Each
// holds key=value lines over one table of keys, matched without regard to case; keys outside the
// table are ignored. Reading applies each key to its option (core/Options.h); saving rewrites one
// key's line in place or appends it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every key, in table order. The kind is the key's identity.
#define QV_CONFIG_KEYS(X)                                                                                    \
    X(CdRomDataPath)                                                                                         \
    X(CacheSize)                                                                                             \
    X(HdUsage)                                                                                               \
    X(PlayerName)                                                                                            \
    X(Password)                                                                                              \
    X(Sound)                                                                                                 \
    X(SoundVol)                                                                                              \
    X(Music)                                                                                                 \
    X(MusicVol)                                                                                              \
    X(ObscenityFilter)                                                                                       \
    X(ObsceneWord)                                                                                           \
    X(FilterPassword)                                                                                        \
    X(PageFlip)                                                                                              \
    X(GDIFullScreen)                                                                                         \
    X(FrameCounter)                                                                                          \
    X(SavePassword)                                                                                          \
    X(FullScreen)                                                                                            \
    X(FullScreenRes)                                                                                         \
    X(GamePlayWindowSize)                                                                                    \
    X(UserLanguageCodeString)                                                                                \
    X(EditServer)                                                                                            \
    X(UserCentral)                                                                                           \
    X(ShowIntroAnim)                                                                                         \
    X(use565)                                                                                                \
    X(EnableMessenger)                                                                                       \
    X(QVMessengerPing)                                                                                       \
    X(autoLogIn)                                                                                             \
    X(OrderCache)                                                                                            \
    X(OrderCacheOnStartup)                                                                                   \
    X(RememberAcctPW)                                                                                        \
    X(GlobalQueue)                                                                                           \
    X(LoginServerFile)                                                                                       \
    X(LoginServer)                                                                                           \
    X(BackupLoginServer)                                                                                     \
    X(AcctID)                                                                                                \
    X(AcctLastName)                                                                                          \
    X(AcctPassword)                                                                                          \
    X(NextLoginKey)                                                                                          \
    X(DefaultChar)                                                                                           \
    X(Mouse)                                                                                                 \
    X(MouseThread)                                                                                           \
    X(UseVerData)                                                                                            \
    X(SaveJournal)                                                                                           \
    X(JournalSaveFile)                                                                                       \
    X(JournalSaveUnicode)                                                                                    \
    X(NotorietyQuery)                                                                                        \
    X(UseCircleTrans)                                                                                        \
    X(CircleTransRadius)                                                                                     \
    X(CircleTransPos)                                                                                        \
    X(FilterPWOn)                                                                                            \
    X(Footsteps)                                                                                             \
    X(ShowTips)                                                                                              \
    X(LastTip)                                                                                               \
    X(CurrentVer)                                                                                            \
    X(BarkTimeModifier)                                                                                      \
    X(ScaleBarkTimes)                                                                                        \
    X(CombatHueColor)                                                                                        \
    X(FrameSkipping)                                                                                         \
    X(AllowPathfind)                                                                                         \
    X(HoldTabForCombat)                                                                                      \
    X(OffsetGumps)                                                                                           \
    X(AutoArrangeMinimized)                                                                                  \
    X(UnicodeSpeech)                                                                                         \
    X(AltKeyModNum)                                                                                          \
    X(Sound8Bit)                                                                                             \
    X(ReverseSpeakers)                                                                                       \
    X(ChatColorSelfText)                                                                                     \
    X(ChatColorSelfName)                                                                                     \
    X(ChatColorOpsText)                                                                                      \
    X(ChatColorOpsName)                                                                                      \
    X(ChatColorMutedText)                                                                                    \
    X(ChatColorMutedName)                                                                                    \
    X(ChatColorText)                                                                                         \
    X(ChatColorName)                                                                                         \
    X(ChatColorMenuOption)                                                                                   \
    X(ChatColorInput)                                                                                        \
    X(ChatColorSystemMessage)                                                                                \
    X(ChatColorConferenceMenuBackground)                                                                     \
    X(ChatColorCommandMenuBackground)                                                                        \
    X(ChatColorUserListBackground)                                                                           \
    X(ChatColorTextBackground)                                                                               \
    X(ChatColorInputBackground)                                                                              \
    X(ChatColorDialogBackground)                                                                             \
    X(ChatFontNumber)                                                                                        \
    X(ChatSpaceWidth)                                                                                        \
    X(ChatAntiAlias)                                                                                         \
    X(BarkFontNumber)                                                                                        \
    X(ProfileColor1)                                                                                         \
    X(ProfileColor2)                                                                                         \
    X(HighlightColorInnocent)                                                                                \
    X(HighlightColorFriend)                                                                                  \
    X(HighlightColorCanAttack)                                                                               \
    X(HighlightColorCriminal)                                                                                \
    X(HighlightColorEnemy)                                                                                   \
    X(HighlightColorMurderer)                                                                                \
    X(AssumePlayAsGhost)                                                                                     \
    X(UseToolTips)                                                                                           \
    X(ToolTipPreDelay)                                                                                       \
    X(ToolTipFont)                                                                                           \
    X(ToolTipTextColor)                                                                                      \
    X(PopupHelpEnabled)                                                                                      \
    X(PopupHelpPreDelay)                                                                                     \
    X(PopupHelpTextColor)                                                                                    \
    X(PopupHelpTextFont)                                                                                     \
    X(PopupHelpSticky)                                                                                       \
    X(PopupHelpPersistant)                                                                                   \
    X(PartyMessageColor)                                                                                     \
    X(CensorFlesh)                                                                                           \
    X(CensorBlood)                                                                                           \
    X(CensoredBloodColor)                                                                                    \
    X(TranslationServer)                                                                                     \
    X(TranslationServerIPAddress)                                                                            \
    X(TranslationServerTranslatorName)                                                                       \
    X(TranslationServerSystranNFWMarker)                                                                     \
    X(TranslationServerSystranTopicalGlossaries)                                                             \
    X(TranslationServerSystranDocumentType)                                                                  \
    X(TranslationServerAutomatic)                                                                            \
    X(AllowWindowResize)                                                                                     \
    X(SpamLimit)                                                                                             \
    X(FileManagerAddSearchPath)                                                                              \
    X(GMHelpQueueLinesPerRequest)                                                                            \
    X(GMHelpQueueMaxCharactersPerLine)                                                                       \
    X(ColoredLighting)                                                                                       \
    X(ShadedFonts)                                                                                           \
    X(ClientFirstLaunch)                                                                                     \
    X(SkillReportDiff)                                                                                       \
    X(ShowIncomingNames)                                                                                     \
    X(StatReport)                                                                                            \
    X(LastServerID)                                                                                          \
    X(DarkNights)                                                                                            \
    X(AlwaysRun)                                                                                             \
    X(NewbieDesktop)                                                                                         \
    X(SaveDesktop)                                                                                           \
    X(CancelGumpOpen)                                                                                        \
    X(FilterWeather)                                                                                         \
    X(Season)                                                                                                \
    X(NumPassTries)                                                                                          \
    X(TreeCanopies)                                                                                          \
    X(Desolation)                                                                                            \
    X(CombatMusic)                                                                                           \
    X(ClientLogin)                                                                                           \
    X(RuntimeDebugMsg)                                                                                       \
    X(ShiftForContext)                                                                                       \
    X(QuestionFlags)

enum class ConfigKind : int {
#define QV_CONFIG_KIND(name) name,
    QV_CONFIG_KEYS(QV_CONFIG_KIND)
#undef QV_CONFIG_KIND
    // The options window saves the language choice; this key reads it back.
    Language,
    None, // the terminating row: matches no key
};

constexpr int kClassicConfigKeyCount = 144; // the keys before "Language"
constexpr int kConfigKeyCount = static_cast<int>(ConfigKind::None);

struct ConfigKey {
    const char* name; // null in the terminating row
    ConfigKind kind;
};
// kConfigKeyCount rows and the terminating row.
const ConfigKey* ConfigKeyTable();
// The kind of a key name, regardless of case; None for names outside the table.
ConfigKind FindConfigKind(std::string_view name);
// The key name of a kind; "" for None.
const char* ConfigKeyName(ConfigKind kind);

// One parsed line: the key is the first token split at blanks, tabs, CR, LF, FF and '='; the
// value follows the blanks and the '=' after it and runs to a tab, CR, LF or FF, blanks included.
struct ConfigLine {
    std::string key;
    std::string value;
};
ConfigLine ParseConfigLine(std::string_view line);

// The lines of a file: each ends at CR, LF or CR LF (the last may have no end).
struct ConfigLineSpan {
    size_t begin;
    size_t end;  // the content's end
    size_t next; // after the line end
};
std::vector<ConfigLineSpan> SplitConfigLines(std::string_view bytes);

// ---------------------------------------------------------------- files and folders
namespace ConfigFiles {
constexpr const char* kMainFile = "qv.cfg";
constexpr const char* kLoginFile = "login.cfg";
constexpr size_t kMaxLine = 256; // characters of a line that are looked at

// The folder that holds "qv.cfg" and the player's lists: the one set here (tests), else the
// client's folder ("ExePath"), else the last-resort folder, else the process's working folder.
void SetWorkingFolder(std::string_view folder);
const std::string& WorkingFolder();
// The folder taken when neither is known, in place of the process's working folder (fuzz targets
// point it at a temporary folder). Tests' resets leave it alone.
void SetLastResortFolder(std::string_view folder);
// A name in the working folder: the existing file whose name matches regardless of case, else the
// plain path. Absolute names are taken as they are.
std::string WorkingPath(std::string_view name);
// The per-character place of a file: "Desktop/common/<file>" while the server keeps the
// configuration files, else "Desktop/<account>/<shard>/<character>/<file>" when the shard and the
// character name are both set (each name in its folder form), else nothing.
std::optional<std::string> PerCharacterName(std::string_view fileName);
// Only the "Desktop/<account>/<shard>/<character>/<file>" form.
std::optional<std::string> PerCharacterFolderName(std::string_view fileName);
} // namespace ConfigFiles

// The forget-password flag: set while the account login screen removes a stored password; the
// password keys are then neither written nor kept.
void SetForgetPassword(bool on);
bool IsForgetPassword();

// ---------------------------------------------------------------- the login server lists
struct LoginServerEntry {
    bool numeric = false; // address and port are set; otherwise host holds "name,port"
    uint32_t address = 0; // a.b.c.d with a in the high byte
    uint16_t port = 0;
    std::string host;
};
constexpr int kMaxLoginServers = 8;
struct LoginServerLists {
    std::vector<LoginServerEntry> login;  // "LoginServer", at most 8
    std::vector<LoginServerEntry> backup; // "BackupLoginServer", at most 8
    int chosen = -1;                      // the chosen login server; a "LoginServer" line makes it 0
    int chosenBackup = -1;
};
LoginServerLists& GetLoginServerLists();
// The address and port of an entry: numeric entries as stored, host entries resolved now. False
// (and 0, 0) when the host cannot be resolved.
bool ResolveLoginServer(const LoginServerEntry& entry, uint32_t& address, uint16_t& port);

// ---------------------------------------------------------------- addresses
// Four groups of 1 to 3 digits separated by '.', a ',' and a port of 4 or 5 digits, nothing more.
bool IsNumericAddress(const char* text);
// "host,port": the port after the comma (0 without one); the host's addresses are taken in turn
// by one rotating index for all hosts. All results 0 when the host is unknown or the port does
// not fit 16 bits.
void ResolveHostAddress(const char* text, int& a, int& b, int& c, int& d, int& port);
// The name look-up behind ResolveHostAddress: every IPv4 address of a host, in host order.
using HostResolver = std::vector<uint32_t> (*)(std::string_view host);
void SetHostResolver(HostResolver resolver); // null restores the system's
int GetHostRotationIndex();

// ---------------------------------------------------------------- reading and writing
namespace CApp {
// The folder of the client named by "ExePath", ending in its separator; "" before startup (set by
// the application's start-up).
const std::string& GetClientFolder();
// Reads "qv.cfg" (main: the per-character file when there is one) or another file (login.cfg)
// and applies each known key.
void readConfig(const char* fileName, bool main);
void applyConfigDirective(ConfigKind kind, const char* value, bool main);
// The lines of a file's text applied as readConfig applies them; a per-character reading of the
// main configuration leaves the account's keys alone.
void ApplyConfigText(std::string_view text, bool main, bool perCharacter);
} // namespace CApp

// Writes key=value into the per-character "qv.cfg" when it exists, else into the main one.
void saveConfigDirective(ConfigKind kind, const char* value);
void saveConfigDirective(const char* key, const char* value); // by key name
// The same, always into the main "qv.cfg".
void saveMainConfigDirective(ConfigKind kind, const char* value);
// The value of the last line of that kind (the value ends at a blank), from the per-character
// file or else the main one; false when none is found.
bool getQVCfgDirective(ConfigKind kind, std::string& out);

// The text of a configuration file with the first line of kind replaced by key=value CR LF (or
// dropped when omit), or with "key=value" LF appended when there is none (after a line end, when
// the last line lacks one); nullopt when there is nothing to write.
std::optional<std::string> RewriteDirectiveText(std::string_view old, ConfigKind kind, const char* value,
                                                bool omit, bool* replaced = nullptr);

// The login server file: the "LoginServerFile" value, or "login.cfg".
const char* GetLoginServerFile();

// The configuration module's state (lists, rotating index, flags, working folder) back to start.
void ResetConfigForTests();
