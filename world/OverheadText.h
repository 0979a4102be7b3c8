#pragma once
// Overhead texts: the speech and name lines over an object, newest first. The world makes them
// through a factory, so the speech barks of the gump layer can take the factory's place; the
// factory of this floor makes plain records and writes their journal lines.
#include "text/CWideString.h"

#include <cstdint>
#include <string>

class CGump;
class CObj;

class OverheadText {
  public:
    virtual ~OverheadText() = default;
    // Non-zero marks the text as kept: it is never trimmed.
    int GetSpeechKind() const { return speechKind; }
    // True for an 8-bit text, false for a UTF-16 one.
    virtual bool CanSaveText() const { return !unicode; }

    CObj* owner = nullptr;
    OverheadText* older = nullptr;
    OverheadText* newer = nullptr;
    CGump* holder = nullptr;
    int speechKind = 0;
    bool unicode = false;
    std::string text;     // 8-bit form
    CWideString wideText; // UTF-16 form
    std::string language; // UTF-16 form: the language code
    int16_t font = 0;
    int16_t hue = 0;
    uint32_t timing[2] = {0, 0}; // creation tick and lifetime
};

struct OverheadTextFactory {
    virtual ~OverheadTextFactory() = default;
    virtual OverheadText* Make(CObj* owner, const char* text, int font, int hue, CGump* holder,
                               int speechKind);
    virtual OverheadText* MakeUnicode(CObj* owner, const char16_t* text, int font, int hue,
                                      const char* language, CGump* holder, int speechKind);
    virtual void Destroy(OverheadText* text) { delete text; }
};

namespace OverheadTexts {
// The factory in use; null restores the plain one. The factory must outlive its use.
void SetFactory(OverheadTextFactory* factory);
OverheadTextFactory& Factory();
// True while saved texts are attached again (their journal lines were written once already).
bool IsRestoring();
// Set by the object manager around a restore; the journal hook is told too.
void SetRestoring(bool on);
} // namespace OverheadTexts
