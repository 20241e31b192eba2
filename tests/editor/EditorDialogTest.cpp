#include "CropFrameWidget.h"
#include "HandheldModels.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PictureEditorDlg.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "Text.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

QImage testPhoto(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(250, 200, 40));
    g.setColorAt(1, QColor(20, 60, 160));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QPoint(w / 2, h / 2), w / 5, h / 5);
    return image;
}

class Editor : public ::testing::Test {
protected:
    std::unique_ptr<CPictureEditorDlg> open(const char* model = "")
    {
        copyField(model_, model);
        auto editor = std::make_unique<CPictureEditorDlg>(profile, boxes, dir.path());
        editor->sourcePicture() = fromQImage(testPhoto(640, 480));
        editor->setPictureName("Beach");
        editor->setModelBuffer(model_);
        editor->initialise();
        return editor;
    }
    static QComboBox* models(CPictureEditorDlg& e) { return e.findChild<QComboBox*>("1023"); }
    static QRadioButton* radio(CPictureEditorDlg& e, const char* id) { return e.findChild<QRadioButton*>(id); }
    static void chooseModel(CPictureEditorDlg& e, const char* name)
    {
        QComboBox* box = models(e);
        box->setCurrentIndex(box->findText(name));
        emit box->activated(box->currentIndex());
    }

    TempDir dir;
    MemoryProfile profile;
    RecordingMessageBoxes boxes;
    char model_[40] = {};
};

TEST_F(Editor, ControlsCarryTheirIdsTextsAndTheModelTable)
{
    auto e = open();
    EXPECT_EQ(e->windowTitle(), "Handfolio Picture Editor");
    EXPECT_EQ(e->findChild<QPushButton*>("1")->text(), "&Save");
    EXPECT_EQ(e->findChild<QPushButton*>("2")->text(), "Cancel");
    EXPECT_EQ(radio(*e, "1017")->text(), "4-Level Gray (PalmPilot, Palm III, Palm VII)");
    EXPECT_EQ(radio(*e, "1016")->text(), "16-Level Gray (Palm IIIe, Palm IIIx, Palm V only)");
    EXPECT_EQ(radio(*e, "1018")->text(), "Color (Color handhelds only)");
    ASSERT_EQ(models(*e)->count(), 22);
    EXPECT_EQ(models(*e)->itemText(0), "Palm Pilot");
    EXPECT_EQ(models(*e)->itemText(14), "Handspring Visor Prism");
    EXPECT_EQ(models(*e)->itemText(21), "Unknown");
    EXPECT_EQ(e->cropFrame()->size(), QSize(240, 240)) << "the render's arithmetic needs 240 x 240 views";
    EXPECT_EQ(e->findChild<QLabel*>("1014")->size(), QSize(240, 240));
    auto* slider = e->findChild<QSlider*>("1015");
    EXPECT_EQ(slider->minimum(), -1000);
    EXPECT_EQ(slider->maximum(), 1000);
}

TEST_F(Editor, UnknownModelPreselectsUnknownAndOpensInColour)
{
    profile.setInt("Parameters", "Gray Level", 1);
    auto e = open("Palm Tungsten");
    EXPECT_EQ(models(*e)->currentText(), "Unknown");
    EXPECT_EQ(e->colourMode(), 3);
    EXPECT_TRUE(radio(*e, "1018")->isChecked());
    EXPECT_EQ(e->renderCount(), 1) << "the model rule does not render before the layout";
}

TEST_F(Editor, ModelKindDecidesTheModesOffered)
{
    profile.setInt("Parameters", "Gray Level", 3);
    {
        auto e = open("Palm III");
        EXPECT_EQ(e->colourMode(), 1);
        EXPECT_FALSE(radio(*e, "1016")->isEnabled());
        EXPECT_FALSE(radio(*e, "1018")->isEnabled());
    }
    for (int stored : {1, 2, 3}) {
        profile.setInt("Parameters", "Gray Level", stored);
        auto e = open("Palm V");
        EXPECT_EQ(e->colourMode(), stored == 3 ? 2 : stored) << stored;
        EXPECT_TRUE(radio(*e, "1016")->isEnabled());
        EXPECT_FALSE(radio(*e, "1018")->isEnabled());
    }
    auto e = open("Handspring Visor");
    EXPECT_EQ(models(*e)->currentText(), "Handspring Visor") << "not the Prism";
}

