#pragma once

// The Picture Details dialog's rules, without widgets: what its category box
// lists and selects, and what OK writes into the photo record.

#include "AlbumFormat.h"
#include "Text.h"

#include <cstdint>
#include <string_view>

namespace hf {

struct CategoryChoices {
    SortedList entries;  // "Unfiled" and every used slot, display text (UTF-8)
    int selected = -1;   // the entry of the record's category, or -1
};

// Fills the category box for a record. A record whose category is out of
// range or names an empty slot is sent to "Unfiled" and marked modified at
// once; that repair stands even when the dialog is then cancelled.
CategoryChoices categoryChoices(const AlbumHeader& header, PhotoRecord& record);

// OK's rule for the text in the category box (Windows-1252): the slot whose
// name equals it exactly, case included; anything else files the photo under
// "Unfiled".
std::int32_t categoryForText(const AlbumHeader& header, std::string_view text);

// OK: picture name, category and private flag. The name is Windows-1252 and
// is cut to the record's field; the modified flag is the caller's business.
void applyDetails(const AlbumHeader& header, PhotoRecord& record, std::string_view pictureName,
                  std::string_view categoryText, bool isPrivate);

}  // namespace hf
