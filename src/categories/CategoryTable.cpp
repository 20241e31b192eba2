#include "CategoryTable.h"

#include <cassert>

namespace hf {

std::string_view slotName(const AlbumHeader& header, int slot)
{
    if (slot < 0 || slot >= kCategorySlots)
        return {};
    return fieldText(header.categoryNames[slot]);
}

bool slotUsed(const AlbumHeader& header, int slot)
{
    return slot >= 0 && slot < kCategorySlots && header.categoryNames[slot][0] != '\0';
}

std::optional<int> findSlot(const AlbumHeader& header, std::string_view name)
{
    for (int i = 0; i < kCategorySlots; ++i) {
        if (slotName(header, i) == name)
            return i;
    }
    return std::nullopt;
}

std::int32_t nextUniqueId(AlbumHeader& header)
{
    const auto held = [&](int id) {
        for (std::int32_t slotId : header.categoryIds) {
            if (slotId == id)
                return true;
        }
        return false;
    };
    int id = static_cast<std::uint8_t>(header.lastUniqueId);
    // Sixteen slots can hold at most sixteen of the 128 desktop IDs, so one
    // turn round 128..255 always finds a free one.
    for (int tries = 0; tries <= 256; ++tries) {
        id = id == 255 ? 0 : id + 1;
        if (id < kFirstDesktopCategoryId)
            id = kFirstDesktopCategoryId;
        if (!held(id))
            break;
    }
    assert(!held(id));
    header.lastUniqueId = id;
    return id;
}

SortedList sortedCategoryNames(const AlbumHeader& header, int firstSlot)
{
    SortedList list;
    for (int i = firstSlot; i < kCategorySlots; ++i) {
        if (slotUsed(header, i))
            list.add(cp1252ToUtf8(slotName(header, i)));
    }
    return list;
}

int selectionFor(const SortedList& entries, std::string_view name)
{
    const int exact = entries.findExact(name);
    return exact >= 0 ? exact : entries.findPrefix(name);
}

NameVerdict checkCategoryName(const AlbumHeader& table, std::string_view typed, std::string_view title)
{
    // A zero byte would end the stored name early, so the name is what comes
    // before it.
    std::string_view name = typed.substr(0, typed.find('\0'));
    name = name.substr(0, kMaxCategoryName);
    if (name.empty())
        return {{}, Message{"Please enter a category name.", "Category Name", MsgStyle::Exclamation}};
    if (findSlot(table, name)) {
        return {{},
                Message{"The " + cp1252ToUtf8(name) + " category already exists", std::string(title),
                        MsgStyle::Exclamation}};
    }
    return {std::string(name), std::nullopt};
}

std::optional<int> CategoryEditor::freeSlot() const
{
    for (int i = 0; i < kCategorySlots; ++i) {
        if (!slotUsed(working_, i))
            return i;
    }
    return std::nullopt;
}

std::optional<int> CategoryEditor::listedSlot(std::string_view name) const
{
    for (int i = 1; i < kCategorySlots; ++i) {
        if (slotUsed(working_, i) && slotName(working_, i) == name)
            return i;
    }
    return std::nullopt;
}

std::int32_t CategoryEditor::create(int slot, std::string_view name)
{
    assert(slot >= 0 && slot < kCategorySlots);
    copyField(working_.categoryNames[slot], name);
    working_.changedCategories = static_cast<std::uint16_t>(working_.changedCategories | (1u << slot));
    const std::int32_t id = nextUniqueId(working_);
    working_.categoryIds[slot] = id;
    return id;
}

void CategoryEditor::rename(int slot, std::string_view name)
{
    assert(slot > 0 && slot < kCategorySlots);
    copyField(working_.categoryNames[slot], name);
    working_.changedCategories = static_cast<std::uint16_t>(working_.changedCategories | (1u << slot));
}

void CategoryEditor::remove(int slot)
{
    assert(slot > 0 && slot < kCategorySlots);
    working_.categoryNames[slot][0] = '\0';
    working_.changedCategories = static_cast<std::uint16_t>(working_.changedCategories | (1u << slot));
}

void mergeCategoryEdits(const AlbumHeader& before, const AlbumHeader& after, AlbumHeader& target)
{
    CategoryEditor merged(target);
    for (int slot = 1; slot < kCategorySlots; ++slot) {
        const std::string_view was = slotUsed(before, slot) ? slotName(before, slot) : std::string_view();
        const std::string_view now = slotUsed(after, slot) ? slotName(after, slot) : std::string_view();
        if (was == now)
            continue;
        const std::optional<int> there = was.empty() ? std::nullopt : merged.listedSlot(was);
        const bool taken = !now.empty() && findSlot(merged.working(), now).has_value();
        if (now.empty()) {
            if (there)
                merged.remove(*there);
        } else if (there) {
            if (!taken)
                merged.rename(*there, now);
        } else if (was.empty() && !taken) {
            if (const std::optional<int> free = merged.freeSlot())
                merged.create(*free, now);
        }
    }
    merged.commitTo(target);
}

namespace categoryText {

Message tooMany()
{
    return {"There is a maximum of 16 categories allowed.", std::string(kNewTitle), MsgStyle::Exclamation};
}

Message selectFirst(std::string_view caption)
{
    return {"Please select an item from the list.", std::string(caption), MsgStyle::Ok};
}

Message deleteQuestion(std::string_view name)
{
    return {"Really delete the " + std::string(name) +
                " category?\n\nDeleting this category will move all members of this category to the Unfiled "
                "category.",
            std::string(kDeleteTitle), MsgStyle::YesNo};
}

}  // namespace categoryText
}  // namespace hf
