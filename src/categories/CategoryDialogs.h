#pragma once

#include "AlbumFormat.h"
#include "CategoryTable.h"
#include "MessageBoxes.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QListWidget;

namespace hf {

// Asks for one category name for New or Rename and refuses empty names and
// names the table already holds. Run it with exec(); on 1 read the name.
class CCategoryNameDlg final : public QDialog {
    Q_OBJECT
public:
    // table: the header whose category names the new name must differ from.
    CCategoryNameDlg(const AlbumHeader& table, MessageBoxes& boxes, QWidget* parent = nullptr);

    void setTitle(const QString& title) { title_ = title; }
    // The name shown when the dialog opens.
    void setName(const QString& name) { name_ = name; }

    // After OK: the accepted name, at most 15 bytes of Windows-1252.
    const std::string& acceptedName() const { return accepted_; }
    QString name() const { return name_; }

    int exec() override;
    void accept() override;

private:
    const AlbumHeader& table_;
    MessageBoxes& boxes_;
    QString title_;
    QString name_;
    std::string accepted_;
    QLineEdit* edit_;
};

// Edits the album's category table: New, Rename and Delete on a working copy
// that OK writes back whole; Cancel leaves the header untouched. exec()
// returns 1 exactly when the header was rewritten.
class CEditCategoriesDlg final : public QDialog {
    Q_OBJECT
public:
    CEditCategoriesDlg(AlbumHeader& header, MessageBoxes& boxes, QWidget* parent = nullptr);

    int exec() override;
    void accept() override;

    const AlbumHeader& working() const { return editor_.working(); }

private:
    void newCategory();
    void renameCategory();
    void deleteCategory();
    void fillList(std::string_view selectName = {});
    // The selected entry's text in the album's code page, if any.
    std::optional<std::string> selectedName() const;

    AlbumHeader& header_;
    MessageBoxes& boxes_;
    CategoryEditor editor_;
    QListWidget* list_;
};

}  // namespace hf
