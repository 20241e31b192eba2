#include "NameRules.h"

#include <gtest/gtest.h>

using namespace hf;

namespace {

TEST(NameRules, ChosenFilesLoseTheExtensionAndAreCutTo15Characters)
{
    EXPECT_EQ(proposedNameForChosenFile("/home/ann/Summer holiday at the lake.jpg"), "Summer holiday ");
    EXPECT_EQ(proposedNameForChosenFile("/home/ann/.profile"), "");
    EXPECT_EQ(proposedNameForChosenFile("/home/ann/archive.2001/beach"), "beach");
    EXPECT_EQ(proposedNameForChosenFile("/p/photo.final.png"), "photo.final");
    EXPECT_EQ(proposedNameForChosenFile("/p/Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 au four.jpg"),
              "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 au")
        << "15 characters, not 15 bytes";
}

TEST(NameRules, DroppedFilesKeepALeadingFullStopAndTheirLength)
{
    EXPECT_EQ(proposedNameForDroppedFile("/home/ann/.profile"), ".profile");
    EXPECT_EQ(proposedNameForDroppedFile("/home/ann/Summer holiday at the lake.jpg"), "Summer holiday at the lake");
    EXPECT_EQ(proposedNameForDroppedFile("/home/ann/archive.2001/beach"), "beach");
    EXPECT_EQ(proposedNameForDroppedFile("/home/ann/.hidden.jpg"), ".hidden");
}

}  // namespace
