#include "core/SharedServices.h"
#include "core/CCharString.h"
#include "core/CCycleList.h"
#include "core/CVersionManager.h"
#include "core/MarkedMobiles.h"
#include "platform/headless.h"
#include "render/BackBuffer.h"
#include "render/ClearScreen.h"
#include "render/GraphicManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class SharedServicesTest : public qvtest::CleanState {};

TEST_F(SharedServicesTest, VersionStringIsOneBuffer) {
    const char* a = GetClientVersionString();
    EXPECT_STREQ(a, "3.0.6j");
    EXPECT_EQ(GetClientVersionString(), a);
}

TEST_F(SharedServicesTest, VersionIdKindsFollowOneAnother) {
    CVersionManager::startup();
    using CVersionManager::GetKind;
    EXPECT_EQ(GetKind(CVersionManager::Art).base, 0x49248u);
    EXPECT_EQ(GetKind(CVersionManager::TileDataGroup).base, 0x59248u);
    EXPECT_EQ(GetKind(CVersionManager::AnimDataGroup).base, 0x59648u);
    EXPECT_EQ(GetKind(CVersionManager::EditItem).base, 0x59E48u);
    EXPECT_EQ(GetKind(CVersionManager::Region).base, 0x59EC8u);
    EXPECT_EQ(GetKind(CVersionManager::CacheItem).base, 0x5BEC8u);
    EXPECT_EQ(GetKind(CVersionManager::Multi).base, 0x5BEFAu);
    EXPECT_EQ(GetKind(CVersionManager::Multi).base + GetKind(CVersionManager::Multi).count, 0x5DEF0u);
    EXPECT_EQ(GetKind(CVersionManager::MapBlock).base, 0x5DEF0u);
    EXPECT_EQ(GetKind(CVersionManager::Spare).count, 0x49248u);
    EXPECT_EQ(CVersionManager::GetId(CVersionManager::Art, 5), 0x4924Du);
}

TEST_F(SharedServicesTest, CharStringGrowsByItsStep) {
    CCharString s;
    EXPECT_EQ(s.GetBuffer(), nullptr);
    s.Append("abc");
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.GetCapacity(), 67);
    const char* before = s.GetBuffer();
    s.Append(std::string(63, 'x').c_str()); // 3 + 63 + 1 = 67: still fits
    EXPECT_EQ(s.GetBuffer(), before);
    EXPECT_EQ(s.GetLength(), 66);
    s.Append("y"); // 68 > 67: grows to 66 + 1 + 64
    EXPECT_EQ(s.GetCapacity(), 131);
    EXPECT_EQ(std::string(s.c_str()), "abc" + std::string(63, 'x') + "y");
    s.Append(nullptr);
    s.Append("");
    EXPECT_EQ(s.GetLength(), 67);
}

TEST_F(SharedServicesTest, CharStringAssignAndNumbers) {
    CCharString s("speech");
    EXPECT_EQ(s.GetCapacity(), 70);
    const char* buffer = s.GetBuffer();
    s.Assign(nullptr);
    EXPECT_EQ(s.GetBuffer(), buffer);
    EXPECT_EQ(s.GetCapacity(), 70);
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(s.c_str(), "");
    s.Assign("x");
    s += -42;
    s += " ok";
    EXPECT_STREQ(s.c_str(), "x-42 ok");
    s.Assign(s.c_str() + 1); // assigning from its own buffer
    EXPECT_STREQ(s.c_str(), "-42 ok");
    CCharString copy = s;
    EXPECT_STREQ(copy.c_str(), "-42 ok");
    EXPECT_NE(copy.GetBuffer(), s.GetBuffer());
    EXPECT_EQ(CCharString(nullptr).GetBuffer(), nullptr);
}

TEST_F(SharedServicesTest, CycleListWrapsAndRefusesPastItsCapacity) {
    int items[33];
    CCycleList list;
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    list.Add(&items[0]);
    EXPECT_EQ(list.Next(), &items[0]); // one item: always that one
    EXPECT_EQ(list.Next(), &items[0]);
    list.Add(&items[1]);
    list.Add(&items[2]);
    list.Next();
    list.Next(); // cursor on the third
    EXPECT_EQ(list.Current(), &items[2]);
    EXPECT_EQ(list.Next(), &items[0]);
    EXPECT_EQ(list.Cursor(), 0);
    list.Clear();
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(list.Add(&items[i]));
    EXPECT_FALSE(list.Add(&items[32]));
    EXPECT_EQ(list.Count(), 32);
}

