#include "AlbumWindow.h"

namespace hf {

void AlbumWindow::showDetails()
{
    const int row = currentRow();
    if (row < 0) {
        boxes().show("Please select an item from the list.", "Picture Details", MsgStyle::Ok);
        return;
    }
}

}  // namespace hf
