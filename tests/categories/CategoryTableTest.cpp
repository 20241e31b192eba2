#include "CategoryTable.h"
#include "CategoryTestUtil.h"
#include "PictureDetails.h"

#include <gtest/gtest.h>

#include <vector>

namespace hf {
namespace {

using test::freshHeader;
using test::fullHeader;

std::vector<std::string> entries(const SortedList& list)
{
    return list.items();
}

TEST(CategoryEditor, FreshAlbumListsUserCategoriesAndFirstNewTakesSlot3WithId129)
{
    CategoryEditor editor(freshHeader());
    EXPECT_EQ(entries(editor.listEntries()), (std::vector<std::string>{"Business", "Personal"}));

    AlbumHeader h = freshHeader();
    h.changedCategories = 0;
    editor = CategoryEditor(h);
    const std::optional<int> slot = editor.freeSlot();
    ASSERT_EQ(slot, 3);
    EXPECT_EQ(editor.create(*slot, "Holiday"), 129);
    EXPECT_EQ(slotName(editor.working(), 3), "Holiday");
    EXPECT_EQ(editor.working().categoryIds[3], 129);
    EXPECT_EQ(editor.working().lastUniqueId, 129);
    EXPECT_EQ(editor.working().changedCategories, 1u << 3);
    EXPECT_EQ(entries(editor.listEntries()), (std::vector<std::string>{"Business", "Holiday", "Personal"}));
}

TEST(CategoryEditor, ListIsInSortedBoxOrderIgnoringCase)
{
    AlbumHeader h = freshHeader();
    copyField(h.categoryNames[5], "apple");
    copyField(h.categoryNames[7], "\xC9t\xE9");  // "Été" in Windows-1252
    copyField(h.categoryNames[9], "zoo");
    CategoryEditor editor(h);
    EXPECT_EQ(entries(editor.listEntries()),
              (std::vector<std::string>{"apple", "Business", "Personal", "zoo", "\xC3\x89t\xC3\xA9"}));
}

TEST(CategoryEditor, SixteenSlotsRefuseNewUntilADeleteInTheSameVisit)
{
    CategoryEditor editor(fullHeader());
    EXPECT_FALSE(editor.freeSlot());
    const Message m = categoryText::tooMany();
    EXPECT_EQ(m.text, "There is a maximum of 16 categories allowed.");
    EXPECT_EQ(m.caption, "New Category");
    EXPECT_EQ(m.style, MsgStyle::Exclamation);

    const std::optional<int> slot = editor.listedSlot("Cat 7");
    ASSERT_EQ(slot, 7);
    editor.remove(*slot);
    // Delete clears only the first byte; the rest of the field is left.
    EXPECT_EQ(editor.working().categoryNames[7][0], '\0');
    EXPECT_EQ(std::string_view(editor.working().categoryNames[7] + 1, 4), "at 7");
    EXPECT_EQ(editor.freeSlot(), 7);
    editor.create(7, "New");
    EXPECT_EQ(slotName(editor.working(), 7), "New");
    EXPECT_FALSE(editor.freeSlot());
}

TEST(CategoryEditor, RenameAndDeleteMarkTheSlotAndKeepItsId)
{
    AlbumHeader h = freshHeader();
    h.changedCategories = 0;
    CategoryEditor editor(h);
    editor.rename(2, "Work");
    EXPECT_EQ(slotName(editor.working(), 2), "Work");
    EXPECT_EQ(editor.working().categoryIds[2], 2);
    EXPECT_EQ(editor.working().lastUniqueId, 128);
    editor.remove(1);
    EXPECT_FALSE(slotUsed(editor.working(), 1));
    EXPECT_EQ(editor.working().categoryIds[1], 1);
    EXPECT_EQ(editor.working().changedCategories, 0b110);
    EXPECT_EQ(entries(editor.listEntries()), (std::vector<std::string>{"Work"}));
}

TEST(CategoryEditor, WorkingCopyLeavesTheOriginalUntilCommitted)
{
    const AlbumHeader original = freshHeader();
    AlbumHeader target = original;
    {
        CategoryEditor editor(target);
        editor.create(3, "Trip");
        editor.rename(1, "Home");
        editor.remove(2);
    }
    EXPECT_TRUE(test::sameBytes(target, original));

    AlbumHeader committed = original;
    committed.reserved1[0] = 0x5A;
    CategoryEditor editor(committed);
    editor.create(3, "Trip");
    AlbumHeader other = original;
    editor.commitTo(other);
    EXPECT_TRUE(test::sameBytes(other, editor.working()));
    EXPECT_EQ(other.reserved1[0], 0x5A);
}

TEST(CategoryEditor, ListedSlotNeverReachesUnfiled)
{
    // A table from elsewhere with "Unfiled" twice: Rename or Delete of the
    // listed one must not touch slot 0.
    AlbumHeader h = freshHeader();
    copyField(h.categoryNames[4], "Unfiled");
    CategoryEditor editor(h);
    EXPECT_EQ(findSlot(h, "Unfiled"), 0);
    EXPECT_EQ(editor.listedSlot("Unfiled"), 4);
    EXPECT_FALSE(editor.listedSlot("personal"));
}

TEST(NextUniqueId, WrapsLiftsAndSkipsHeldIds)
{
    AlbumHeader h = freshHeader();
    h.lastUniqueId = 255;
    EXPECT_EQ(nextUniqueId(h), 128);
    EXPECT_EQ(h.lastUniqueId, 128);

    h.lastUniqueId = 255;
    h.categoryIds[3] = 128;
    h.categoryIds[4] = 129;
    h.categoryIds[9] = 131;
    EXPECT_EQ(nextUniqueId(h), 130);
    EXPECT_EQ(nextUniqueId(h), 132);

    // Only the low 8 bits count; anything below 128 is lifted.
    h = freshHeader();
    h.lastUniqueId = 0x1FF;
    EXPECT_EQ(nextUniqueId(h), 128);
    h.lastUniqueId = 5;
    EXPECT_EQ(nextUniqueId(h), 128);
    h.lastUniqueId = -1;
    EXPECT_EQ(nextUniqueId(h), 128);
    h.lastUniqueId = 200;
    EXPECT_EQ(nextUniqueId(h), 201);
}

TEST(NextUniqueId, DeletedSlotsIdIsNotReusedWhileHeld)
{
    AlbumHeader h = freshHeader();
    h.lastUniqueId = 254;
    CategoryEditor editor(h);
    EXPECT_EQ(editor.create(3, "A"), 255);
    editor.remove(3);
    // Slot 3 still holds 255 although it is empty; the wrap gives 128.
    EXPECT_EQ(editor.create(3, "B"), 128);
    editor.remove(3);
    EXPECT_EQ(editor.create(4, "C"), 129);
    // Slot 3 (empty, ID 128) is taken again: 130, and 128 is free from then on.
    EXPECT_EQ(editor.create(3, "D"), 130);
    AlbumHeader w = editor.working();
    w.lastUniqueId = 255;
    EXPECT_EQ(nextUniqueId(w), 128);
}

TEST(CategoryName, CutRefusalsAndCaseSensitivity)
{
    const AlbumHeader h = freshHeader();

    NameVerdict v = checkCategoryName(h, "unfiled", "New Category");
    EXPECT_FALSE(v.refusal);
    EXPECT_EQ(v.accepted, "unfiled");

    v = checkCategoryName(h, "Unfiled", "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Unfiled category already exists");
    EXPECT_EQ(v.refusal->caption, "New Category");
    EXPECT_EQ(v.refusal->style, MsgStyle::Exclamation);

    // Renaming to the unchanged name is refused, with the dialog's title.
    v = checkCategoryName(h, "Personal", "Rename Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Personal category already exists");
    EXPECT_EQ(v.refusal->caption, "Rename Category");

    v = checkCategoryName(h, "Twenty characters!!!", "New Category");
    EXPECT_FALSE(v.refusal);
    EXPECT_EQ(v.accepted, "Twenty characte");

    // The cut happens before the comparison.
    AlbumHeader long15 = h;
    copyField(long15.categoryNames[3], "Twenty characte");
    v = checkCategoryName(long15, "Twenty characters!!!", "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Twenty characte category already exists");

    // Names in messages are shown as text, not as the stored bytes.
    v = checkCategoryName(long15, "Caf\xE9", "New Category");
    EXPECT_EQ(v.accepted, "Caf\xE9");
    copyField(long15.categoryNames[4], "Caf\xE9");
    v = checkCategoryName(long15, "Caf\xE9", "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Caf\xC3\xA9 category already exists");
}

TEST(CategoryName, EmptyNameIsRefusedWithOrWithoutFreeSlots)
{
    for (const AlbumHeader& h : {freshHeader(), fullHeader()}) {
        for (std::string_view typed : {std::string_view(), std::string_view("\0abc", 4)}) {
            const NameVerdict v = checkCategoryName(h, typed, "New Category");
            ASSERT_TRUE(v.refusal);
            EXPECT_EQ(v.refusal->text, "Please enter a category name.");
            EXPECT_EQ(v.refusal->caption, "Category Name");
            EXPECT_EQ(v.refusal->style, MsgStyle::Exclamation);
        }
    }
    // What follows a zero byte is not part of the name, so it cannot slip
    // past the comparison and store an existing name.
    const NameVerdict v = checkCategoryName(freshHeader(), std::string_view("Personal\0x", 10), "New Category");
    ASSERT_TRUE(v.refusal);
    EXPECT_EQ(v.refusal->text, "The Personal category already exists");
}

TEST(CategoryMessages, SelectionAndDeleteTexts)
{
    const Message rename = categoryText::selectFirst(categoryText::kRenameTitle);
    EXPECT_EQ(rename.text, "Please select an item from the list.");
    EXPECT_EQ(rename.caption, "Rename Category");
    EXPECT_EQ(rename.style, MsgStyle::Ok);
    EXPECT_EQ(categoryText::selectFirst(categoryText::kDeleteTitle).caption, "Delete Category");

    const Message q = categoryText::deleteQuestion("Personal");
    EXPECT_EQ(q.text, "Really delete the Personal category?\n\nDeleting this category will move all members of "
                      "this category to the Unfiled category.");
    EXPECT_EQ(q.caption, "Delete Category");
    EXPECT_EQ(q.style, MsgStyle::YesNo);
}

TEST(SelectionFor, PrefersTheExactEntryOverACaseTwin)
{
    SortedList list;
    list.add("art");
    list.add("Art");
    list.add("Artwork");
    EXPECT_EQ(list[selectionFor(list, "Art")], "Art");
    EXPECT_EQ(list[selectionFor(list, "art")], "art");
    EXPECT_EQ(list[selectionFor(list, "ARTW")], "Artwork");
    EXPECT_EQ(selectionFor(list, "Bar"), -1);
}

PhotoRecord recordIn(std::int32_t category)
{
    PhotoRecord r{};
    copyField(r.pictureName, "Beach");
    r.category = category;
    return r;
}

TEST(PictureDetails, ChoicesListEveryCategoryAndSelectTheRecords)
{
    const AlbumHeader h = freshHeader();
    PhotoRecord r = recordIn(1);
    CategoryChoices c = categoryChoices(h, r);
    EXPECT_EQ(c.entries.items(), (std::vector<std::string>{"Business", "Personal", "Unfiled"}));
    ASSERT_GE(c.selected, 0);
    EXPECT_EQ(c.entries[c.selected], "Personal");
    EXPECT_EQ(r.modified, 0);

    // Only the low 8 bits name the slot; such a record is not repaired.
    r = recordIn(0x102);
    c = categoryChoices(h, r);
    EXPECT_EQ(c.entries[c.selected], "Business");
    EXPECT_EQ(r.category, 0x102);
    EXPECT_EQ(r.modified, 0);
}

TEST(PictureDetails, EmptyOrOutOfRangeCategoryIsRepairedAtOnce)
{
    const AlbumHeader h = freshHeader();
    for (std::int32_t category : {5, 15, 16, 0x110, -1}) {
        PhotoRecord r = recordIn(category);
        const CategoryChoices c = categoryChoices(h, r);
        EXPECT_EQ(r.category, 0) << category;
        EXPECT_EQ(r.modified, 1) << category;
        ASSERT_GE(c.selected, 0);
        EXPECT_EQ(c.entries[c.selected], "Unfiled");
    }

    // Without a name in slot 0 nothing is selected, rather than whichever
    // category happens to come first.
    AlbumHeader damaged = h;
    damaged.categoryNames[0][0] = '\0';
    PhotoRecord r = recordIn(9);
    EXPECT_EQ(categoryChoices(damaged, r).selected, -1);
    EXPECT_EQ(r.category, 0);
}

TEST(PictureDetails, OkFilesByExactNameOnly)
{
    AlbumHeader h = freshHeader();
    copyField(h.categoryNames[6], "Art");
    EXPECT_EQ(categoryForText(h, "Business"), 2);
    EXPECT_EQ(categoryForText(h, "Art"), 6);
    EXPECT_EQ(categoryForText(h, "personal"), 0);
    EXPECT_EQ(categoryForText(h, "Personal "), 0);
    EXPECT_EQ(categoryForText(h, "Unfiled"), 0);
    // An empty box must not match the first empty slot.
    EXPECT_EQ(categoryForText(h, ""), 0);
}

TEST(PictureDetails, ApplyWritesNameCategoryAndPrivateFlag)
{
    const AlbumHeader h = freshHeader();
    PhotoRecord r = recordIn(1);
    std::memset(r.picturePath, 'p', sizeof r.picturePath - 1);
    applyDetails(h, r, "Caf\xE9 terrace", "Business", true);
    EXPECT_EQ(fieldText(r.pictureName), "Caf\xE9 terrace");
    EXPECT_EQ(r.category, 2);
    EXPECT_EQ(r.privateFlag, 1);
    EXPECT_EQ(r.modified, 0);

    applyDetails(h, r, "A name much longer than the field holds", "personal", false);
    EXPECT_EQ(fieldText(r.pictureName), "A name much longer than");
    EXPECT_EQ(r.pictureName[23], '\0');
    EXPECT_EQ(r.picturePath[0], 'p');
    EXPECT_EQ(r.category, 0);
    EXPECT_EQ(r.privateFlag, 0);
}

}  // namespace
}  // namespace hf
