#include "WorldFixture.h"
#include "qvworld/WorldReport.h"

#include <gtest/gtest.h>

namespace {

class QvworldReportTest : public worldtest::WorldTest {};

TEST_F(QvworldReportTest, RowsReadAsTheClientReadsThem) {
    InstallSample();
    qvworld::LoadWorldTables();
    const std::string coins = qvworld::DescribeItem(mkinstall::WorldItem::CoinPile, 5);
    for (const char* part : {"stackable article-a", "plural \"gold coins\"", "singular \"a gold coin\"",
                             "localized \"gold coin : 5\"", "coin yes"})
        EXPECT_NE(coins.find(part), std::string::npos) << part << " in\n" << coins;
    EXPECT_NE(qvworld::DescribeLand(mkinstall::WorldLand::Water).find("impassable wet"), std::string::npos);
    // The fire every second step through its four frames: 9 10 10 11 11 12 12 9 ...
    EXPECT_NE(qvworld::DescribeAnimation(mkinstall::WorldItem::Fire, 8).find("step: 9 10 10 11 11 12 12 9"),
              std::string::npos);
    EXPECT_NE(qvworld::DescribeRegion(0).find("\"Varnis Harbour\""), std::string::npos);
    const std::string animal = qvworld::DescribeBody(mkinstall::kSampleAnimalBody);
    EXPECT_NE(animal.find("type 2"), std::string::npos) << animal;
    EXPECT_NE(animal.find("IsAnimalBody yes"), std::string::npos);
    EXPECT_NE(animal.find("bodyconv value 204"), std::string::npos);
}

} // namespace
