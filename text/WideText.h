#pragma once
// Functions over zero-terminated UTF-16 text (char16_t units). The destination comes before the
// source; the caller owns every buffer and makes it large enough unless a size is passed.
// A null text reads as empty wherever a function reads one.

int WideLength(const char16_t* text);
void WideCopy(char16_t* dst, const char16_t* src);
// At most n units, then always a terminator (dst holds n + 1 units). Null dst or src: nothing.
void WideCopyLimited(char16_t* dst, const char16_t* src, int n);
// A new array (release with delete[]); null for a null text.
char16_t* WideDuplicate(const char16_t* text);
void WideAppend(char16_t* dst, const char16_t* src);
// dst never holds more than size - 1 units and a terminator; a longer dst is cut to size - 1.
void WideAppendLimited(char16_t* dst, const char16_t* src, int size);

// 8-bit text to UTF-16. Zero extension reads the bytes as Latin-1 (0xE9 becomes U+00E9): use it
// for everything typed or shown. Sign extension (0xE9 becomes U+FFE9) gives the units of text
// stored in that form; use it only to match such data.
void WideAppendAscii(char16_t* dst, const char* src);       // zero-extended
void WideAppendAsciiSigned(char16_t* dst, const char* src); // sign-extended
void WideFromAscii(char16_t* dst, const char* src);         // zero-extended
void WideFromAsciiSigned(char16_t* dst, const char* src);   // sign-extended
// At most n bytes (zero-extended), then a terminator. Null dst or src: nothing.
void WideFromAsciiLimited(char16_t* dst, const char* src, int n);

// UTF-16 to 8-bit text: the low byte of every unit, or only the units below 0x80.
void WideToAscii(char* dst, const char16_t* src);
void WideToAsciiStripped(char* dst, const char16_t* src);
char WideLowByte(char16_t unit);

bool WideIsSpace(char16_t unit); // 0x20 only
bool WideIsDigit(char16_t unit);

// -1, 0 or 1, unit by unit as unsigned values. NoCase folds 'A'..'Z' only.
int WideCompare(const char16_t* a, const char16_t* b);
int WideCompareNoCase(const char16_t* a, const char16_t* b);
int WideCompareNoCaseLimited(const char16_t* a, const char16_t* b, int n);

// Folds ASCII and Latin-1 capitals, the old code-page accented letters and Latin Extended-A pairs.
char16_t WideFoldCase(char16_t unit);
// Index of the first occurrence of pattern in text under WideFoldCase, or -1; an empty pattern
// is found at 0. Patterns of any length. Not re-entrant (shared scratch table).
int WideFindNoCase(const char16_t* pattern, const char16_t* text);

// Decimal / hexadecimal: every '-' flips the sign, '+' is skipped, the first other unit ends the
// walk; the result wraps to 32 bits ("1-2" gives -12).
int WideToInt(const char16_t* text);
int WideHexToInt(const char16_t* text);
// Writes value in base 2..36 (digits 0-9 then a-z), '-' first when negative, then a terminator.
// dst needs 34 units. Other bases write base 10.
void IntToWide(int value, char16_t* dst, int base);

// Decodes UTF-8 (one to three byte forms, bytes 0xE0 and above lead three-byte forms; following
// bytes are not checked) into at most n units. A zero byte, also inside a form, writes a zero unit
// (counted) and ends decoding; after n units nothing more is written. Returns dst + units written.
char16_t* Utf8ToWide(char16_t* dst, const char* src, int n);
// The same over srcBytes bytes that need not be zero-terminated: their end acts as a zero byte.
char16_t* Utf8ToWideBounded(char16_t* dst, int n, const char* src, int srcBytes);
// Encodes into at most n bytes; a form that does not fit ends encoding unwritten. The terminator
// is written as a zero byte when it fits. Returns the bytes written.
int WideToUtf8(char* dst, const char16_t* src, int n);

// True when a line of Chinese, Japanese or Korean text may break between a and b. Text outside
// those scripts breaks only at spaces (false).
bool UnicodeLineBreakAllowed(char16_t a, char16_t b);

// Masks obscene words in place, in the 8-bit view of the text and in the text itself.
void FilterWideText(char16_t* text);
// The same with the two maskers given (8-bit first, then UTF-16); null text: nothing.
void FilterWideTextWith(char16_t* text, void (*maskNarrow)(char*), void (*maskWide)(char16_t*));
