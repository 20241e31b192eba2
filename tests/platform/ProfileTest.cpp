#include "Profile.h"

#include <gtest/gtest.h>

using namespace hf;

namespace {

TEST(MemoryProfile, ReadsDefaultsUntilWrittenAndKeepsSectionsApart)
{
    MemoryProfile p;
    EXPECT_EQ(p.getInt("Parameters", "Gray Level", 3), 3);
    EXPECT_EQ(p.getString("Prefs", "PrevUser", ""), "");
    p.setInt("Parameters", "Contrast", -250);
    p.setString("Prefs", "PrevUser", "Ann");
    EXPECT_EQ(p.getInt("Parameters", "Contrast", 0), -250);
    EXPECT_EQ(p.getInt("Prefs", "Contrast", 7), 7);
    EXPECT_EQ(p.getString("Prefs", "PrevUser", ""), "Ann");
    EXPECT_EQ(p.getInt("Prefs", "PrevUser", 5), 5) << "text is not a number";
}

}  // namespace
