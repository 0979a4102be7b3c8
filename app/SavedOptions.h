#pragma once
// The options window's view of the options: six tables that tie a key name to an option variable
// and its default (on/off, on/off from the next start, colours and hues, integers, fonts, text
// choices). Keys are UTF-16; a key matches a row when it equals the start of the row's name, with
// letter case, and the first matching row wins. A key ending in "$" names a next-start row.
// SaveConfigOptions writes every option back in one block after a separator line.
#include "core/Options.h"

#include <string>

bool HasSavedBoolConfigOption(const char16_t* key);
bool GetSavedBoolConfigOption(const char16_t* key);
bool GetSavedBoolConfigOptionDefault(const char16_t* key);
void SetSavedBoolConfigOption(const char16_t* key, bool value);

// Also "%SpeechHue", "%EmoteHue" (the character's hues) and "%PartyMessageColor" (the party hue).
bool HasSavedColorConfigOption(const char16_t* key);
int GetSavedColorConfigOption(const char16_t* key);
int GetSavedColorConfigOptionDefault(const char16_t* key);
void SetSavedColorConfigOption(const char16_t* key, int value);

int GetSavedIntConfigOption(const char16_t* key);
int GetSavedIntConfigOptionDefault(const char16_t* key);
void SetSavedIntConfigOption(const char16_t* key, int value);

int GetSavedFontConfigOption(const char16_t* key);
int GetSavedFontConfigOptionDefault(const char16_t* key);
void SetSavedFontConfigOption(const char16_t* key, int value);

std::u16string GetSavedRadioConfigOption(const char16_t* key);
std::u16string GetSavedRadioConfigOptionDefault(const char16_t* key);
void SetSavedRadioConfigOption(const char16_t* key, const char16_t* value);

// Set when a next-start option changed; the options window clears it before its items store and
// reads it afterwards.
bool IsRestartNeeded();
void ClearRestartNeeded();

namespace CApp {
// The on/off, colour, integer and font options back to their defaults (the next-start and text
// choices stay).
void resetConfigDefaults();
} // namespace CApp

constexpr const char* kConfigOptionSeparator = ";------------------------------";
// True for the separator line and for a line whose key names an option of the tables.
bool IsConfigOptionLine(const char* line);
// Rewrites the main "qv.cfg": its other lines kept in order, then the separator and every option.
void SaveConfigOptionsOldWay();
// The main file, the character data, then the per-character "qv.cfg".
void SaveConfigOptions();

// Pending next-start values and the restart flag back to start.
void ResetSavedOptionsForTests();
