#pragma once

class QAbstractItemView;

namespace hf {

// Makes a list that may open with nothing selected answer the keys as a
// list box does: Home selects the first entry and End the last, even when
// that one is already current but not selected, and the first Up or Down
// selects the current entry (the first when there is none) instead of
// stepping past it.
void selectWithFirstKey(QAbstractItemView& view);

}  // namespace hf
