#pragma once
// Rules for the names a player gives: the check of new character names, the folder form of a
// name, and the reversible scrambling of passwords kept in the configuration files.
#include <string>
#include <string_view>

// Blank, '-', '.' or apostrophe.
bool IsNameSeparator(char c);
// True unless A-Z, a-z, blank, apostrophe, '-' or '.': the key filter of name fields.
bool IsInvalidNameChar(char c);
// True when a new character may not take this name: it must start with a letter, hold only
// letters and separators, never two separators in a row, not start with a staff title and hold
// no reserved word standing as a whole word.
bool IsUnacceptableName(const char* name);

// The position of the first occurrence of pattern in text, comparing after conversion to lower
// case, or -1; an empty pattern is found at 0. A Boyer-Moore search.
int FindTextNoCase(const char* pattern, const char* text);

// In place, the folder form of a name: without any of \ / : * ? " < > | . only a trailing blank
// becomes '_'; otherwise the pieces between runs of those characters, each followed by '_'
// ("A.B" becomes "A_B_").
void SanitizeFileName(std::string& name);
// One component of a path built from names that the player or the server chose: the folder form,
// and "_" for a name that leaves nothing, so that no component is empty, "." or "..".
std::string SafePathComponent(std::string_view name);

// In place. Printable passwords keep the classic form (each character shifted by 13 within the
// printable range); a password with any other byte (DEL, bytes of 128 and above, control
// characters) is written in a form that begins with the byte 0x80, which the classic form never
// starts with, so that both forms read back exactly.
void ScramblePassword(std::string& text);
void UnscramblePassword(std::string& text);
