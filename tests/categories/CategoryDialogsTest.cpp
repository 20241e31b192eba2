#include "CategoryDialogs.h"
#include "CategoryTestUtil.h"
#include "DialogTestUtil.h"
#include "ModalHelper.h"
#include "RecordingMessageBoxes.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace hf {
namespace {

using test::click;
using test::control;
using test::listTexts;
using test::ModalHandler;
using test::selectedText;

const QString kNameDlg = QStringLiteral("140");
const QString kEditDlg = QStringLiteral("139");

// Answers the next category name dialog: checks its title and initial name,
// types name over it and presses OK.
std::unique_ptr<ModalHandler> answerName(const QString& title, const QString& initial, const QString& name)
{
    return std::make_unique<ModalHandler>(
        [=](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), title);
            auto* edit = control<QLineEdit>(w, "1034");
            EXPECT_EQ(edit->text(), initial);
            EXPECT_EQ(edit->selectedText(), initial);
            test::typeText(edit, name);
            click(w, "1");
        },
        5000, kNameDlg);
}

TEST(EditCategoriesDlg, NewRenameAndDeleteAreWrittenBackOnOk)
{
    AlbumHeader h = test::freshHeader();
    h.changedCategories = 0;
    RecordingMessageBoxes boxes;
    boxes.script({MsgAnswer::Yes});
    CEditCategoriesDlg dlg(h, boxes);

    std::unique_ptr<ModalHandler> name;
    ModalHandler edit(
        [&](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), "Edit Picture Categories");
            EXPECT_EQ(control<QPushButton>(w, "1")->text(), "OK");
            EXPECT_EQ(control<QPushButton>(w, "1030")->text(), "&New ...");
            EXPECT_EQ(control<QPushButton>(w, "1031")->text(), "&Delete ...");
            EXPECT_EQ(control<QPushButton>(w, "1032")->text(), "R&ename ...");
            EXPECT_EQ(control<QPushButton>(w, "2")->text(), "Cancel");
            auto* list = control<QListWidget>(w, "1033");
            EXPECT_EQ(listTexts(list), (QStringList{"Business", "Personal"}));

            name = answerName("New Category", "", "Holiday");
            click(w, "1030");
            EXPECT_EQ(listTexts(list), (QStringList{"Business", "Holiday", "Personal"}));
            EXPECT_EQ(selectedText(list), "Holiday");

            test::clickEntry(list, "Personal");
            name = answerName("Rename Category", "Personal", "Home");
            click(w, "1032");
            EXPECT_EQ(selectedText(list), "Home");

            test::clickEntry(list, "Business");
            click(w, "1031");
            EXPECT_EQ(listTexts(list), (QStringList{"Holiday", "Home"}));
            EXPECT_TRUE(list->selectedItems().isEmpty());
            click(w, "1");
        },
        5000, kEditDlg);

    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_TRUE(name->handled());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Really delete the Business category?\n\nDeleting this category will move all "
                                     "members of this category to the Unfiled category.");
    EXPECT_EQ(boxes.shown()[0].caption, "Delete Category");
    EXPECT_EQ(boxes.shown()[0].style, MsgStyle::YesNo);
    EXPECT_EQ(fieldText(h.categoryNames[3]), "Holiday");
    EXPECT_EQ(h.categoryIds[3], 129);
    EXPECT_EQ(fieldText(h.categoryNames[1]), "Home");
    EXPECT_FALSE(slotUsed(h, 2));
    EXPECT_EQ(h.changedCategories, 0b1110);
}

TEST(EditCategoriesDlg, RefusalsKeepDialogsOpenAndCancelLeavesTheHeader)
{
    AlbumHeader h = test::fullHeader();
    const AlbumHeader before = h;
    RecordingMessageBoxes boxes;
    boxes.script({MsgAnswer::No, MsgAnswer::Yes});
    CEditCategoriesDlg dlg(h, boxes);

    std::unique_ptr<ModalHandler> name;
    ModalHandler edit(
        [&](QWidget* w) {
            auto* list = control<QListWidget>(w, "1033");
            click(w, "1032");
            click(w, "1031");
            // All sixteen slots are used: the message, and no name dialog.
            click(w, "1030");
            EXPECT_EQ(QApplication::activeModalWidget(), w);

            test::clickEntry(list, "Cat 7");
            click(w, "1031");
            EXPECT_EQ(list->count(), 15);
            click(w, "1031");
            EXPECT_EQ(list->count(), 14);

            name = std::make_unique<ModalHandler>(
                [](QWidget* nd) {
                    auto* e = control<QLineEdit>(nd, "1034");
                    click(nd, "1");
                    EXPECT_TRUE(nd->isVisible());
                    test::typeText(e, "Unfiled");
                    click(nd, "1");
                    EXPECT_TRUE(nd->isVisible());
                    // Characters the handheld cannot show are not taken.
                    test::retype(e, QStringLiteral("unfiled\u65E5"));
                    EXPECT_EQ(e->text(), "unfiled");
                    click(nd, "1");
                },
                5000, kNameDlg);
            click(w, "1030");
            EXPECT_EQ(selectedText(list), "unfiled");
            EXPECT_EQ(fieldText(dlg.working().categoryNames[7]), "unfiled");

            // Confirming the unchanged name is refused as well.
            name = std::make_unique<ModalHandler>(
                [](QWidget* nd) {
                    click(nd, "1");
                    EXPECT_TRUE(nd->isVisible());
                    click(nd, "2");
                },
                5000, kNameDlg);
            click(w, "1032");
            click(w, "2");
        },
        5000, kEditDlg);

    EXPECT_NE(dlg.exec(), 1);
    EXPECT_TRUE(name->handled());
    EXPECT_TRUE(test::sameBytes(h, before));

    const auto& shown = boxes.shown();
    ASSERT_EQ(shown.size(), 8u);
    const auto expect = [&](std::size_t i, const char* text, const char* caption, MsgStyle style) {
        EXPECT_EQ(shown[i].text, text) << i;
        EXPECT_EQ(shown[i].caption, caption) << i;
        EXPECT_EQ(shown[i].style, style) << i;
    };
    expect(0, "Please select an item from the list.", "Rename Category", MsgStyle::Ok);
    expect(1, "Please select an item from the list.", "Delete Category", MsgStyle::Ok);
    expect(2, "There is a maximum of 16 categories allowed.", "New Category", MsgStyle::Exclamation);
    EXPECT_EQ(shown[3].style, MsgStyle::YesNo);
    EXPECT_EQ(shown[4].style, MsgStyle::YesNo);
    expect(5, "Please enter a category name.", "Category Name", MsgStyle::Exclamation);
    expect(6, "The Unfiled category already exists", "New Category", MsgStyle::Exclamation);
    expect(7, "The unfiled category already exists", "Rename Category", MsgStyle::Exclamation);
}

}  // namespace
}  // namespace hf
