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

void ResetSwitches() {
    // Defaults of the options window's tables first; the others after them.
    Sound = Music = Footsteps = AllowPathfind = HoldTabForCombat = OffsetGumps = AutoArrangeMinimized = true;
    AssumePlayAsGhost = UseCircleTrans = false;
    ScaleBarkTimes = true;
    FrameSkipping = false;
    NotorietyQuery = true;
    ShowIntroAnim = OrderCacheOnStartup = SaveJournal = JournalSaveUnicode = RememberAcctPW = GlobalQueue =
        false;
    FilterPWOn = false;
    ObscenityFilter = true;
    FullScreen = false;
    UseToolTips = PopupHelpEnabled = true;
    PopupHelpSticky = false;
    PopupHelpPersistant = true;
    TranslationServer = false;
    TranslationServerAutomatic = ColoredLighting = true;
    ShadedFonts = false;
    ShowIncomingNames = StatReport = true;
    DarkNights = AlwaysRun = NewbieDesktop = TreeCanopies = false;
    Desolation = CombatMusic = true;
    ShiftForContext = false;

    Sound8Bit = ReverseSpeakers = UnicodeSpeech = false;
    MouseThread = PageFlip = true;
    GDIFullScreen = GDIFullScreenGiven = Use565 = false;
    EnableMessenger = QVMessengerPing = true;

    FrameCounter = autoLogIn = UseVerData = ChatAntiAlias = CensorFlesh = CensorBlood = false;
    PopupHelpEnabledGiven = SaveDesktop = CancelGumpOpen = FilterWeather = RuntimeDebugMsg = false;
    ShowTips = true;
    ClientFirstLaunch = true; // no "qv.cfg" has said otherwise yet
    AllowWindowResize = true;
}

void ResetNumbers() {
    SkillReportDiff = 10;
    SoundVol = MusicVol = 255;
    BarkTimeModifier = 100;
    CircleTransRadius = 64;
    ToolTipPreDelay = PopupHelpPreDelay = 1000;
    QuestionFlags = 0;
    ChatFontNumber = 2;
    BarkFontNumber = 0;
    PopupHelpTextFont = ToolTipFont = 1;
    SpamLimit = 30;
    CacheSize = LastTip = CurrentVer = AltKeyModNum = ChatSpaceWidth = ClientLogin = LastServerID = 0;
    CircleTransPosX = CircleTransPosY = 0;
    DefaultChar = GMHelpQueueLinesPerRequest = GMHelpQueueMaxCharactersPerLine = Season = NumPassTries = 0;
    NextLoginKey = 0;
}

void ResetColours() {
    ChatColorInput = 0x7BDE;
    ChatColorMenuOption = 0x7FE0;
    ChatColorName = 0x3DE0;
    ChatColorText = 0x7FE0;
    ChatColorMutedName = 0x000F;
    ChatColorMutedText = 0x001F;
    ChatColorOpsName = 0x3C0F;
    ChatColorOpsText = 0x7C1F;
    ChatColorSelfName = 0x3DEF;
    ChatColorSelfText = 0x7FFF;
    ChatColorSystemMessage = 0x03E0;
    ChatColorTextBackground = ChatColorInputBackground = ChatColorUserListBackground = 0;
    ChatColorConferenceMenuBackground = ChatColorCommandMenuBackground = 0x0C63;
    ChatColorDialogBackground = 0;
    ToolTipTextColor = PopupHelpTextColor = 0x7FFF;
    HighlightColorInnocent = 89;
    HighlightColorFriend = 63;
    HighlightColorCanAttack = HighlightColorCriminal = 946;
    HighlightColorEnemy = 144;
    HighlightColorMurderer = 34;
    PartyMessageColor = 144;
    PartyMessageHue = 995;
    ProfileColor1 = ProfileColor2 = 0x0860;
    CombatHueColor = CensoredBloodColor = 0;
}

void ResetTexts() {
    FullScreenRes = GamePlayWindowSize = "640x480";
    Language = "English";
    for (std::string* text :
         {&CdRomDataPath, &Password, &FilterPassword, &AcctPassword, &AcctID, &AcctLastName,
          &UserLanguageCodeString, &LoginServerFile, &JournalSaveFile, &TranslationServerTranslatorName,
          &TranslationServerSystranNFWMarker, &TranslationServerSystranTopicalGlossaries,
          &TranslationServerSystranDocumentType})
        text->clear();
    EditServer = UserCentral = ServerAddress{};
    TranslationServerIPAddress = ServerAddress{kLocalHost, kTranslationServerPort};
}

} // namespace

void ResetOptions() {
    ResetSwitches();
    ResetNumbers();
    ResetColours();
    ResetTexts();
}

namespace {
// The defaults are in place before anything reads them.
const bool g_defaultsSet = (ResetOptions(), true);
} // namespace
