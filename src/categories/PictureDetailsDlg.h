#pragma once

#include "AlbumFormat.h"
#include "MessageBoxes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace hf {

// Shows and edits one photo's name, category and private flag, and opens the
// category editor. exec() returns 1 for OK, after which the record holds the
// new values; the caller marks it modified and saves. categoriesChanged()
// tells whether the category table was rewritten, which the caller must
// apply and save even when the dialog was cancelled.
//
// Opening already repairs a record whose category is empty or out of range
// (category 0, modified 1), whichever way the dialog then ends.
class CPictureDetailsDlg final : public QDialog {
    Q_OBJECT
public:
    CPictureDetailsDlg(AlbumHeader& header, PhotoRecord& record, MessageBoxes& boxes, QWidget* parent = nullptr);

    bool categoriesChanged() const { return changed_; }

    int exec() override;
    void accept() override;

private:
    void fillCategoryCombo();
    void editCategories();

    AlbumHeader& header_;
    PhotoRecord& record_;
    MessageBoxes& boxes_;
    bool changed_ = false;
    QString shownName_;
    QLineEdit* nameEdit_;
    QComboBox* categoryCombo_;
    QCheckBox* privateCheck_;
};

}  // namespace hf
