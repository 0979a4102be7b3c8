// Entering the world restores the saved desktop: here the installation's default desktop, whose
// window record places the main window, sizes the back buffer and maximises the window or not.
#include "FrontEndFixture.h"

#include "gumps/Desktop.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"

namespace qvtest {
namespace {

void Put(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(static_cast<uint32_t>(v) >> (8 * i)));
}

class DesktopOnEntryTest : public FrontEndTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DesktopOnEntryTest, TheWindowRecordIsAppliedAndSavedBack) {
    const bool maximised = GetParam();
    StartClient(testshard::Script{});
    std::string file;
    Put(file, 0x7777); // another character's serial: the default desktop is read all the same
    file.push_back(static_cast<char>(Desktop::GeometryWithState));
    for (int32_t v : {8, 6, 40, 30, 800, 600})
        Put(file, v);
    file.push_back(maximised ? 1 : 0);
    dir.write("install/desktop.nwb", file);
    ASSERT_FALSE(platform::IsWindowMaximized());

    Type("tester\tpw\r");
    ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; }));
    FrontEnd::ServerList()->SelectServer(0);
    ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; }));
    CLoginGump* characters = FrontEnd::CharacterSelection().get();
    characters->HandleChildMouseDown(characters->rows[0]);
    Type("\r");
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }));

    EXPECT_TRUE(Desktop::GetState().defaultDesktop);
    EXPECT_EQ(platform::IsWindowMaximized(), maximised);
    int x = 0, y = 0;
    platform::GetWindowPosition(x, y);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(BackBuffer::Width(), 800);
    EXPECT_EQ(BackBuffer::Height(), 600);

    // What saving would write: the same window record, the state read back from the window.
    const Desktop::File saved = Desktop::Collect();
    const auto record =
        std::find_if(saved.records.begin(), saved.records.end(),
                     [](const Desktop::Record& r) { return r.type == Desktop::GeometryWithState; });
    ASSERT_NE(record, saved.records.end());
    EXPECT_EQ(record->I32(8), 40);
    EXPECT_EQ(record->I32(12), 30);
    EXPECT_EQ(record->I32(16), 800);
    EXPECT_EQ(record->U8(24), maximised ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Maximised, DesktopOnEntryTest, ::testing::Bool());

} // namespace
} // namespace qvtest