TEST_F(Editor, ChoosingModelsFollowsTheRuleAndRendersOnlyOnChange)
{
    auto e = open("Palm IIIc");
    ASSERT_EQ(e->colourMode(), 3);
    int renders = e->renderCount();
    chooseModel(*e, "Palm IIIx");
    EXPECT_EQ(e->colourMode(), 2);
    EXPECT_EQ(e->renderCount(), ++renders);
    chooseModel(*e, "Sony Clie");
    EXPECT_EQ(e->colourMode(), 2);
    EXPECT_EQ(e->renderCount(), renders) << "kind 4 to kind 4 changes nothing";
    chooseModel(*e, "Palm m505");
    EXPECT_EQ(e->colourMode(), 3);
    EXPECT_EQ(e->renderCount(), ++renders);
    chooseModel(*e, "Palm m505");
    EXPECT_EQ(e->renderCount(), ++renders) << "a colour model renders at every choice";
    chooseModel(*e, "Palm VII");
    EXPECT_EQ(e->colourMode(), 1);
    EXPECT_TRUE(radio(*e, "1017")->isChecked());
    EXPECT_EQ(e->renderCount(), ++renders);
}

TEST_F(Editor, ColourButtonsRenderAtEveryClickAndTheSliderOnlyAtNewPositions)
{
    auto e = open("Unknown");
    int renders = e->renderCount();
    radio(*e, "1017")->click();
    EXPECT_EQ(e->colourMode(), 1);
    EXPECT_EQ(e->renderCount(), ++renders);
    radio(*e, "1017")->click();
    EXPECT_EQ(e->renderCount(), ++renders) << "the checked button renders again";

    auto* slider = e->findChild<QSlider*>("1015");
    slider->setSliderDown(true);
    slider->setSliderPosition(100);
    slider->setSliderPosition(250);
    slider->setSliderPosition(250);
    EXPECT_EQ(e->renderCount(), renders + 2);
    slider->setSliderDown(false);
    EXPECT_EQ(e->renderCount(), renders + 2) << "not again at the end of the drag";
    EXPECT_EQ(e->contrast(), 250);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(e->renderCount(), renders + 3);
    EXPECT_EQ(e->contrast(), 350);
}

TEST_F(Editor, StoredContrastOutsideTheRangeStaysUntilTheSliderMoves)
{
    profile.setInt("Parameters", "Contrast", 5000);
    auto e = open();
    EXPECT_EQ(e->findChild<QSlider*>("1015")->value(), 1000);
    EXPECT_EQ(e->contrast(), 5000);
}

TEST_F(Editor, DragOfTheFrameRendersOnceAtRelease)
{
    auto e = open();
    e->show();
    CropFrameWidget* crop = e->cropFrame();
    const Rect before = crop->frame();
    const int renders = e->renderCount();
    const QPoint inside((before.left + before.right) / 2, (before.top + before.bottom) / 2);
    QTest::mousePress(crop, Qt::LeftButton, {}, inside);
    QMouseEvent move(QEvent::MouseMove, QPointF(inside + QPoint(20, 0)),
                     crop->mapToGlobal(QPointF(inside + QPoint(20, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(crop, &move);
    EXPECT_EQ(e->renderCount(), renders) << "no render while dragging";
    QTest::mouseRelease(crop, Qt::LeftButton, {}, inside + QPoint(20, 0));
    EXPECT_EQ(e->renderCount(), renders + 1);
    EXPECT_NE(crop->frame(), before);
}

TEST_F(Editor, TabGoesFrameModelCheckedColourContrastSaveCancelAndTheFrameShowsTheFocus)
{
    auto e = open();
    e->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.get()));
    auto* frame = static_cast<QWidget*>(e->cropFrame()->parent());
    QStringList order;
    for (QWidget* w = QApplication::focusWidget(); order.size() < 6; w = QApplication::focusWidget()) {
        order << w->objectName();
        const QColor border = frame->grab().toImage().pixelColor(0, 10);
        EXPECT_EQ(border == e->palette().color(QPalette::Highlight), w == e->cropFrame()) << "the focus mark";
        QTest::keyClick(w, Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"1", "2", "1011", "1023", "1018", "1015"})) << "opens on Save, the first control";
    // From the first frame (34, 34, 206, 206) in the bounds (5, 34, 235, 206) under the drag's rules.
    const int renders = e->renderCount();
    using Keys = std::pair<Qt::Key, Qt::KeyboardModifiers>;
    for (auto [key, modifiers] :
         {Keys{Qt::Key_Right, {}}, Keys{Qt::Key_Down, Qt::ShiftModifier},
          Keys{Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}, Keys{Qt::Key_Up, Qt::AltModifier}})
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(e->cropFrame(), key, modifiers);
    EXPECT_EQ(e->cropFrame()->frame(), (Rect{54, 34, 54, 206})) << "moved, held at the bound, no wider than nothing";
    EXPECT_EQ(e->renderCount(), renders + 20 + 18) << "each step that changes the frame";
}

TEST_F(Editor, SaveTakesTheFirstFreeNumberAndRemembersTheChoices)
{
    writeFile(dir / "p0.bmp", "taken");
    writeFile(dir / "p2.bmp", "taken");
    auto e = open("Palm IIIc");
    radio(*e, "1016")->click();
    ModalHandler name(
        [](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), "Picture Name");
            EXPECT_EQ(w->findChild<QLabel*>("1012")->text(),
                      "Enter a name for the new picture.  Maximum 15 characters.");
            auto* edit = w->findChild<QLineEdit*>("1013");
            EXPECT_EQ(edit->text(), "Beach");
            edit->setText("Beach at noon and more");
            clickButton(w, "OK");
        },
        5000, "131");
    e->findChild<QPushButton*>("1")->click();
    EXPECT_TRUE(name.handled());
    EXPECT_EQ(e->result(), QDialog::Accepted);
    EXPECT_EQ(e->pictureFilePath(), dir / "p1.bmp");
    EXPECT_TRUE(fs::exists(dir / "p1.bmp"));
    EXPECT_EQ(readFile(dir / "p0.bmp"), "taken");
    EXPECT_EQ(e->pictureName(), "Beach at noon a") << "the edit takes 15 characters";
    EXPECT_EQ(e->colourMode(), 2);
    EXPECT_EQ(profile.getInt("Parameters", "Gray Level", 0), 2);
    EXPECT_EQ(profile.getInt("Parameters", "Contrast", 99), 0);
    EXPECT_EQ(fieldText(model_), "Palm IIIc");
    const QImage written(QString::fromStdString((dir / "p1.bmp").string()));
    EXPECT_EQ(written.size(), QSize(160, 160));
}

