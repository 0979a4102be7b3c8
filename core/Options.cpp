#include "core/Options.h"

bool Sound, Music, ObscenityFilter, FrameCounter, FullScreen, ShowIntroAnim, ClientFirstLaunch, autoLogIn,
    OrderCacheOnStartup, RememberAcctPW, GlobalQueue, UseVerData, SaveJournal, JournalSaveUnicode,
    NotorietyQuery, UseCircleTrans, FilterPWOn, Footsteps, ShowTips, ScaleBarkTimes, FrameSkipping,
    AllowPathfind, HoldTabForCombat, OffsetGumps, AutoArrangeMinimized, ChatAntiAlias, AssumePlayAsGhost,
    UseToolTips, PopupHelpEnabled, PopupHelpEnabledGiven, PopupHelpSticky, PopupHelpPersistant, CensorFlesh,
    CensorBlood, TranslationServer, TranslationServerAutomatic, AllowWindowResize, ColoredLighting,
    ShadedFonts, ShowIncomingNames, StatReport, DarkNights, AlwaysRun, NewbieDesktop, SaveDesktop,
    CancelGumpOpen, FilterWeather, TreeCanopies, Desolation, CombatMusic, RuntimeDebugMsg, ShiftForContext;
bool Sound8Bit, ReverseSpeakers, UnicodeSpeech, MouseThread, PageFlip, GDIFullScreen, GDIFullScreenGiven,
    Use565, EnableMessenger, QVMessengerPing;

int CacheSize, SoundVol, MusicVol, LastTip, CurrentVer, BarkTimeModifier, AltKeyModNum, ChatFontNumber,
    ChatSpaceWidth, BarkFontNumber, SpamLimit, ClientLogin, QuestionFlags, SkillReportDiff, LastServerID,
    ToolTipFont, PopupHelpTextFont, ToolTipPreDelay, PopupHelpPreDelay, CircleTransRadius, CircleTransPosX,
    CircleTransPosY, DefaultChar, GMHelpQueueLinesPerRequest, GMHelpQueueMaxCharactersPerLine, Season,
    NumPassTries;
uint8_t NextLoginKey;

int CombatHueColor, ChatColorSelfText, ChatColorSelfName, ChatColorOpsText, ChatColorOpsName,
    ChatColorMutedText, ChatColorMutedName, ChatColorText, ChatColorName, ChatColorMenuOption, ChatColorInput,
    ChatColorSystemMessage, ChatColorConferenceMenuBackground, ChatColorCommandMenuBackground,
    ChatColorUserListBackground, ChatColorTextBackground, ChatColorInputBackground, ChatColorDialogBackground,
    ProfileColor1, ProfileColor2, ToolTipTextColor, PopupHelpTextColor, CensoredBloodColor;
int HighlightColorInnocent, HighlightColorFriend, HighlightColorCanAttack, HighlightColorCriminal,
    HighlightColorEnemy, HighlightColorMurderer, PartyMessageColor, PartyMessageHue;

std::string CdRomDataPath, Password, FilterPassword, AcctPassword, AcctID, AcctLastName, FullScreenRes,
    GamePlayWindowSize, Language, UserLanguageCodeString, LoginServerFile, JournalSaveFile,
    TranslationServerTranslatorName, TranslationServerSystranNFWMarker,
    TranslationServerSystranTopicalGlossaries, TranslationServerSystranDocumentType;

ServerAddress EditServer, UserCentral, TranslationServerIPAddress;

namespace {

constexpr uint32_t kLocalHost = 0x7F000001;
constexpr uint16_t kTranslationServerPort = 28888;

} // namespace

void ResetOptions() {
    // The options of the options window's tables first, then the others.
    ResetSavedOptionDefaults();

    FrameCounter = autoLogIn = UseVerData = ChatAntiAlias = CensorFlesh = CensorBlood = false;
    PopupHelpEnabledGiven = SaveDesktop = CancelGumpOpen = FilterWeather = RuntimeDebugMsg = false;
    GDIFullScreenGiven = false;
    ShowTips = true;
    ClientFirstLaunch = true; // no "qv.cfg" has said otherwise yet
    AllowWindowResize = true;

    SpamLimit = 30;
    CacheSize = LastTip = CurrentVer = AltKeyModNum = ChatSpaceWidth = ClientLogin = LastServerID = 0;
    CircleTransPosX = CircleTransPosY = 0;
    DefaultChar = GMHelpQueueLinesPerRequest = GMHelpQueueMaxCharactersPerLine = Season = NumPassTries = 0;
    NextLoginKey = 0;

    PartyMessageHue = 995;
    ProfileColor1 = ProfileColor2 = 0x0860;
    CombatHueColor = CensoredBloodColor = 0;

    for (std::string* text :
         {&CdRomDataPath, &Password, &FilterPassword, &AcctPassword, &AcctID, &AcctLastName,
          &UserLanguageCodeString, &LoginServerFile, &JournalSaveFile, &TranslationServerTranslatorName,
          &TranslationServerSystranNFWMarker, &TranslationServerSystranTopicalGlossaries,
          &TranslationServerSystranDocumentType})
        text->clear();
    EditServer = UserCentral = ServerAddress{};
    TranslationServerIPAddress = ServerAddress{kLocalHost, kTranslationServerPort};
}

namespace {
// The defaults are in place before anything reads them.
const bool g_defaultsSet = (ResetOptions(), true);
} // namespace
