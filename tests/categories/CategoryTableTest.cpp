#include "CategoryTable.h"
#include "Album.h"
#include "CategoryTestUtil.h"
#include "PictureDetails.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace hf {
namespace {

using test::freshHeader;
using test::fullHeader;
using Names = std::vector<std::string>;

TEST(CategoryEditor, NewRenameAndDeleteChangeOnlyTheWorkingCopy)
{
    AlbumHeader original = freshHeader();
    original.changedCategories = 0;
    original.reserved1[0] = 0x5A;
    const AlbumHeader before = original;

    CategoryEditor editor(original);
    EXPECT_EQ(editor.listEntries().items(), (Names{"Business", "Personal"}));
    ASSERT_EQ(editor.freeSlot(), 3);
    EXPECT_EQ(editor.create(3, "Holiday"), 129);
    EXPECT_EQ(editor.working().categoryIds[3], 129);
    EXPECT_EQ(editor.working().lastUniqueId, 129);

    editor.rename(2, "Work");
    EXPECT_EQ(editor.working().categoryIds[2], 2);
    editor.remove(1);
    // Delete clears the first byte only and keeps the ID.
    EXPECT_EQ(std::string_view(editor.working().categoryNames[1], 8), std::string_view("\0ersonal", 8));
    EXPECT_EQ(editor.working().categoryIds[1], 1);
    EXPECT_EQ(editor.working().changedCategories, 0b1110);
    EXPECT_EQ(editor.listEntries().items(), (Names{"Holiday", "Work"}));
    EXPECT_TRUE(test::sameBytes(original, before));

    editor.commitTo(original);
    EXPECT_TRUE(test::sameBytes(original, editor.working()));
    EXPECT_EQ(original.reserved1[0], 0x5A);
}

TEST(CategoryEditor, SixteenSlotsRefuseNewUntilADeleteFreesOne)
{
    CategoryEditor editor(fullHeader());
    EXPECT_FALSE(editor.freeSlot());
    editor.remove(*editor.listedSlot("Cat 7"));
    ASSERT_EQ(editor.freeSlot(), 7);
    editor.create(7, "New");
    EXPECT_FALSE(editor.freeSlot());
}

TEST(CategoryEditor, ListedEntriesNeverReachUnfiled)
{
    // A table from elsewhere holding "Unfiled" twice: Rename or Delete of the
    // listed one must not touch slot 0.
    AlbumHeader h = freshHeader();
    copyField(h.categoryNames[4], "Unfiled");
    EXPECT_EQ(findSlot(h, "Unfiled"), 0);
    EXPECT_EQ(CategoryEditor(h).listedSlot("Unfiled"), 4);
    EXPECT_FALSE(CategoryEditor(h).listedSlot("personal"));
}

TEST(NextUniqueId, WrapsLiftsAndSkipsEveryHeldId)
{
    AlbumHeader h = freshHeader();
    for (std::int32_t last : {255, 0x1FF, 5, -1}) {
        h.lastUniqueId = last;
        EXPECT_EQ(nextUniqueId(h), 128) << last;
    }
    h.lastUniqueId = 255;
    h.categoryIds[3] = 128;
    h.categoryIds[4] = 129;
    h.categoryIds[9] = 131;
    EXPECT_EQ(nextUniqueId(h), 130);
    EXPECT_EQ(nextUniqueId(h), 132);
}

TEST(NextUniqueId, DeletedSlotsIdIsNotReusedWhileTheSlotHoldsIt)
{
    AlbumHeader h = freshHeader();
    h.lastUniqueId = 254;
    CategoryEditor editor(h);
    EXPECT_EQ(editor.create(3, "A"), 255);
    editor.remove(3);
    EXPECT_EQ(editor.create(4, "B"), 128);
    editor.remove(4);
    // Slots 3 and 4 are empty but still hold 255 and 128.
    AlbumHeader w = editor.working();
    w.lastUniqueId = 254;
    EXPECT_EQ(nextUniqueId(w), 129);
    // Once slot 3 is reused under a new ID, 255 is free again.
    EXPECT_EQ(editor.create(3, "D"), 129);
    w = editor.working();
    w.lastUniqueId = 254;
    EXPECT_EQ(nextUniqueId(w), 255);
}

TEST(CategoryName, AcceptsCutsAndRefuses)
{
    AlbumHeader h = freshHeader();
    EXPECT_EQ(checkCategoryName(h, "unfiled", "New Category").accepted, "unfiled");
    EXPECT_EQ(checkCategoryName(h, "Twenty characters!!!", "New Category").accepted, "Twenty characte");

    NameVerdict v = checkCategoryName(h, "Unfiled", "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Unfiled category already exists");
    EXPECT_EQ(v.refusal->caption, "New Category");
    EXPECT_EQ(v.refusal->style, MsgStyle::Exclamation);

    v = checkCategoryName(h, "Personal", "Rename Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->caption, "Rename Category");

    // The cut comes before the comparison; names are shown as text.
    copyField(h.categoryNames[3], "Caf\xE9 terrace 12");
    v = checkCategoryName(h, "Caf\xE9 terrace 12345", "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Caf\xC3\xA9 terrace 12 category already exists");

    // What follows a zero byte would not be stored, so it does not count.
    EXPECT_TRUE(checkCategoryName(h, std::string_view("Personal\0x", 10), "New Category").refusal);
}

TEST(CategoryName, EmptyNameIsRefusedWithOrWithoutFreeSlots)
{
    for (const AlbumHeader& h : {freshHeader(), fullHeader()}) {
        for (std::string_view typed : {std::string_view(), std::string_view("\0abc", 4)}) {
            const NameVerdict v = checkCategoryName(h, typed, "New Category");
            ASSERT_TRUE(v.refusal);
            EXPECT_EQ(v.refusal->text, "Please enter a category name.");
            EXPECT_EQ(v.refusal->caption, "Category Name");
        }
    }
}

TEST(SelectionFor, PrefersTheExactEntryOverACaseTwin)
{
    SortedList list;
    for (const char* name : {"art", "Art", "Artwork"})
        list.add(name);
    EXPECT_EQ(list[selectionFor(list, "Art")], "Art");
    EXPECT_EQ(list[selectionFor(list, "ARTW")], "Artwork");
    EXPECT_EQ(selectionFor(list, "Bar"), -1);
}

TEST(PictureDetails, ChoicesRepairOnlyEmptyOrOutOfRangeCategories)
{
    AlbumHeader h = freshHeader();
    PhotoRecord r{};
    // Only the low 8 bits name the slot.
    r.category = 0x102;
    CategoryChoices c = categoryChoices(h, r);
    EXPECT_EQ(c.entries.items(), (Names{"Business", "Personal", "Unfiled"}));
    EXPECT_EQ(c.entries[c.selected], "Business");
    EXPECT_EQ(r.category, 0x102);
    EXPECT_EQ(r.modified, 0);

    for (std::int32_t category : {5, 16, 0x110, -1}) {
        r = PhotoRecord{};
        r.category = category;
        c = categoryChoices(h, r);
        EXPECT_EQ(c.entries[c.selected], "Unfiled") << category;
        EXPECT_EQ(r.category, 0) << category;
        EXPECT_EQ(r.modified, 1) << category;
    }

    // Without a name in slot 0 nothing is selected, rather than whichever
    // category happens to come first.
    h.categoryNames[0][0] = '\0';
    r.category = 9;
    EXPECT_EQ(categoryChoices(h, r).selected, -1);
}

TEST(PictureDetails, OkFilesByExactNameAndKeepsTheNameInItsField)
{
    const AlbumHeader h = freshHeader();
    EXPECT_EQ(categoryForText(h, "Business"), 2);
    EXPECT_EQ(categoryForText(h, "personal"), 0);
    // An empty box must not match the first empty slot.
    EXPECT_EQ(categoryForText(h, ""), 0);

    PhotoRecord r{};
    std::memset(r.picturePath, 'p', sizeof r.picturePath - 1);
    applyDetails(h, r, "A name much longer than the field holds", "Personal", true);
    EXPECT_EQ(fieldText(r.pictureName), "A name much longer than");
    EXPECT_EQ(r.picturePath[0], 'p');
    EXPECT_EQ(r.category, 1);
    EXPECT_EQ(r.privateFlag, 1);
}

// The user's edits land on a table the synchronisation changed meanwhile
// ("Travel" added in slot 3, "Business" renamed "Work"); what the other side
// did stays.
TEST(MergeCategoryEdits, CarriesEachEditOverByName)
{
    struct Row {
        const char* name;
        std::function<void(CategoryEditor&)> edit;
        std::vector<std::string> expected;  // the names of slots 0 to 4
    };
    const std::vector<Row> rows = {
        {"New", [](CategoryEditor& e) { e.create(3, "Family"); }, {"Unfiled", "Personal", "Work", "Travel", "Family"}},
        {"Rename", [](CategoryEditor& e) { e.rename(1, "Private"); }, {"Unfiled", "Private", "Work", "Travel", ""}},
        {"Delete", [](CategoryEditor& e) { e.remove(1); }, {"Unfiled", "", "Work", "Travel", ""}},
        {"RenameOfWhatWasRenamed",
         [](CategoryEditor& e) { e.rename(2, "Office"); },
         {"Unfiled", "Personal", "Work", "Travel", ""}},
        {"NewThatIsThereAlready",
         [](CategoryEditor& e) { e.create(3, "Travel"); },
         {"Unfiled", "Personal", "Work", "Travel", ""}},
    };
    for (const Row& row : rows) {
        const AlbumHeader before = defaultAlbumHeader();
        CategoryEditor dialog(before);
        row.edit(dialog);
        AlbumHeader reloaded = defaultAlbumHeader();
        copyField(reloaded.categoryNames[2], "Work");
        copyField(reloaded.categoryNames[3], "Travel");
        reloaded.categoryIds[3] = nextUniqueId(reloaded);
        mergeCategoryEdits(before, dialog.working(), reloaded);
        std::vector<std::string> names;
        names.reserve(5);
        for (int slot = 0; slot < 5; ++slot)
            names.emplace_back(slotName(reloaded, slot));
        EXPECT_EQ(names, row.expected) << row.name;
    }
}

}  // namespace
}  // namespace hf