TEST_F(Editor, BackingOutOfTheNameChangesNothing)
{
    auto e = open("Palm IIIc");
    ModalHandler name([](QWidget* w) { clickButton(w, "Cancel"); }, 5000, "131");
    e->findChild<QPushButton*>("1")->click();
    EXPECT_TRUE(name.handled());
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_FALSE(profile.contains("Parameters", "Gray Level"));
    EXPECT_EQ(e->pictureFilePath(), fs::path());
    EXPECT_EQ(fieldText(model_), "Palm IIIc");
    EXPECT_EQ(e->pictureName(), "Beach");
}

TEST_F(Editor, CancelAsksAndOnYesWritesTheSettingsButNoFile)
{
    auto e = open("Palm V");
    profile.setInt("Parameters", "Contrast", 0);
    e->findChild<QSlider*>("1015")->setValue(-300);
    boxes.script({MsgAnswer::No, MsgAnswer::Yes});
    e->findChild<QPushButton*>("2")->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Should I discard the new picture?");
    EXPECT_EQ(boxes.shown()[0].caption, "Cancel");
    EXPECT_EQ(profile.getInt("Parameters", "Contrast", 0), 0) << "No keeps the editor open, nothing written";
    QTest::keyClick(e.get(), Qt::Key_Escape);
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(e->result(), QDialog::Rejected);
    EXPECT_EQ(profile.getInt("Parameters", "Contrast", 0), -300);
    EXPECT_EQ(profile.getInt("Parameters", "Gray Level", 0), 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(fieldText(model_), "Palm V");
}

TEST_F(Editor, NoFreeNameKeepsTheEditorOpenAndOverwritesNothing)
{
    for (int n = 0; n <= 9999; ++n)
        writeFile(dir / ("p" + std::to_string(n) + ".bmp"), "");
    auto e = open();
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 5000, "131");
    e->findChild<QPushButton*>("1")->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("no free picture file name"), std::string::npos);
    EXPECT_NE(e->result(), QDialog::Accepted);
    EXPECT_EQ(fs::file_size(dir / "p0.bmp"), 0u);
}

struct SaveCase {
    const char* name;
    const char* folder;   // below the test folder, or absolute
    bool albumFull;       // the album filled up while the editor was open
    const char* told;     // the start of the one message, or empty
    const char* written;  // the picture file's name when saved
};

class EditorSave : public Editor, public ::testing::WithParamInterface<SaveCase> {};

