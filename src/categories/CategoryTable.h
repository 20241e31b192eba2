#pragma once

// The category table inside the album header: sixteen slots of names, their
// unique IDs and the changed-categories mask the handheld's synchronisation
// reads. Names are Windows-1252 bytes and are compared byte for byte.

#include "AlbumFormat.h"
#include "MessageBoxes.h"
#include "Text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hf {

inline constexpr std::string_view kUnfiled = "Unfiled";
inline constexpr std::size_t kMaxCategoryName = kCategoryNameSize - 1;

// A message for the user, with its caption and style.
struct Message {
    std::string text;
    std::string caption;
    MsgStyle style;
};

inline MsgAnswer showMessage(MessageBoxes& boxes, const Message& m)
{
    return boxes.show(m.text, m.caption, m.style);
}

// The name in a slot; the empty text for a slot outside 0 to 15.
std::string_view slotName(const AlbumHeader& header, int slot);
bool slotUsed(const AlbumHeader& header, int slot);

// The first slot from 0 to 15 whose name equals name exactly.
std::optional<int> findSlot(const AlbumHeader& header, std::string_view name);

// Gives out the next category unique ID: one after the low 8 bits of the last
// one, wrapping from 255 to 0 and lifted to 128, skipping every ID a slot
// holds. Stores it as the last unique ID.
std::int32_t nextUniqueId(AlbumHeader& header);

// The names of the used slots from firstSlot to 15 as a sorted box lists
// them; the entries are display text (UTF-8).
SortedList sortedCategoryNames(const AlbumHeader& header, int firstSlot);

// Where a sorted box puts its selection for a name (display text): the entry
// that is exactly the name when there is one, otherwise the first entry that
// begins with it, ignoring case; -1 when none does. Preferring the exact
// entry keeps a name from selecting another category that differs from it
// only in case.
int selectionFor(const SortedList& entries, std::string_view name);

// What the category name dialog decides about the text typed on OK.
struct NameVerdict {
    std::string accepted;            // the name to store, when refusal is empty
    std::optional<Message> refusal;  // the message to show; the dialog stays open
};

// Cuts the typed text (Windows-1252) to 15 bytes and refuses it when it is
// empty or names any slot of the table, "Unfiled" included. The title is the
// name dialog's caption, used for the already-exists message.
NameVerdict checkCategoryName(const AlbumHeader& table, std::string_view typed, std::string_view title);

// The Edit Picture Categories dialog's working copy of the album header.
// New, Rename and Delete change only the copy; commitTo writes all of it.
class CategoryEditor {
public:
    explicit CategoryEditor(const AlbumHeader& original) : working_(original) {}

    const AlbumHeader& working() const { return working_; }
    void commitTo(AlbumHeader& target) const { target = working_; }

    // The list box's entries: user categories only, so that "Unfiled" can be
    // neither renamed nor deleted.
    SortedList listEntries() const { return sortedCategoryNames(working_, 1); }

    // The lowest empty slot for New, or none when all sixteen are used.
    std::optional<int> freeSlot() const;

    // The slot of a listed entry (Windows-1252), searched among the user
    // categories only: a damaged table holding a second "Unfiled" must not
    // let Rename or Delete reach slot 0.
    std::optional<int> listedSlot(std::string_view name) const;

    // New: names the slot, marks it changed and gives it a fresh ID, which is
    // returned.
    std::int32_t create(int slot, std::string_view name);
    // Rename: a new name and the changed mark; the ID stays.
    void rename(int slot, std::string_view name);
    // Delete: empties the slot by its first byte and marks it changed; the ID
    // stays, so it is not given out again while the slot holds it.
    void remove(int slot);

private:
    AlbumHeader working_;
};

// Carries the category edits a user made (the table went from `before` to
// `after` in the dialog) over to a table that changed meanwhile, as when
// the synchronisation rewrote the album while the dialog was open: new
// names are added, renamed and deleted ones are found by their old name.
// What the other side changed stays. An edit that no longer fits (no free
// slot, a name already there, a category already gone) is dropped.
void mergeCategoryEdits(const AlbumHeader& before, const AlbumHeader& after, AlbumHeader& target);

// The texts of the category dialogs.
namespace categoryText {
inline constexpr std::string_view kEditTitle = "Edit Picture Categories";
inline constexpr std::string_view kNewTitle = "New Category";
inline constexpr std::string_view kRenameTitle = "Rename Category";
inline constexpr std::string_view kDeleteTitle = "Delete Category";
inline constexpr std::string_view kNamePrompt = "Enter a new category name:";

Message tooMany();
Message selectFirst(std::string_view caption);
// The name is display text (UTF-8).
Message deleteQuestion(std::string_view name);
}  // namespace categoryText

}  // namespace hf
