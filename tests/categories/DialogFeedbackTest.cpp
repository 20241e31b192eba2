#include "CategoryDialogs.h"
#include "CategoryTestUtil.h"
#include "DialogTestUtil.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PictureDetailsDlg.h"
#include "PictureEditorDlg.h"
#include "PictureNameDlg.h"
#include "QtMessageBoxes.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolTip>

#include <gtest/gtest.h>

namespace hf {
namespace {

using test::ModalHandler;
using test::typeText;

// A box raised inside a dialog belongs to that dialog and sits on it, even
// while another window (the Album window) is the boxes' named owner.
TEST(MessageBoxes, BelongToTheDialogThatRaisesThemAndQuestionsShowOnlyYesAndNo)
{
    QWidget album;
    album.setGeometry(600, 420, 160, 120);
    album.show();
    QtMessageBoxes boxes(&album);
    AlbumHeader header = test::freshHeader();
    test::TempDir dir;
    MemoryProfile profile;
    CCategoryNameDlg categoryName(header, boxes);
    CPictureEditorDlg editor(profile, boxes, dir.path());
    editor.sourcePicture() = fromQImage(QImage(64, 48, QImage::Format_RGB888));

    const struct {
        QDialog* dialog = nullptr;
        Qt::Key key = Qt::Key_unknown;  // raises the box: OK on an empty name, Escape in the editor
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    } rows[] = {
        {&categoryName, Qt::Key_Return, QMessageBox::Warning, QMessageBox::Ok},
        {&editor, Qt::Key_Escape, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dialog->objectName().toStdString());
        ModalHandler inDialog([&](QWidget* w) {
            w->move(30, 30);
            ModalHandler box([&](QWidget* b) {
                auto* mb = qobject_cast<QMessageBox*>(b);
                ASSERT_NE(mb, nullptr);
                EXPECT_EQ(mb->parentWidget(), row.dialog);
                const QPoint offset = mb->frameGeometry().center() - row.dialog->frameGeometry().center();
                EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
                EXPECT_EQ(mb->icon(), row.icon);
                EXPECT_EQ(mb->standardButtons(), row.buttons);
                QTest::keyClick(mb, Qt::Key_Escape);
            });
            QTest::keyClick(w, row.key);
            EXPECT_TRUE(box.handled());
            row.dialog->done(QDialog::Rejected);
        });
        row.dialog->exec();
        EXPECT_TRUE(inDialog.handled());
    }
}

// Typing or pasting what the field cannot hold shows why, at the field.
TEST(FieldEdits, SayAtOnceWhyACharacterIsRefused)
{
    RecordingMessageBoxes boxes;
    AlbumHeader header = test::freshHeader();
    PhotoRecord record{};
    CPictureNameDlg nameDlg;
    CPictureDetailsDlg details(header, record, boxes);
    CCategoryNameDlg categoryName(header, boxes);
    const QString foreign = QStringLiteral("\u0142");  // Polish l with stroke: not in Windows-1252
    const QString twenty(20, QLatin1Char('x'));
    const struct {
        QDialog* dialog;
        const char* id;
        QString start;
        QString typed;
        const char* tip;  // empty: nothing is refused
        QString after;
    } rows[] = {
        {&nameDlg, "1013", "Fifteen", foreign, "cannot show", "Fifteen"},
        {&nameDlg, "1013", "Fifteen letters", "s", "At most 15", "Fifteen letters"},
        {&details, "1026", "Beach", foreign, "cannot show", "Beach"},
        {&details, "1020", "Unfiled", foreign, "cannot show", "Unfiled"},
        {&categoryName, "1034", "Trips", foreign, "cannot show", "Trips"},
        {&categoryName, "1034", "", twenty, "", twenty},  // category names are cut only at OK
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id + (" " + row.start.toStdString()));
        row.dialog->show();
        QWidget* control = row.dialog->findChild<QWidget*>(QString::fromLatin1(row.id));
        auto* combo = qobject_cast<QComboBox*>(control);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
        ASSERT_NE(edit, nullptr);
        QToolTip::hideText();
        edit->setText(row.start);
        edit->setFocus();
        typeText(edit, row.typed);
        if (*row.tip) {
            EXPECT_TRUE(test::waitUntil([] { return QToolTip::isVisible(); }, 2000));
            EXPECT_TRUE(QToolTip::text().contains(QString::fromLatin1(row.tip))) << QToolTip::text().toStdString();
        } else {
            EXPECT_FALSE(QToolTip::isVisible()) << QToolTip::text().toStdString();
        }
        EXPECT_EQ(edit->text(), row.after);
        row.dialog->hide();
    }
}

}  // namespace
}  // namespace hf
