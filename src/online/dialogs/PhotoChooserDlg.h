#pragma once

#include "LBitmap.h"
#include "MessageBoxes.h"

#include <QDialog>

#include <filesystem>
#include <vector>

class QListWidget;

namespace hf {

// The thumbnails of a roll, "t0001.jpg" onward in the download folder, as
// 100 x 100 items to choose one from. A thumbnail that does not load is
// told and left out; its slot stays its own, so an item keeps the number of
// its thumbnail, not its place in the list.
class CPhotoChooserDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxThumbnails = 100;
    static constexpr int kItemSize = 100;

    CPhotoChooserDlg(const std::filesystem::path& downloadFolder, int thumbnailCount, MessageBoxes& boxes,
                     QWidget* parent = nullptr);

    // Loads the thumbnails; call once before exec().
    void loadThumbnails();
    // The chosen thumbnail's 0-based number, -1 until one is chosen.
    int chosenIndex() const { return chosen_; }
    const LBitmap& thumbnail(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }
    void accept() override;

private:
    std::filesystem::path folder_;
    int count_;
    MessageBoxes& boxes_;
    std::vector<LBitmap> slots_;
    QListWidget* list_;
    int chosen_ = -1;
};

// Where a thumbnail of the given size is drawn in an item: centred, with
// the division truncating as in the item's own coordinates.
QPoint thumbnailOrigin(const QRect& item, QSize thumbnail);

}  // namespace hf