// Save writes nothing it cannot file: a full album or a missing folder keep
// the editor open with the reason; a folder that merely went away is made
// again; numbers the album's records name are never used.
TEST_P(EditorSave, WritesOnlyWhatCanBeFiledAndSaysWhyNot)
{
    const SaveCase& t = GetParam();
    const fs::path folder = t.folder[0] == '/' ? fs::path(t.folder) : dir / t.folder;
    auto e = std::make_unique<CPictureEditorDlg>(profile, boxes, folder);
    e->sourcePicture() = fromQImage(testPhoto(100, 50));
    e->mayWrite = [&] { return !t.albumFull || (boxes.show("full", "Add Photo", MsgStyle::Exclamation), false); };
    e->numberTaken = [](int n) { return n < 2; };
    e->initialise();
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 5000, "131");
    e->findChild<QPushButton*>("1")->click();
    ASSERT_EQ(boxes.shown().size(), *t.told ? 1u : 0u);
    if (*t.told) {
        EXPECT_EQ(boxes.shown()[0].text.rfind(t.told, 0), 0u) << boxes.shown()[0].text;
    }
    EXPECT_EQ(e->result() == QDialog::Accepted, *t.written != 0);
    EXPECT_EQ(e->pictureFilePath(), *t.written ? folder / t.written : fs::path());
    if (!*t.written && fs::is_directory(folder)) {
        EXPECT_TRUE(fs::is_empty(folder)) << "nothing written";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorSave,
    ::testing::Values(SaveCase{"Saved", "", false, "", "p2.bmp"}, SaveCase{"AlbumFull", "", true, "full", ""},
                      SaveCase{"FolderMadeAgain", "gone", false, "", "p2.bmp"},
                      // Not even root may make a folder there: the real cause is named.
                      SaveCase{"MayNotMakeIt", "/sys/handfolio-test", false,
                               "The picture cannot be saved: the folder /sys/handfolio-test cannot be made (", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Editor, MissingDriveIsNamed)
{
    const fs::path missing = dir / "missing" / "folder";
    auto e = std::make_unique<CPictureEditorDlg>(profile, boxes, missing);
    e->sourcePicture() = fromQImage(testPhoto(100, 50));
    e->initialise();
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 5000, "131");
    e->findChild<QPushButton*>("1")->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "The picture cannot be saved: the folder " + missing.string() +
                                         " is not there.  Check that the drive that holds it is connected.");
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(Editor, SaveOfAPhotoTooThinForAPictureSaysSoAndStaysOpen)
{
    auto e = std::make_unique<CPictureEditorDlg>(profile, boxes, dir.path());
    e->sourcePicture() = fromQImage(testPhoto(2000, 3));
    e->initialise();
    e->show();
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 1000, "131");
    QTest::mouseClick(e->findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_FALSE(name.handled()) << "no name is asked for a picture that cannot be saved";
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("no picture to save"), std::string::npos) << boxes.shown()[0].text;
    EXPECT_TRUE(e->isVisible());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// The font resolution is fixed when the application starts, so each case
// runs in a process of its own with QT_FONT_DPI set.
class EditorLayout : public ::testing::TestWithParam<int> {};

TEST_P(EditorLayout, ViewsKeepTheirSizeAndNoControlOverlapsAnother)
{
    const int dpi = GetParam();
    if (qEnvironmentVariableIntValue("QT_FONT_DPI") != dpi) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_FONT_DPI"), QString::number(dpi));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
        return;
    }
    TempDir dir;
    MemoryProfile profile;
    RecordingMessageBoxes boxes;
    CPictureEditorDlg e(profile, boxes, dir.path());
    e.sourcePicture() = fromQImage(testPhoto(640, 480));
    e.initialise();
    e.show();
    const QRect dialog = e.rect();
    for (QWidget* view : {static_cast<QWidget*>(e.cropFrame()), e.findChild<QWidget*>("1014")}) {
        EXPECT_EQ(view->size(), QSize(240, 240)) << view->objectName().toStdString();
        auto* frame = qobject_cast<QFrame*>(view->parentWidget());
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->contentsRect().contains(view->geometry()));
    }
    const auto describe = [](QWidget* w) {
        const auto* box = qobject_cast<QGroupBox*>(w);
        return (box ? box->title() : w->metaObject()->className() + (" " + w->property("text").toString()))
            .toStdString();
    };
    const QList<QWidget*> controls = e.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
        EXPECT_TRUE(dialog.contains(a->geometry())) << describe(a) << " lies outside the dialog";
        for (QWidget* b : controls) {
            if (a >= b)
                continue;
            // A group box surrounds its own controls.
            if ((qobject_cast<QGroupBox*>(a) && a->geometry().contains(b->geometry())) ||
                (qobject_cast<QGroupBox*>(b) && b->geometry().contains(a->geometry())))
                continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry())) << describe(a) << " overlaps " << describe(b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FontDpi, EditorLayout, ::testing::Values(72, 96, 120, 144));

}  // namespace
