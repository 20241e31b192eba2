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

#include <functional>
#include <memory>

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

    struct Row {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        Qt::Key key; // pressed in the dialog to raise the box
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    const Row rows[] = {
        {"empty category name refused",
         [&] { return std::make_unique<CCategoryNameDlg>(header, boxes); }, Qt::Key_Return, QMessageBox::Warning,
         QMessageBox::Ok},
        {"editor asks before discarding",
         [&] {
             auto e = std::make_unique<CPictureEditorDlg>(profile, boxes, dir.path());
             e->sourcePicture() = fromQImage(QImage(64, 48, QImage::Format_RGB888));
             return e;
         },
         Qt::Key_Escape, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QDialog> dialog = row.make();
        QDialog* raiser = dialog.get();
        bool boxSeen = false;
        ModalHandler inDialog([&](QWidget* w) {
            w->move(30, 30);
            ModalHandler box([&](QWidget* b) {
                auto* mb = qobject_cast<QMessageBox*>(b);
                ASSERT_NE(mb, nullptr);
                boxSeen = true;
                EXPECT_EQ(mb->parentWidget(), raiser);
                const QPoint offset = mb->frameGeometry().center() - raiser->frameGeometry().center();
                EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
                EXPECT_EQ(mb->icon(), row.icon);
                EXPECT_EQ(mb->standardButtons(), row.buttons);
                QTest::keyClick(mb, Qt::Key_Escape);
            });
            QTest::keyClick(w, row.key);
            EXPECT_TRUE(box.handled());
            static_cast<QDialog*>(w)->done(QDialog::Rejected);
        });
        dialog->exec();
        EXPECT_TRUE(inDialog.handled());
        EXPECT_TRUE(boxSeen);
    }
}

// Typing or pasting what the field cannot hold shows why, at the field.
TEST(FieldEdits, SayAtOnceWhyACharacterIsRefused)
{
    RecordingMessageBoxes boxes;
    AlbumHeader header = test::freshHeader();
    PhotoRecord record{};
    copyField(record.pictureName, "Beach");
    const QString foreign = QStringLiteral("\u0142"); // Polish l with stroke: not in Windows-1252
    struct Row {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        std::function<QLineEdit*(QWidget*)> field;
        QString start;
        QString typed;
        const char* tip; // empty: nothing is refused
        QString after;
    };
    const auto nameDlg = [] {
        auto d = std::make_unique<CPictureNameDlg>();
        d->setName(QStringLiteral("Fifteen letters"));
        return d;
    };
    const auto byId = [](const char* id) {
        return [id](QWidget* w) { return w->findChild<QLineEdit*>(QString::fromLatin1(id)); };
    };
    const auto details = [&] { return std::make_unique<CPictureDetailsDlg>(header, record, boxes); };
    const auto categoryName = [&] { return std::make_unique<CCategoryNameDlg>(header, boxes); };
    const auto detailsCategory = [](QWidget* w) { return w->findChild<QComboBox*>("1020")->lineEdit(); };
    const QString twenty(20, QLatin1Char('x'));
    const Row rows[] = {
        {"picture name, foreign character", nameDlg, byId("1013"), "Fifteen", foreign, "cannot show", "Fifteen"},
        {"picture name, 16th character", nameDlg, byId("1013"), "Fifteen letters", "s", "At most 15", "Fifteen letters"},
        {"details name, foreign character", details, byId("1026"), "Beach", foreign, "cannot show", "Beach"},
        {"details category, foreign character", details, detailsCategory, "Unfiled", foreign, "cannot show", "Unfiled"},
        {"category name, foreign character", categoryName, byId("1034"), "Trips", foreign, "cannot show", "Trips"},
        {"category name, long names cut only at OK", categoryName, byId("1034"), "", twenty, "", twenty},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QDialog> dialog = row.make();
        ModalHandler typing([&](QWidget* w) {
            QToolTip::hideText();
            QLineEdit* edit = row.field(w);
            ASSERT_NE(edit, nullptr);
            edit->setText(row.start);
            edit->setFocus();
            edit->end(false);
            typeText(edit, row.typed);
            if (*row.tip) {
                EXPECT_TRUE(test::waitUntil([] { return QToolTip::isVisible(); }, 2000));
                EXPECT_TRUE(QToolTip::text().contains(QString::fromLatin1(row.tip))) << QToolTip::text().toStdString();
            } else {
                EXPECT_FALSE(QToolTip::isVisible()) << QToolTip::text().toStdString();
            }
            EXPECT_EQ(edit->text(), row.after);
            static_cast<QDialog*>(w)->done(QDialog::Rejected);
        });
        dialog->exec();
        EXPECT_TRUE(typing.handled());
    }
}

}  // namespace
}  // namespace hf
