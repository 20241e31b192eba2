#include "AppTestSupport.h"
#include "ModalHelper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace hf;
using namespace hf::test;

namespace {

class Details : public ::testing::Test, public WindowFixture {
protected:
    QComboBox* filter() const { return child<QComboBox>("1020"); }
    void chooseFilter(const char* name)
    {
        filter()->setCurrentIndex(filter()->findText(name));
        emit filter()->activated(filter()->currentIndex());
    }
};

TEST_F(Details, DoubleClickWithoutSelectionOpensRowZero)
{
    writeAlbum("Ann", {"First", "Second"});
    open();
    list()->clearSelection();
    QString shown;
    ModalHandler details(
        [&](QWidget* w) {
            shown = w->findChild<QLineEdit*>("1026")->text();
            clickButton(w, "Cancel");
        },
        5000, "138");
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {},
                       QPoint(list()->viewport()->width() - 3, list()->viewport()->height() - 3));
    EXPECT_TRUE(details.handled());
    EXPECT_EQ(shown, "First");
    EXPECT_EQ(list()->currentRow(), 0);
}

TEST_F(Details, OkSavesTheChangesKeepsTheFilterAndTheSelection)
{
    writeAlbum("Ann", {"A", "B", "C"}, {1, 1, 1});
    open();
    chooseFilter("Personal");
    list()->setCurrentRow(1);
    ModalHandler details(
        [](QWidget* w) {
            w->findChild<QLineEdit*>("1026")->setText("Bee");
            w->findChild<QCheckBox*>("1022")->setChecked(true);
            clickButton(w, "OK");
        },
        5000, "138");
    button("1024")->click();
    ASSERT_TRUE(details.handled());
    EXPECT_EQ(filter()->currentText(), "Personal");
    EXPECT_EQ(rows(), (QStringList{"A", "Bee", "C"}));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(label("1029"), "Yes");
    auto saved = readAlbum("Ann");
    EXPECT_EQ(fieldText(saved->records[1].pictureName), "Bee");
    EXPECT_EQ(saved->records[1].privateFlag, 1);
    EXPECT_EQ(saved->records[1].modified, 1);
}

TEST_F(Details, TypedLowerCaseCategoryFilesUnderUnfiledAndLeavesTheFilteredList)
{
    writeAlbum("Ann", {"A", "B"}, {1, 1});
    open();
    chooseFilter("Personal");
    ModalHandler details(
        [](QWidget* w) {
            auto* combo = w->findChild<QComboBox*>("1020");
            combo->setEditText("personal");
            clickButton(w, "OK");
        },
        5000, "138");
    button("1024")->click();
    ASSERT_TRUE(details.handled());
    EXPECT_EQ(filter()->currentText(), "Personal");
    EXPECT_EQ(rows(), QStringList{"B"}) << "A is no longer in Personal";
    EXPECT_EQ(readAlbum("Ann")->records[0].category, 0);
}

TEST_F(Details, DeletingTheFilterCategoryEvenWithCancelRepairsAndSaves)
{
    writeAlbum("Ann", {"A", "B"}, {2, 0});
    open();
    chooseFilter("Business");
    ASSERT_EQ(rows(), QStringList{"A"});
    boxes.recorded.setDefaultAnswer(MsgAnswer::Yes);
    ModalHandler categories(
        [](QWidget* w) {
            auto* list = w->findChild<QListWidget*>("1033");
            list->setCurrentRow(list->row(list->findItems("Business", Qt::MatchExactly).front()));
            clickButton(w, "&Delete ...");
            clickButton(w, "OK");
        },
        5000, "139");
    ModalHandler details(
        [](QWidget* w) {
            clickButton(w, "Edit Categories ...");
            clickButton(w, "Cancel");
        },
        5000, "138");
    button("1024")->click();
    ASSERT_TRUE(details.handled());
    ASSERT_TRUE(categories.handled());
    EXPECT_EQ(filter()->currentText(), "All") << "the filter's category is gone";
    EXPECT_EQ(filter()->findText("Business"), -1);
    EXPECT_EQ(rows(), (QStringList{"A", "B"}));
    auto saved = readAlbum("Ann");
    EXPECT_EQ(saved->records[0].category, 0);
    EXPECT_EQ(saved->records[0].modified, 1);
    EXPECT_EQ(saved->categoryName(2), "");
}

}  // namespace
