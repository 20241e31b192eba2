#include "PictureDetailsDlg.h"
#include "CategoryTable.h"
#include "CategoryTestUtil.h"
#include "DialogTestUtil.h"
#include "ModalHelper.h"
#include "RecordingMessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace hf {
namespace {

using test::click;
using test::control;
using test::freshHeader;
using test::ModalHandler;
using test::retype;

const QString kDetailsDlg = QStringLiteral("138");
const QString kEditDlg = QStringLiteral("139");
const QString kNameDlg = QStringLiteral("140");

QStringList comboTexts(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

PhotoRecord photo(std::int32_t category, std::int32_t isPrivate = 0)
{
    PhotoRecord r{};
    copyField(r.pictureName, "Beach");
    copyField(r.picturePath, "/albums/p1.bmp");
    r.colourMode = 3;
    r.category = category;
    r.privateFlag = isPrivate;
    return r;
}

struct Fixture {
    AlbumHeader header = freshHeader();
    RecordingMessageBoxes boxes;
};

TEST(PictureDetailsDlg, ShowsTheRecordAndOkStoresTheChoices)
{
    Fixture f;
    PhotoRecord r = photo(1, 1);
    CPictureDetailsDlg dlg(f.header, r, f.boxes);

    ModalHandler details(
        [](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), "Picture Details");
            EXPECT_EQ(test::labelTexts(w), (QStringList{"Picture:", "Category:", "Private:"}));
            EXPECT_EQ(control<QPushButton>(w, "1025")->text(), "Edit Categories ...");
            EXPECT_EQ(control<QPushButton>(w, "1")->text(), "OK");
            EXPECT_EQ(control<QPushButton>(w, "2")->text(), "Cancel");
            auto* name = control<QLineEdit>(w, "1026");
            auto* combo = control<QComboBox>(w, "1020");
            auto* check = control<QCheckBox>(w, "1022");
            EXPECT_EQ(name->text(), "Beach");
            EXPECT_EQ(comboTexts(combo), (QStringList{"Business", "Personal", "Unfiled"}));
            EXPECT_EQ(combo->currentText(), "Personal");
            EXPECT_TRUE(check->isChecked());
            EXPECT_TRUE(check->text().isEmpty());

            // At most 15 characters, all of them ones the handheld can show.
            retype(name, QStringLiteral("Twenty characters!!!"));
            EXPECT_EQ(name->text(), "Twenty characte");
            retype(name, QStringLiteral("Caf\u00E9 \u65E5\u20AC"));
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Up);
            EXPECT_EQ(combo->currentText(), "Business");
            check->click();
            click(w, "1");
        },
        5000, kDetailsDlg);

    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_TRUE(details.handled());
    EXPECT_FALSE(dlg.categoriesChanged());
    EXPECT_EQ(fieldText(r.pictureName), "Caf\xE9 \x80");
    EXPECT_EQ(r.category, 2);
    EXPECT_EQ(r.privateFlag, 0);
    // Marking the record modified and saving are the caller's part.
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(fieldText(r.picturePath), "/albums/p1.bmp");
    EXPECT_TRUE(f.boxes.shown().empty());
}

TEST(PictureDetailsDlg, LowerCaseCategoryNameFilesUnderUnfiled)
{
    Fixture f;
    PhotoRecord r = photo(2);
    CPictureDetailsDlg dlg(f.header, r, f.boxes);

    ModalHandler details(
        [](QWidget* w) {
            auto* combo = control<QComboBox>(w, "1020");
            retype(combo->lineEdit(), "personal");
            // Return is the default button's; the typed text is taken as it
            // stands: no completion to "Personal", no new entry.
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
            EXPECT_FALSE(w->isVisible());
        },
        5000, kDetailsDlg);

    EXPECT_EQ(dlg.exec(), 1);
    auto* combo = control<QComboBox>(&dlg, "1020");
    EXPECT_EQ(combo->currentText(), "personal");
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(r.category, 0);
}

TEST(PictureDetailsDlg, EmptyOrOutOfRangeCategoryOpensOnUnfiledAndStaysRepairedAfterCancel)
{
    for (std::int32_t category : {5, 16}) {
        Fixture f;
        PhotoRecord r = photo(category, 1);
        CPictureDetailsDlg dlg(f.header, r, f.boxes);
        QString shown;
        ModalHandler details(
            [&](QWidget* w) {
                shown = control<QComboBox>(w, "1020")->currentText();
                retype(control<QLineEdit>(w, "1026"), "Other");
                click(w, "2");
            },
            5000, kDetailsDlg);

        EXPECT_NE(dlg.exec(), 1);
        EXPECT_EQ(shown, "Unfiled") << category;
        EXPECT_EQ(r.category, 0) << category;
        EXPECT_EQ(r.modified, 1) << category;
        EXPECT_EQ(fieldText(r.pictureName), "Beach");
        EXPECT_EQ(r.privateFlag, 1);
    }
}

