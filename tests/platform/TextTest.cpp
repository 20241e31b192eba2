#include "Text.h"

#include <gtest/gtest.h>

using namespace hf;

namespace {

TEST(Cp1252, RoundTripsEveryByteThroughUtf8)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(fitsCp1252(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), all);
}

TEST(Cp1252, ConvertsTheSpecialRangeAndReplacesWhatDoesNotFit)
{
    EXPECT_EQ(utf8ToCp1252("caf\xC3\xA9 \xE2\x82\xAC 5"), "caf\xE9 \x80 5");
    EXPECT_EQ(cp1252ToUtf8("\x93quoted\x94"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    EXPECT_FALSE(fitsCp1252("\xE6\x97\xA5"));  // a CJK character
    EXPECT_EQ(utf8ToCp1252("a\xE6\x97\xA5"
                           "b"),
              "a?b");
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?") << "a cut sequence is not read past the end";
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??") << "overlong forms are refused";
}

TEST(Fields, CopiesKeepTheTerminatorAndReadsStopAtTheField)
{
    char field[6];
    std::memset(field, 'x', sizeof field);
    copyField(field, "abcdefgh");
    EXPECT_EQ(std::string(field, 6), std::string("abcde\0", 6));
    copyField(field, "ab");
    EXPECT_EQ(std::string(field, 6), std::string("ab\0\0\0\0", 6));

    char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(fieldText(unterminated), "wxyz");
}

TEST(Chars, CountsAndCutsOnCharacterBoundaries)
{
    EXPECT_EQ(charCount("Zo\xC3\xAB"), 3u);
    EXPECT_EQ(leftChars("Zo\xC3\xAB!", 3), "Zo\xC3\xAB");
    EXPECT_EQ(leftChars("Zo\xC3\xAB!", 2), "Zo");
    EXPECT_EQ(leftChars("ab", 15), "ab");
}

TEST(NoCase, ComparesLettersOfTheCodePageWithoutCase)
{
    EXPECT_EQ(compareNoCase("\xC3\x89mile", "\xC3\xA9MILE"), 0);
    EXPECT_LT(compareNoCase("abc", "ABD"), 0);
    EXPECT_GT(compareNoCase("abcd", "ABC"), 0);
    EXPECT_TRUE(startsWithNoCase("Allsorts", "ALL"));
    EXPECT_FALSE(startsWithNoCase("Al", "All"));
}

}  // namespace
