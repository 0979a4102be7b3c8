#pragma once
// The player's language and the localized text sections: the language list of "langcode.iff",
// the user language (the configuration, else the environment's LANG, else English), the cache of
// loaded sections, text numbers to texts and the filling of their numbered tokens.
#include "text/CWideString.h"
#include "text/LanguageSection.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct LanguageCode {
    LanguageCode(const char* code, int id, const char* name, const char* country);
    char code[4]; // lower case
    uint8_t id;   // 0 for '?' (63)
    std::string name;
    std::string country;
};

namespace LanguageManager {

constexpr const char* kDefaultCode = "enu";
constexpr int kDefaultId = 101;
constexpr int kMaxArguments = 64;
constexpr int kMaxLocalizedLength = 2048; // texts this long or longer are refused
// A substituted text stops growing here: tokens and arguments come from the server.
constexpr int kMaxSubstitutedLength = 65536;

void startup();
void shutdown();
bool isStarted();

// Reads "language\langcode.iff", else "langcode.iff".
bool loadLanguageCodes();
// The CODE chunks of a language list already in memory; false when the file is not one.
bool loadLanguageCodesFromBytes(const uint8_t* data, size_t length, const char* fileName);
void setLanguageDefaults();

const LanguageCode* getUserLanguage();
const char* getUserLanguageCodeString();
const char* getDefaultFileExtension();
// Null code: the user language's id. A code not on the list: the default's.
int getLanguageId(const char* code);
const char* getLanguageName();
// The language with this code (case-insensitive), or null.
const LanguageCode* findLanguage(const char* code);

// Loads the sections the first screens read, in the user language; returns the last.
LanguageSection* preLoad();
// The cached or newly loaded section; null when no file of it loads (remembered, so a missing
// section costs its file look-ups once). A null language means the user's.
LanguageSection* loadSection(const char* fileName, const char* language, const char* sectionName, bool force,
                             bool fatalIfMissing, bool exact = false);
LanguageSection* findSection(const char* fileName, const char* language, const char* sectionName, bool exact);
int loadedSectionCount();

// The section file and string number of a text number; false for a string number below 0.
bool sectionOfNumber(int number, std::string& file, int& stringNumber);
// The text of a number in the user language, else in English, else an "Error (TID): " text.
CWideString& getLocalizedString(CWideString& out, int number);
// Replaces "~k...~" tokens by the TAB-separated arguments and "~#t~" by the text of t.
void substituteArguments(CWideString& text, const char16_t* arguments, int number);

// A POSIX locale name ("de_DE.UTF-8") as a 3-letter language code ("deu"); "" when it names none.
std::string LanguageCodeFromLocale(const std::string& locale);

void ResetForTests();

} // namespace LanguageManager