TEST(PictureDetailsDlg, DeletingThePhotosCategoryMovesItToUnfiledAndSurvivesCancel)
{
    Fixture f;
    f.header.changedCategories = 0;
    f.boxes.script({MsgAnswer::Yes});
    PhotoRecord r = photo(1);
    CPictureDetailsDlg dlg(f.header, r, f.boxes);

    std::unique_ptr<ModalHandler> edit;
    ModalHandler details(
        [&](QWidget* w) {
            auto* combo = control<QComboBox>(w, "1020");
            EXPECT_EQ(combo->currentText(), "Personal");
            edit = std::make_unique<ModalHandler>(
                [](QWidget* ed) {
                    test::clickEntry(control<QListWidget>(ed, "1033"), "Personal");
                    click(ed, "1031");
                    click(ed, "1");
                },
                5000, kEditDlg);
            click(w, "1025");
            EXPECT_TRUE(edit->handled());
            EXPECT_EQ(comboTexts(combo), (QStringList{"Business", "Unfiled"}));
            EXPECT_EQ(combo->currentText(), "Unfiled");
            EXPECT_EQ(r.category, 0);
            EXPECT_EQ(r.modified, 1);
            EXPECT_TRUE(dlg.categoriesChanged());
            click(w, "2");
        },
        5000, kDetailsDlg);

    EXPECT_NE(dlg.exec(), 1);
    EXPECT_TRUE(details.handled());
    EXPECT_TRUE(dlg.categoriesChanged());
    EXPECT_FALSE(slotUsed(f.header, 1));
    EXPECT_EQ(f.header.changedCategories, 1u << 1);
    EXPECT_EQ(r.category, 0);
}

TEST(PictureDetailsDlg, NewCategoryAppearsAtOnceButTheSelectionReturnsToTheStoredOne)
{
    Fixture f;
    PhotoRecord r = photo(1);
    CPictureDetailsDlg dlg(f.header, r, f.boxes);

    std::unique_ptr<ModalHandler> edit;
    std::unique_ptr<ModalHandler> name;
    ModalHandler details(
        [&](QWidget* w) {
            auto* combo = control<QComboBox>(w, "1020");
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Up);
            EXPECT_EQ(combo->currentText(), "Business");

            // Leaving the category editor with Cancel changes nothing.
            edit = std::make_unique<ModalHandler>([](QWidget* ed) { click(ed, "2"); }, 5000, kEditDlg);
            click(w, "1025");
            EXPECT_FALSE(dlg.categoriesChanged());
            EXPECT_EQ(combo->currentText(), "Business");

            edit = std::make_unique<ModalHandler>(
                [&](QWidget* ed) {
                    name = std::make_unique<ModalHandler>(
                        [](QWidget* nd) {
                            QTest::keyClicks(control<QLineEdit>(nd, "1034"), "Zoo");
                            click(nd, "1");
                        },
                        5000, kNameDlg);
                    click(ed, "1030");
                    click(ed, "1");
                },
                5000, kEditDlg);
            click(w, "1025");
            EXPECT_TRUE(dlg.categoriesChanged());
            EXPECT_EQ(comboTexts(combo), (QStringList{"Business", "Personal", "Unfiled", "Zoo"}));
            EXPECT_EQ(combo->currentText(), "Personal");
            click(w, "1");
        },
        10000, kDetailsDlg);

    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_TRUE(name && name->handled());
    EXPECT_EQ(r.category, 1);
    EXPECT_EQ(fieldText(f.header.categoryNames[3]), "Zoo");
}

TEST(PictureDetailsDlg, LongerStoredNameIsKeptUnlessEdited)
{
    // Such a name comes from an album written elsewhere.
    Fixture f;
    PhotoRecord longName = photo(0);
    copyField(longName.pictureName, "Twenty-three characters");
    CPictureDetailsDlg again(f.header, longName, f.boxes);
    ModalHandler untouched(
        [](QWidget* w) {
            EXPECT_EQ(control<QLineEdit>(w, "1026")->text(), "Twenty-three ch");
            click(w, "1");
        },
        5000, kDetailsDlg);
    EXPECT_EQ(again.exec(), 1);
    EXPECT_EQ(fieldText(longName.pictureName), "Twenty-three characters");
}

}  // namespace
}  // namespace hf
