#include "world/OverheadText.h"

#include "world/WorldHooks.h"

namespace {

OverheadTextFactory& PlainFactory() {
    static OverheadTextFactory factory;
    return factory;
}

OverheadTextFactory* g_factory = nullptr;
bool g_restoring = false;

} // namespace

OverheadText* OverheadTextFactory::Make(CObj* owner, const char* text, int font, int hue, CGump* holder,
                                        int speechKind) {
    auto* t = new OverheadText;
    t->owner = owner;
    t->holder = holder;
    t->speechKind = speechKind;
    t->text = text ? text : "";
    t->font = static_cast<int16_t>(font);
    t->hue = static_cast<int16_t>(hue);
    if (!OverheadTexts::IsRestoring())
        WorldHook::Call(WorldHook::Table().addJournalEntry, t->text.c_str(), hue);
    return t;
}

OverheadText* OverheadTextFactory::MakeUnicode(CObj* owner, const char16_t* text, int font, int hue,
                                               const char* language, CGump* holder, int speechKind) {
    auto* t = new OverheadText;
    t->owner = owner;
    t->holder = holder;
    t->speechKind = speechKind;
    t->unicode = true;
    t->wideText = text ? text : u"";
    t->language = language ? language : "enu";
    t->font = static_cast<int16_t>(font);
    t->hue = static_cast<int16_t>(hue);
    if (!OverheadTexts::IsRestoring())
        WorldHook::Call(WorldHook::Table().addJournalEntryUnicode, t->wideText.GetText(), hue);
    return t;
}

namespace OverheadTexts {

void SetFactory(OverheadTextFactory* factory) {
    g_factory = factory;
}

OverheadTextFactory& Factory() {
    return g_factory ? *g_factory : PlainFactory();
}

bool IsRestoring() {
    return g_restoring;
}

// Only the object manager's restore sets the flag.
void SetRestoring(bool on) {
    g_restoring = on;
    WorldHook::Call(WorldHook::Table().setJournalRestore, on);
}

} // namespace OverheadTexts
