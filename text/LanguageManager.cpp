#include "text/LanguageManager.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "platform/platform.h"
#include "text/Iff.h"
#include "text/LanguageTranslationServer.h"
#include "text/TextConfig.h"
#include "text/WideText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

LanguageCode::LanguageCode(const char* codeText, int idValue, const char* nameText, const char* countryText)
    : code{}, id(static_cast<uint8_t>(idValue == '?' ? 0 : idValue)), name(nameText ? nameText : ""),
      country(countryText ? countryText : "") {
    for (int i = 0; i < 3 && codeText && codeText[i]; ++i)
        code[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(codeText[i])));
}

namespace LanguageManager {
namespace {

constexpr IffTag kData = MakeIffTag("DATA");
constexpr IffTag kLang = MakeIffTag("LANG");
constexpr IffTag kWin3 = MakeIffTag("WIN3");
constexpr IffTag kCode = MakeIffTag("CODE");
constexpr int kMaxCodeChunk = 1024;

constexpr const char* kPreloadSections[] = {"intro",   "gt_0000", "gt_1010",  "gt_2000", "gt_2310", "gt_2400",
                                            "gt_5000", "gt_5400", "skilname", "chat",    "options"};

struct State {
    std::vector<std::unique_ptr<LanguageCode>> languages; // newest first
    const LanguageCode* defaultLanguage = nullptr;
    const LanguageCode* userLanguage = nullptr;
    char userCode[4] = {};
    std::list<std::unique_ptr<LanguageSection>> sections; // newest first
    std::set<std::string> failedLoads;                    // "file.code", lower case
    bool started = false;
};
State g_state;

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void SetUserCode(std::string_view code) {
    std::memset(g_state.userCode, 0, sizeof g_state.userCode);
    std::memcpy(g_state.userCode, code.data(), std::min<size_t>(code.size(), 3));
}

void AddLanguage(std::unique_ptr<LanguageCode> language) {
    g_state.languages.insert(g_state.languages.begin(), std::move(language));
}

bool Matches(const LanguageSection& s, const char* fileName, const char* code, const char* sectionName) {
    if (!EqualNoCase(s.getFileName(), fileName)) return false;
    if (!EqualNoCase(s.getInfoLanguage(), code) && !EqualNoCase(s.getRequestedCode(), code)) return false;
    // The INFO chunk may name the section differently from its file; either name finds it.
    return !sectionName || EqualNoCase(s.getInfoName(), sectionName) ||
           EqualNoCase(s.getFileName(), sectionName);
}

void ReportMissing(const char* fileName, const char* sectionName) {
    char text[1024];
    std::snprintf(text, sizeof text, "no section <%s> found for language <%s> in file <%s>.\n",
                  sectionName ? sectionName : "", g_state.userCode, fileName);
    QVReport::fatal("LanguageManager::loadSection: %s\n", text);
}

CWideString ErrorText(const char* reason, const char* numbers) {
    std::string text = std::string("Error (TID): ") + reason + " : " + numbers;
    return CWideString(text.c_str());
}

void AppendLimited(std::u16string& out, const char16_t* text) {
    for (; text && *text && out.size() < static_cast<size_t>(kMaxSubstitutedLength); ++text)
        out.push_back(*text);
}

} // namespace

void startup() {
    if (g_state.started) return;
    auto defaultLanguage =
        std::make_unique<LanguageCode>(kDefaultCode, kDefaultId, "English", "United States");
    g_state.defaultLanguage = defaultLanguage.get();
    AddLanguage(std::move(defaultLanguage));
    loadLanguageCodes();
    setLanguageDefaults();
    std::string configured = ConfiguredUserLanguageCode();
    if (!configured.empty()) {
        SetUserCode(configured);
        QVReport::message("LanguageManager::setUserLanguageCodeString: userLanguageCodeString='%s'.\n",
                          g_state.userCode);
        setLanguageDefaults();
    }
    LanguageTranslationServer::install();
    LanguageTranslationServer::setUserLanguageCode(g_state.userCode);
    QVReport::message("LanguageManager::findSupportedLanguages.\n");
    preLoad();
    QVReport::message("LanguageManager::startup: user language set to '%s'.\n", g_state.userCode);
    g_state.started = true;
}

void shutdown() {
    QVReport::message("LanguageManager::shutdown: %s.\n", g_state.started ? "stopping" : "not started");
    if (!g_state.started) return;
    LanguageTranslationServer::uninstall();
    g_state = State{};
}

bool isStarted() {
    return g_state.started;
}

bool loadLanguageCodes() {
    std::vector<uint8_t> bytes;
    const char* name = "language\\langcode.iff";
    if (FileManager::load(name, bytes, true) <= 0) {
        name = "langcode.iff";
        if (FileManager::load(name, bytes, true) <= 0) {
            QVReport::warning("LanguageManager::loadLanguageCodes: file 'langcode.iff'. no bytes read.\n");
            return false;
        }
    }
    return loadLanguageCodesFromBytes(bytes.data(), bytes.size(), name);
}

bool loadLanguageCodesFromBytes(const uint8_t* data, size_t length, const char* fileName) {
    const char* context = "LanguageManager::loadLanguageCodes:";
    Iff iff(data, length);
    iff.setFileName(fileName);
    if (!iff.enterForm(kData) || !iff.enterForm(kLang) || !iff.enterForm(kWin3)) return false;
    while (!iff.atEnd()) {
        IffTag tag = iff.getCurrentTag();
        if (tag == 0) {
            iff.reportError(context, "Very Strange Error. Maybe Premature EOF?", false);
            break;
        }
        if (iff.isChunk(kCode)) {
            iff.enterChunk(kCode);
            if (iff.lastChunkSize() > kMaxCodeChunk) {
                iff.reportError(context, "Ignoring Unusually large CHUNK CODE.", false);
            } else {
                std::string code, name, country;
                iff.readString(code, 3);
                int32_t id = iff.readInt32();
                iff.readString(name, LanguageSection::kMaxInfoText);
                iff.readString(country, LanguageSection::kMaxInfoText);
                if (!iff.failed())
                    AddLanguage(
                        std::make_unique<LanguageCode>(code.c_str(), id, name.c_str(), country.c_str()));
            }
            iff.exitChunk(kCode, false);
        } else {
            iff.reportError(context, "Ignoring Unexpected FORM or CHUNK.", false);
            iff.skipElement();
        }
        if (iff.failed()) return false;
    }
    return iff.exitForm(kWin3) && iff.exitForm(kLang) && iff.exitForm(kData);
}

void setLanguageDefaults() {
    QVReport::message("LanguageManager::setLanguageDefaults: start...\n");
    if (!g_state.userCode[0]) {
        std::string code = LanguageCodeFromLocale(platform::GetEnv("LANG"));
        SetUserCode(code.empty() ? getDefaultFileExtension() : code);
        QVReport::message("LanguageManager::setLanguageDefaults: language of the environment is '%s'.\n",
                          g_state.userCode);
    }
    g_state.userLanguage = findLanguage(g_state.userCode);
    if (!g_state.userLanguage) {
        QVReport::warning(
            "LanguageManager::setLanguageDefaults: Your O.S. is currently running in a language not "
            "supported by the Translation Server. Text may not be translated for you.\n");
        SetUserCode(getDefaultFileExtension());
        g_state.userLanguage = findLanguage(g_state.userCode);
    }
    QVReport::message("LanguageManager::setLanguageDefaults: stop...\n");
}

const LanguageCode* findLanguage(const char* code) {
    if (!code) return nullptr;
    for (const auto& language : g_state.languages)
        if (EqualNoCase(language->code, code)) return language.get();
    return nullptr;
}

const LanguageCode* getUserLanguage() {
    return g_state.userLanguage;
}

const char* getUserLanguageCodeString() {
    return g_state.userCode;
}

const char* getDefaultFileExtension() {
    return g_state.defaultLanguage ? g_state.defaultLanguage->code : kDefaultCode;
}

int getLanguageId(const char* code) {
    if (!code) return g_state.userLanguage ? g_state.userLanguage->id : 0;
    if (const LanguageCode* language = findLanguage(code)) return language->id;
    return g_state.defaultLanguage ? g_state.defaultLanguage->id : kDefaultId;
}

const char* getLanguageName() {
    const LanguageCode* language = findLanguage(g_state.userCode);
    if (!language) language = g_state.defaultLanguage;
    if (!language)
        QVReport::fatal(
            "LanguageManager::getLanguageName: cannot get language name. would be returning NULL.\n");
    return language->name.c_str();
}

LanguageSection* preLoad() {
    LanguageSection* last = nullptr;
    for (const char* name : kPreloadSections)
        last = loadSection(name, g_state.userCode, name, false, false, false);
    return last;
}

LanguageSection* findSection(const char* fileName, const char* language, const char* sectionName,
                             bool exact) {
    if (!fileName) return nullptr;
    const char* codes[3] = {language ? language : g_state.userCode, g_state.userCode,
                            getDefaultFileExtension()};
    for (int i = 0; i < (exact ? 1 : 3); ++i)
        for (const auto& section : g_state.sections)
            if (Matches(*section, fileName, codes[i], sectionName)) return section.get();
    return nullptr;
}

LanguageSection* loadSection(const char* fileName, const char* language, const char* sectionName, bool force,
                             bool fatalIfMissing, bool exact) {
    if (!fileName) return nullptr;
    const char* code = language ? language : g_state.userCode;
    const std::string key = Lower(fileName) + "." + Lower(code);
    if (force) {
        QVReport::warning("LanguageManager::loadSection: forcing load of section '%s' from file '%s'\n",
                          sectionName ? sectionName : "", fileName);
        const LanguageSection* old = findSection(fileName, code, sectionName, false);
        g_state.sections.remove_if(
            [old](const std::unique_ptr<LanguageSection>& s) { return s.get() == old; });
        g_state.failedLoads.erase(key);
    }
    if (LanguageSection* found = findSection(fileName, code, sectionName, exact)) return found;
    if (g_state.failedLoads.count(key)) {
        if (fatalIfMissing) ReportMissing(fileName, sectionName);
        return nullptr;
    }
    auto section = std::make_unique<LanguageSection>();
    if (!section->load(fileName, code, sectionName)) {
        g_state.failedLoads.insert(key);
        if (fatalIfMissing) ReportMissing(fileName, sectionName);
        return nullptr;
    }
    g_state.sections.push_front(std::move(section));
    return g_state.sections.front().get();
}

int loadedSectionCount() {
    return static_cast<int>(g_state.sections.size());
}

bool sectionOfNumber(int number, std::string& file, int& stringNumber) {
    char name[32];
    if (number >= 3000000) {
        std::snprintf(name, sizeof name, "intloc%02d", (number - 3000000) / 1000);
        stringNumber = (number - 3000000) % 1000;
    } else if (number < 1000000) {
        std::snprintf(name, sizeof name, "cliloc-1");
        stringNumber = number - 500000;
    } else {
        std::snprintf(name, sizeof name, "cliloc%02d", (number - 1000000) / 1000);
        stringNumber = (number - 1000000) % 1000;
    }
    file = name;
    return stringNumber >= 0;
}

CWideString& getLocalizedString(CWideString& out, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", number);
    std::string file;
    int stringNumber = 0;
    if (!sectionOfNumber(number, file, stringNumber)) {
        out = CWideString("Error (TID): Line number less than zero : ");
        out.AppendNumber(number);
        return out;
    }
    const CWideString* text = nullptr;
    if (LanguageSection* s = loadSection(file.c_str(), g_state.userCode, file.c_str(), false, false, false))
        text = s->getStr(stringNumber, true);
    if (!text && !EqualNoCase(g_state.userCode, kDefaultCode)) {
        if (LanguageSection* s = loadSection(file.c_str(), kDefaultCode, file.c_str(), false, false, true))
            text = s->getStr(stringNumber, true);
    }
    if (!text)
        out = ErrorText("Null string", digits);
    else if (text->GetLength() >= kMaxLocalizedLength)
        out = ErrorText("String too Long", digits);
    else
        out = *text;
    return out;
}

void substituteArguments(CWideString& text, const char16_t* arguments, int number) {
    if (!arguments || !arguments[0] || text.IsNull()) return;
    std::vector<std::u16string> args;
    const size_t argumentsLength = static_cast<size_t>(WideLength(arguments));
    size_t start = 0;
    for (size_t i = 0; i < argumentsLength && static_cast<int>(args.size()) < kMaxArguments; ++i) {
        if (arguments[i] != u'\t') continue;
        args.emplace_back(arguments + start, arguments + i);
        start = i + 1;
    }
    // A TAB at the very end adds no argument.
    if (start < argumentsLength && static_cast<int>(args.size()) < kMaxArguments)
        args.emplace_back(arguments + start, arguments + argumentsLength);

    const char16_t* src = text.GetText();
    const int length = text.GetLength();
    std::u16string out;
    auto fail = [&](int offending) {
        char numbers[32];
        std::snprintf(numbers, sizeof numbers, "%d : %d", offending, number);
        text = ErrorText("Token Out of Range", numbers);
    };
    auto localized = [](int t) { return t >= 500000 && t <= 1999999; };
    for (int i = 0; i < length;) {
        char16_t u = src[i];
        if (u != u'~' || (i > 0 && src[i - 1] == u'\\')) {
            if (out.size() < static_cast<size_t>(kMaxSubstitutedLength)) out.push_back(u);
            ++i;
            continue;
        }
        CWideString piece;
        if (src[i + 1] == u'#') {
            int t = WideToInt(src + i + 2);
            if (!localized(t)) return fail(t);
            getLocalizedString(piece, t);
            AppendLimited(out, piece.GetText());
        } else {
            int k = WideToInt(src + i + 1);
            if (k < 1 || k > static_cast<int>(args.size())) return fail(k);
            const std::u16string& arg = args[static_cast<size_t>(k - 1)];
            if (!arg.empty() && arg[0] == u'#') {
                int t = WideToInt(arg.c_str() + 1);
                if (!localized(t)) return fail(t);
                getLocalizedString(piece, t);
                AppendLimited(out, piece.GetText());
            } else {
                AppendLimited(out, arg.c_str());
            }
        }
        // The token runs to the next '~' (or the end of the text).
        int j = i + 1;
        while (j < length && src[j] != u'~')
            ++j;
        i = j < length ? j + 1 : length;
    }
    text = out.c_str();
}

std::string LanguageCodeFromLocale(const std::string& locale) {
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    std::string language = Lower(name.substr(0, name.find('_')));
    std::string territory = name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
    for (char& c : territory)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (language.empty() || language == "c" || language == "posix") return "";
    struct Row {
        const char* language;
        const char* territory; // "" matches any
        const char* code;
    };
    static const Row kRows[] = {
        {"en", "GB", "eng"}, {"en", "AU", "ena"}, {"en", "CA", "enc"}, {"en", "NZ", "enz"},
        {"en", "IE", "eni"}, {"en", "", "enu"},   {"de", "AT", "dea"}, {"de", "CH", "des"},
        {"de", "", "deu"},   {"fr", "CA", "frc"}, {"fr", "BE", "frb"}, {"fr", "CH", "frs"},
        {"fr", "", "fra"},   {"es", "MX", "esm"}, {"es", "", "esp"},   {"it", "", "ita"},
        {"ja", "", "jpn"},   {"ko", "", "kor"},   {"zh", "TW", "cht"}, {"zh", "HK", "cht"},
        {"zh", "", "chs"},   {"pt", "BR", "ptb"}, {"pt", "", "ptg"},   {"nl", "", "nld"},
        {"sv", "", "sve"},   {"da", "", "dan"},   {"nb", "", "nor"},   {"no", "", "nor"},
        {"fi", "", "fin"},   {"ru", "", "rus"},   {"pl", "", "plk"},   {"cs", "", "csy"},
        {"hu", "", "hun"},   {"tr", "", "trk"},   {"el", "", "ell"},
    };
    for (const Row& row : kRows)
        if (language == row.language && (!row.territory[0] || territory == row.territory)) return row.code;
    return "";
}

void ResetForTests() {
    g_state = State{};
}

} // namespace LanguageManager
