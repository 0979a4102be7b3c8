#pragma once
// The options: plain variables named after their "qv.cfg" keys, filled by the configuration reader
// (core/config) and the options window's tables (core/SavedOptions), read by the whole client.
// They hold their defaults until the configuration is read.
#include <cstdint>
#include <string>

// ---------------------------------------------------------------- on/off
extern bool Sound;
extern bool Music;
extern bool ObscenityFilter;
extern bool FrameCounter; // the text entry line shows the frame count
extern bool FullScreen;
extern bool ShowIntroAnim;     // play the intro at every start
extern bool ClientFirstLaunch; // play the intro once, then saved as "no"
extern bool autoLogIn;
extern bool OrderCacheOnStartup;
extern bool RememberAcctPW; // the account password is kept in "qv.cfg"
extern bool GlobalQueue;
extern bool UseVerData;
extern bool SaveJournal;
extern bool JournalSaveUnicode;
extern bool NotorietyQuery;
extern bool UseCircleTrans;
extern bool FilterPWOn;
extern bool Footsteps;
extern bool ShowTips;
extern bool ScaleBarkTimes;
extern bool FrameSkipping; // a late frame step first updates the world without drawing
extern bool AllowPathfind;
extern bool HoldTabForCombat; // war while Tab is held
extern bool OffsetGumps;
extern bool AutoArrangeMinimized;
extern bool ChatAntiAlias;
extern bool AssumePlayAsGhost;
extern bool UseToolTips;
extern bool PopupHelpEnabled;
extern bool PopupHelpEnabledGiven; // "PopupHelpEnabled" appeared in the configuration
extern bool PopupHelpSticky;
extern bool PopupHelpPersistant;
extern bool CensorFlesh;
extern bool CensorBlood;
extern bool TranslationServer;
extern bool TranslationServerAutomatic;
extern bool AllowWindowResize; // the game area follows the window's size
extern bool ColoredLighting;
extern bool ShadedFonts;
extern bool ShowIncomingNames;
extern bool StatReport;
extern bool DarkNights;
extern bool AlwaysRun;
extern bool NewbieDesktop;
extern bool SaveDesktop;
extern bool CancelGumpOpen;
extern bool FilterWeather;
extern bool TreeCanopies;
extern bool Desolation;
extern bool CombatMusic;
extern bool RuntimeDebugMsg; // the verbose mode: extra system lines
extern bool ShiftForContext;

// Read at start-up only: the options window changes them for the next start.
extern bool Sound8Bit;
extern bool ReverseSpeakers;
extern bool UnicodeSpeech;
extern bool MouseThread; // the 25 ms software-cursor timer
extern bool PageFlip;
extern bool GDIFullScreen;
extern bool GDIFullScreenGiven; // once given, "GDIFullScreen" alone decides
extern bool Use565;             // the "use565" key
extern bool EnableMessenger;
extern bool QVMessengerPing;

// ---------------------------------------------------------------- numbers
extern int CacheSize; // megabytes
extern int SoundVol;  // 0..255
extern int MusicVol;  // 0..255
extern int LastTip;
extern int CurrentVer;
extern int BarkTimeModifier; // percent scale of overhead text lifetimes
extern int AltKeyModNum;
extern int ChatFontNumber;
extern int ChatSpaceWidth;
extern int BarkFontNumber;
extern int SpamLimit;   // speech budget units per second
extern int ClientLogin; // times the player has entered the world
extern int QuestionFlags;
extern int SkillReportDiff;   // at most 100
extern int LastServerID;      // never negative
extern int ToolTipFont;       // 0..2
extern int PopupHelpTextFont; // 0..2
extern int ToolTipPreDelay;   // at least 100 ms
extern int PopupHelpPreDelay; // at least 100 ms
extern int CircleTransRadius;
extern int CircleTransPosX;
extern int CircleTransPosY;
extern uint8_t NextLoginKey;
extern int DefaultChar; // the default character slot, 0..4
extern int GMHelpQueueLinesPerRequest;
extern int GMHelpQueueMaxCharactersPerLine;
extern int Season;
extern int NumPassTries;

// ---------------------------------------------------------------- colours: 15-bit 5-5-5, or hue numbers
extern int CombatHueColor;
extern int ChatColorSelfText;
extern int ChatColorSelfName;
extern int ChatColorOpsText;
extern int ChatColorOpsName;
extern int ChatColorMutedText;
extern int ChatColorMutedName;
extern int ChatColorText;
extern int ChatColorName;
extern int ChatColorMenuOption;
extern int ChatColorInput;
extern int ChatColorSystemMessage;
extern int ChatColorConferenceMenuBackground;
extern int ChatColorCommandMenuBackground;
extern int ChatColorUserListBackground;
extern int ChatColorTextBackground;
extern int ChatColorInputBackground;
extern int ChatColorDialogBackground;
extern int ProfileColor1;
extern int ProfileColor2;
extern int ToolTipTextColor;
extern int PopupHelpTextColor;
extern int CensoredBloodColor;
// Hue numbers.
extern int HighlightColorInnocent;
extern int HighlightColorFriend;
extern int HighlightColorCanAttack;
extern int HighlightColorCriminal;
extern int HighlightColorEnemy;
extern int HighlightColorMurderer;
extern int PartyMessageColor;
extern int PartyMessageHue; // the hue party lines are shown in

// ---------------------------------------------------------------- text
extern std::string CdRomDataPath; // at most 259 characters
extern std::string Password;      // the texts of the three passwords, unscrambled
extern std::string FilterPassword;
extern std::string AcctPassword;
extern std::string AcctID; // the account name
extern std::string AcctLastName;
extern std::string FullScreenRes;      // "%dx%d"
extern std::string GamePlayWindowSize; // "%dx%d"
extern std::string Language;
extern std::string UserLanguageCodeString;
extern std::string LoginServerFile;
extern std::string JournalSaveFile;
extern std::string TranslationServerTranslatorName;
extern std::string TranslationServerSystranNFWMarker;
extern std::string TranslationServerSystranTopicalGlossaries;
extern std::string TranslationServerSystranDocumentType;

// ---------------------------------------------------------------- addresses (host order)
struct ServerAddress {
    uint32_t address = 0; // a.b.c.d with a in the high byte; 0 when none is configured
    uint16_t port = 0;
};
extern ServerAddress EditServer; // wins over the login server lists when set
extern ServerAddress UserCentral;
extern ServerAddress TranslationServerIPAddress;

// Every option back to its default.
void ResetOptions();
// Every option of the options window's six tables back to its default, the next-start and text
// choices included; defined beside the tables (app/SavedOptions.cpp).
void ResetSavedOptionDefaults();
