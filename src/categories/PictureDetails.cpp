#include "PictureDetails.h"

#include "CategoryTable.h"

namespace hf {

CategoryChoices categoryChoices(const AlbumHeader& header, PhotoRecord& record)
{
    CategoryChoices choices;
    choices.entries = sortedCategoryNames(header, 0);
    const int slot = static_cast<std::uint8_t>(record.category);
    if (!slotUsed(header, slot)) {
        record.category = 0;
        record.modified = 1;
    }
    // In a damaged table even "Unfiled" may be empty; an empty name would
    // select whichever entry comes first, so nothing is selected then.
    const std::string_view name = slotName(header, static_cast<std::uint8_t>(record.category));
    if (!name.empty())
        choices.selected = selectionFor(choices.entries, cp1252ToUtf8(name));
    return choices;
}

std::int32_t categoryForText(const AlbumHeader& header, std::string_view text)
{
    if (text == kUnfiled || text.empty())
        return 0;
    return findSlot(header, text).value_or(0);
}

void applyDetails(const AlbumHeader& header, PhotoRecord& record, std::string_view pictureName,
                  std::string_view categoryText, bool isPrivate)
{
    copyField(record.pictureName, pictureName.substr(0, pictureName.find('\0')));
    record.category = categoryForText(header, categoryText);
    record.privateFlag = isPrivate ? 1 : 0;
}

}  // namespace hf
