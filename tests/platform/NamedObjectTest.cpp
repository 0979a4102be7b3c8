#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(NamedObjectTest, ExistsWhileAHolderKeepsIt) {
    bool existed = true;
    platform::NamedObject first = platform::NamedObject::Create("QvClientApp", &existed);
    ASSERT_TRUE(first.IsOpen());
    EXPECT_FALSE(existed);

    platform::NamedObject second = platform::NamedObject::Create("QvClientApp", &existed);
    ASSERT_TRUE(second.IsOpen());
    EXPECT_TRUE(existed);

    EXPECT_TRUE(platform::NamedObject::OpenExisting("QvClientApp").IsOpen());
    EXPECT_FALSE(platform::NamedObject::OpenExisting("QvPatchApp").IsOpen());

    first.Close();
    second.Close();
    EXPECT_FALSE(platform::NamedObject::OpenExisting("QvClientApp").IsOpen());
    platform::NamedObject again = platform::NamedObject::Create("QvClientApp", &existed);
    EXPECT_FALSE(existed);
}

TEST(NamedObjectTest, NamesWithSeparatorsAreDistinctObjects) {
    bool existed = true;
    platform::NamedObject a = platform::NamedObject::Create("QVReport::startup", &existed);
    EXPECT_FALSE(existed);
    platform::NamedObject b = platform::NamedObject::Create("QVReport__other", &existed);
    EXPECT_FALSE(existed);
}

} // namespace