TEST_F(SharedServicesTest, GameCursorKinds) {
    struct Case {
        int kind, cursor;
    } cases[] = {{0, 17}, {1, 0}, {8, 0}, {9, 17}, {30, 17}, {31, 0}, {38, 0}, {39, 17}, {-1, 17}};
    for (const auto& c : cases)
        EXPECT_EQ(GameCursorFor(c.kind), c.cursor) << c.kind;
}

TEST_F(SharedServicesTest, RandomBelowIsBoundedAndRepeatable) {
    EXPECT_EQ(RandomBelow(0), 0);
    EXPECT_EQ(RandomBelow(-5), 0);
    SeedRandom(1234);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(RandomBelow(7));
    SeedRandom(1234);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(RandomBelow(7), first[i]);
    for (int v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 7);
    }
}

TEST_F(SharedServicesTest, ErrorMessageExitsOnlyWithTheFlag) {
    qvtest::ReportRecorder rec;
    ShowErrorMessage("Cannot do it.", "ERROR", nullptr);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    int flag = 1;
    try {
        ShowErrorMessage("Fatal.", "ERROR", &flag);
        FAIL();
    } catch (const qvtest::ProcessExit& e) {
        EXPECT_EQ(e.code, 1);
    }
    try {
        OutOfMemoryHandler();
        FAIL();
    } catch (const qvtest::ProcessExit& e) {
        EXPECT_EQ(e.code, 1);
    }
    EXPECT_EQ(platform::headless::MessageBoxes().back().caption, "Out of memory");
}

// The ring walk clears exactly the screen-sized area the ring shows, wrapping rows and the buffer.
TEST_F(SharedServicesTest, ClearRingAreaFollowsTheRing) {
    const int W = 8, H = 4, total = W * H;
    for (int offset : {0, 3, 13, total - 2, total}) {
        std::vector<uint16_t> pixels(total, 0xFFFF);
        ClearRingArea(pixels.data(), W, H, offset, 5, 3);
        std::vector<bool> expectCleared(total, false);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                expectCleared[(offset + y * W + x) % total] = true;
        for (int i = 0; i < total; ++i)
            EXPECT_EQ(pixels[i], expectCleared[i] ? 0 : 0xFFFF) << "offset " << offset << " pixel " << i;
    }
}

TEST_F(SharedServicesTest, ClearViewBufferClearsTheScreenThroughTheRing) {
    BackBuffer::Resize(800, 600); // larger than the 640 x 480 screen
    std::fill(BackBuffer::Pixels(), BackBuffer::Pixels() + 800 * 600, 0xFFFF);
    const int offset = 800 * 500 + 700; // the screen wraps at both edges
    BackBuffer::SetRingOffset(offset);
    ClearViewBuffer();
    auto at = [](int i) { return BackBuffer::Pixels()[i % (800 * 600)]; };
    EXPECT_EQ(at(offset), 0);                   // screen (0, 0)
    EXPECT_EQ(at(offset + 639), 0);             // screen (639, 0), past the row's end
    EXPECT_EQ(at(offset + 479 * 800 + 639), 0); // the last screen pixel, past the buffer's end
    EXPECT_EQ(at(offset + 640), 0xFFFF);        // right of the screen
    EXPECT_EQ(at(offset + 480 * 800), 0xFFFF);  // below the screen
    EXPECT_EQ(ClearScreenBuffer(), 0);
    EXPECT_EQ(at(offset + 640), 0);
    BackBuffer::Release();
}

TEST_F(SharedServicesTest, MarkedMobilesUnlinkFromEitherEnd) {
    InitMarkedMobiles();
    auto* a = reinterpret_cast<CMobile*>(0x1000);
    auto* b = reinterpret_cast<CMobile*>(0x2000);
    auto* c = reinterpret_cast<CMobile*>(0x3000);
    MarkedMobileNode* na = AddMarkedMobile(a);
    AddMarkedMobile(b);
    MarkedMobileNode* nc = AddMarkedMobile(c);
    EXPECT_EQ(FindMarkedMobile(b)->mobile, b);
    UnmarkMobile(na);
    EXPECT_EQ(MarkedMobilesHead()->mobile, b);
    EXPECT_EQ(na->next, nullptr);
    UnmarkMobile(nc);
    EXPECT_EQ(MarkedMobilesTail()->mobile, b);
    delete na;
    delete nc;
    MarkedMobileNode* nb = FindMarkedMobile(b);
    UnmarkMobile(nb); // the only node
    EXPECT_EQ(MarkedMobilesHead(), nullptr);
    EXPECT_EQ(MarkedMobilesTail(), nullptr);
    delete nb;
    AddMarkedMobile(a);
    AddMarkedMobile(b);
    ClearMarkedMobiles();
    EXPECT_EQ(MarkedMobilesHead(), nullptr);
    EXPECT_EQ(FindMarkedMobile(a), nullptr);
}

} // namespace
