// Overhead texts: trimming, kept texts, and the texts saved across a delete.
#include "ObjectsFixture.h"

namespace objtest {
namespace {

using OverheadTextTest = ObjectsTest;

std::vector<std::string> Texts(const CObj* o) { // newest first
    std::vector<std::string> texts;
    for (const OverheadText* t = o->overheadTexts; t; t = t->older)
        texts.push_back(t->unicode ? "u" : t->text);
    return texts;
}

TEST_F(OverheadTextTest, AFourthLineDeletesTheOldestThatIsNotKept) {
    CMobile* m = NewMobile(0x10);
    m->AddOverheadText("kept", 3, 0x35, nullptr, 1);
    m->AddOverheadText("one", 3, 0x35, nullptr, 0);
    m->AddOverheadText("two", 3, 0x35, nullptr, 0);
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"two", "one", "kept"}));
    m->AddOverheadText("three", 3, 0x35, nullptr, 0);
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"three", "two", "kept"}));
    m->AddOverheadText("four", 3, 0x35, nullptr, 0);
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"four", "three", "kept"}));

    // Only kept texts left: nothing can be trimmed, the new one is added anyway.
    CMobile* k = NewMobile(0x11);
    for (int i = 0; i < 4; ++i)
        k->AddOverheadText("k", 3, 0, nullptr, 2);
    EXPECT_EQ(k->CountOverheadTexts(), 4);

    m->ReplaceOverheadText("only", 3, 0, nullptr);
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"only", "kept"}));
    m->ClearOverheadTexts();
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(g_calls.journal.size(), 10u); // every bark wrote its line once
    m->Release();
    k->Release();
}

TEST_F(OverheadTextTest, TextsComeBackWithinFourSecondsAndOnlyOnceInTheJournal) {
    int unicodeJournal = 0;
    WorldHook::Table().addJournalEntryUnicode = [&](const char16_t*, int) { ++unicodeJournal; };
    std::vector<bool> restoreFlag;
    WorldHook::Table().setJournalRestore = [&](bool on) { restoreFlag.push_back(on); };

    for (int seconds : {0, 4, 5}) {
        SCOPED_TRACE(seconds);
        g_calls.journal.clear();
        unicodeJournal = 0;
        CMobile* m = NewMobile(0x20);
        m->AddOverheadText("hail", 3, 0x35, nullptr, 0);
        m->overheadTexts->timing[0] = 1111;
        m->overheadTexts->timing[1] = 4000;
        m->AddUnicodeOverheadText(u"well met", 0, 0x22, "deu", nullptr, 0);
        CObjectManager::SaveOverheadTexts(m);
        m->Release();
        EXPECT_EQ(CObjectManager::SavedTextCount(), 2);
        for (int i = 0; i < seconds; ++i)
            CObjectManager::ExpireSavedTexts();

        CMobile* back = NewMobile(0x20);
        CObjectManager::RestoreOverheadTexts(back);
        if (seconds <= 4) {
            ASSERT_EQ(back->CountOverheadTexts(), 2);
            const OverheadText* newest = back->overheadTexts;
            const OverheadText* oldest = newest->older;
            EXPECT_TRUE(newest->unicode); // the order is kept
            EXPECT_EQ(newest->language, "deu");
            EXPECT_EQ(std::u16string(newest->wideText.GetText()), u"well met");
            EXPECT_EQ(oldest->text, "hail");
            EXPECT_EQ(oldest->font, 3);
            EXPECT_EQ(oldest->hue, 0x35);
            EXPECT_EQ(oldest->timing[0], 1111u);
            EXPECT_EQ(oldest->timing[1], 4000u);
        } else {
            EXPECT_EQ(back->CountOverheadTexts(), 0);
        }
        EXPECT_EQ(CObjectManager::SavedTextCount(), 0);
        EXPECT_EQ(g_calls.journal, std::vector<std::string>{"hail"});
        EXPECT_EQ(unicodeJournal, 1);
        back->Release();
    }
    // Each restore raised the journal's flag and lowered it again.
    ASSERT_EQ(restoreFlag.size(), 8u);
    EXPECT_TRUE(restoreFlag[0]);
    EXPECT_FALSE(restoreFlag[1]);
}

TEST_F(OverheadTextTest, TextsOfAnotherSerialStay) {
    CDynamicObj* a = NewDynamicObj(0x40000001, G::Plain, 0);
    a->AddOverheadText("a", 3, 0, nullptr, 0);
    CObjectManager::SaveOverheadTexts(a);
    CDynamicObj* b = NewDynamicObj(0x40000002, G::Plain, 0);
    CObjectManager::RestoreOverheadTexts(b);
    EXPECT_EQ(b->CountOverheadTexts(), 0);
    EXPECT_EQ(CObjectManager::SavedTextCount(), 1);
    a->Release();
    b->Release();
}

// A factory that the speech barks will replace: the world makes and destroys texts only through it.
struct CountingFactory : OverheadTextFactory {
    int made = 0;
    int destroyed = 0;
    OverheadText* Make(CObj* owner, const char* text, int font, int hue, CGump* holder, int kind) override {
        ++made;
        return OverheadTextFactory::Make(owner, text, font, hue, holder, kind);
    }
    void Destroy(OverheadText* t) override {
        ++destroyed;
        OverheadTextFactory::Destroy(t);
    }
};

TEST_F(OverheadTextTest, TextsAreMadeAndDestroyedThroughTheFactory) {
    CountingFactory factory;
    OverheadTexts::SetFactory(&factory);
    CObj* rock = NewStaticObj(G::Plain);
    for (int i = 0; i < 5; ++i)
        rock->AddOverheadText("x", 3, 0, nullptr, 0);
    EXPECT_EQ(factory.made, 5);
    EXPECT_EQ(factory.destroyed, 2);
    rock->Release(); // its texts go with it
    EXPECT_EQ(factory.destroyed, 5);
    OverheadTexts::SetFactory(nullptr);
}

} // namespace
} // namespace objtest
