#include "AppTestSupport.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PhotoSources.h"
#include "PictureEditorDlg.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

const QColor kGreen(0, 128, 0);

class AlbumWindowTest : public ::testing::Test, public WindowFixture {};

TEST_F(AlbumWindowTest, ControlsCarryTheirIdsAndTexts)
{
    open();
    addPhotoSources(*window);
    EXPECT_EQ(window->windowTitle(), "Handfolio Album Creator 2.6");
    const std::vector<std::pair<const char*, const char*>> buttons = {{"1000", "&Add Photo ..."},
                                                                      {"1001", "Remove Photo"},
                                                                      {"1003", "Move Photo &Up List"},
                                                                      {"1004", "Move Photo &Down List"},
                                                                      {"1024", "Details ..."},
                                                                      {"57670", "&Help"},
                                                                      {"1", "Exit"}};
    for (auto [id, text] : buttons) {
        ASSERT_NE(button(id), nullptr) << id;
        EXPECT_EQ(button(id)->text(), text);
    }
    EXPECT_TRUE(button("1")->isDefault());
    const std::vector<std::pair<int, const char*>> commands = {{32780, "&Add Photo from File ..."},
                                                               {32779, "&Paste from Clipboard"},
                                                               {32773, "&Get Photo from Scanner or Camera ..."},
                                                               {32774, "&Capture Photo from the Screen ..."},
                                                               {32784, "Download from &Kodak PhotoNet online ..."},
                                                               {32776, "E&xit"},
                                                               {32777, "&Remove Photo"},
                                                               {32778, "Picture Details ..."},
                                                               {32782, "Move Photo &Up the List"},
                                                               {32783, "Move Photo &Down the List"},
                                                               {57670, "&Help"},
                                                               {32772, "&About Handfolio ..."}};
    for (auto [id, text] : commands) {
        auto* action = window->findChild<QAction*>(QString::number(id));
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text(), text);
    }
    for (const char* id : {"1021", "1020", "1005", "1006", "1030", "1028", "1029"})
        EXPECT_NE(window->findChild<QWidget*>(id), nullptr) << id;
    QStringList file;
    for (const QAction* a : qobject_cast<QMenu*>(command(32780)->parent())->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(file, (QStringList{"32780", "32779", "32773", "32774", "-", "32784", "-", "32776"}))
        << "the sources' commands in the menu's order";
}

TEST_F(AlbumWindowTest, StartUpReportsMissingPicturesBeforeTheSplash)
{
    writeAlbum("Ann", {"One", "Two"});
    fs::remove(folderOf("Ann") / "p0.bmp");
    fs::remove(folderOf("Ann") / "p1.bmp");
    open();
    EXPECT_EQ(log, (std::vector<std::string>{"box:Handfolio - Missing Pictures", "splash"}));
    EXPECT_TRUE(window->acceptDrops()) << "drops are taken after the splash";
    EXPECT_EQ(rows(), (QStringList{"One", "Two"}));
    EXPECT_EQ(window->previewText(), "Missing Picture");
}

TEST_F(AlbumWindowTest, FirstStartShowsTheDefaultAlbum)
{
    open();
    EXPECT_EQ(child<QComboBox>("1021")->currentText(), "Ann") << "sorted: Ann before Bob";
    auto* filter = child<QComboBox>("1020");
    QStringList entries;
    for (int i = 0; i < filter->count(); ++i)
        entries << filter->itemText(i);
    EXPECT_EQ(entries, (QStringList{"All", "Business", "Personal", "Unfiled"}));
    EXPECT_EQ(filter->currentText(), "All");
    EXPECT_EQ(window->previewText(), "Click 'Add Photo'");
    EXPECT_EQ(previewAt(3, 3), kGreen);
    for (const char* id : {"1001", "1003", "1004", "1024"})
        EXPECT_FALSE(button(id)->isEnabled()) << id;
    EXPECT_TRUE(button("1000")->isEnabled());
    EXPECT_TRUE(fs::is_directory(folderOf("Ann")));
}

TEST_F(AlbumWindowTest, AllRecordsDeletedShowsThatTheCategoryHasNoPhotos)
{
    writeAlbum("Ann", {"Gone"});
    {
        auto album = readAlbum("Ann");
        album->removeRecord(0, folderOf("Ann"));
        RecordingMessageBoxes quiet;
        ASSERT_TRUE(album->saveAlbum(folderOf("Ann"), quiet));
    }
    open();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(window->previewText(), "This category has no photos");
    window->show();
    ASSERT_TRUE(waitForPaint(*window));  // the first paint must not turn it into "Click 'Add Photo'"
    EXPECT_EQ(window->previewText(), "This category has no photos");
}

TEST_F(AlbumWindowTest, FilterSelectsAllBesideAllsortsAndNeverFiltersOnACategoryNamedAll)
{
    writeAlbum("Ann", {"Sweet", "Plain", "Odd"}, {3, 0, 4}, {"Allsorts", "All"});
    open();
    auto* filter = child<QComboBox>("1020");
    EXPECT_EQ(filter->currentText(), "All");
    EXPECT_EQ(filter->currentIndex(), 0);
    EXPECT_EQ(rows(), (QStringList{"Sweet", "Plain", "Odd"}));

    filter->setCurrentIndex(filter->findText("Allsorts"));
    emit filter->activated(filter->currentIndex());
    EXPECT_EQ(rows(), QStringList{"Sweet"});
    // The category named "All" sorts after the entry "All"; choosing it
    // still shows every photo.
    filter->setCurrentIndex(1);
    ASSERT_EQ(filter->currentText(), "All");
    emit filter->activated(1);
    EXPECT_EQ(rows(), (QStringList{"Sweet", "Plain", "Odd"}));
}

TEST_F(AlbumWindowTest, PreviewShowsThePictureCentredOnBlackWithItsLabels)
{
    writeAlbum("Ann", {"Red"}, {1});
    writePicture(folderOf("Ann") / "p0.bmp", QColor(255, 0, 0));
    open();
    EXPECT_TRUE(window->previewText().isEmpty());
    const QSize pane = child<QLabel>("1006")->contentsRect().size();
    EXPECT_EQ(previewAt(pane.width() / 2, pane.height() / 2), QColor(255, 0, 0));
    EXPECT_EQ(previewAt(1, 1), QColor(0, 0, 0));
    EXPECT_EQ(label("1030"), "Red");
    EXPECT_EQ(label("1028"), "Personal");
    EXPECT_EQ(label("1029"), "No");
}

TEST_F(AlbumWindowTest, MovingUnderAFilterExchangesOnlyTheTwoRecords)
{
    std::vector<std::string> names;
    std::vector<int> categories;
    for (int i = 0; i < 9; ++i) {
        names.push_back("R" + std::to_string(i));
        categories.push_back(i == 2 || i == 7 ? 1 : 0);
    }
    writeAlbum("Ann", names, categories);
    open();
    auto* filter = child<QComboBox>("1020");
    filter->setCurrentIndex(filter->findText("Personal"));
    emit filter->activated(filter->currentIndex());
    ASSERT_EQ(rows(), (QStringList{"R2", "R7"}));
    EXPECT_FALSE(button("1003")->isEnabled()) << "first row";
    EXPECT_TRUE(button("1004")->isEnabled());

    button("1004")->click();
    EXPECT_EQ(rows(), (QStringList{"R7", "R2"}));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_TRUE(button("1003")->isEnabled());
    EXPECT_FALSE(button("1004")->isEnabled()) << "last row";

    auto saved = readAlbum("Ann");
    QStringList order;
    for (int i = 0; i < saved->count; ++i)
        order << QString::fromStdString(
            std::string(fieldText(saved->records[static_cast<std::size_t>(i)].pictureName)));
    EXPECT_EQ(order, (QStringList{"R0", "R1", "R7", "R3", "R4", "R5", "R6", "R2", "R8"}));
    for (int i = 3; i <= 6; ++i)
        EXPECT_EQ(saved->records[static_cast<std::size_t>(i)].modified, 1) << "new records are marked modified anyway";

    button("1004")->click();  // at the end: nothing happens
    EXPECT_EQ(rows(), (QStringList{"R7", "R2"}));
    button("1003")->click();
    EXPECT_EQ(rows(), (QStringList{"R2", "R7"}));
    EXPECT_EQ(list()->currentRow(), 0);
}

TEST_F(AlbumWindowTest, RemovingTheFirstSelectsTheNewFirstAndRemovingTheOnlyShowsTheEmptyState)
{
    writeAlbum("Ann", {"A", "B", "C"});
    open();
    boxes.recorded.script({MsgAnswer::Yes});
    button("1001")->click();
    ASSERT_EQ(boxes.recorded.shown().size(), 1u);
    EXPECT_EQ(boxes.recorded.shown()[0].text, "Really remove A from the album?");
    EXPECT_EQ(boxes.recorded.shown()[0].caption, "Remove Photo");
    EXPECT_EQ(boxes.recorded.shown()[0].style, MsgStyle::YesNo);
    EXPECT_EQ(rows(), (QStringList{"B", "C"}));
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(label("1030"), "B");
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "p0.bmp"));
    auto saved = readAlbum("Ann");
    EXPECT_EQ(saved->count, 3);
    EXPECT_EQ(saved->records[0].deleted, 1);

    boxes.recorded.script({MsgAnswer::No});
    button("1001")->click();
    EXPECT_EQ(rows(), (QStringList{"B", "C"})) << "No keeps the photo";

    boxes.recorded.script({MsgAnswer::Yes, MsgAnswer::Yes});
    button("1001")->click();
    button("1001")->click();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(window->previewText(), "This category has no photos");
    EXPECT_EQ(label("1030"), "");
    EXPECT_FALSE(button("1001")->isEnabled());
    EXPECT_FALSE(window->findChild<QAction*>("32777")->isEnabled());
}

TEST_F(AlbumWindowTest, DeleteKeyAsksTheSameQuestionAndEmptyListCommandsSaySo)
{
    writeAlbum("Ann", {"Only"});
    open();
    boxes.recorded.script({MsgAnswer::No});
    QTest::keyClick(list(), Qt::Key_Delete);
    ASSERT_EQ(boxes.recorded.shown().size(), 1u);
    EXPECT_EQ(boxes.recorded.shown()[0].text, "Really remove Only from the album?");

    auto* filter = child<QComboBox>("1020");
    filter->setCurrentIndex(filter->findText("Business"));
    emit filter->activated(filter->currentIndex());
    window->findChild<QAction*>("32777")->setEnabled(true);
    window->findChild<QAction*>("32777")->trigger();
    EXPECT_EQ(boxes.recorded.shown().back().text, "You must first select a photo from the list.");
    EXPECT_EQ(boxes.recorded.shown().back().caption, "Remove Photo");
    window->findChild<QAction*>("32778")->trigger();
    EXPECT_EQ(boxes.recorded.shown().back().text, "Please select an item from the list.");
    EXPECT_EQ(boxes.recorded.shown().back().caption, "Picture Details");
}

TEST_F(AlbumWindowTest, FullAlbumDisablesAddPhoto)
{
    writeAlbum("Ann", {"A"});
    {
        auto album = readAlbum("Ann");
        for (int i = 1; i < kMaxRecords; ++i)
            album->appendRecord("X", folderOf("Ann") / "p0.bmp", 1, 0, "Ann");
        RecordingMessageBoxes quiet;
        ASSERT_TRUE(album->saveAlbum(folderOf("Ann"), quiet));
    }
    open();
    addPhotoSources(*window);
    EXPECT_FALSE(button("1000")->isEnabled());
    EXPECT_FALSE(window->findChild<QAction*>("32780")->isEnabled());
    EXPECT_TRUE(window->findChild<QAction*>("32779")->isEnabled()) << "the other sources check for themselves";
}

TEST_F(AlbumWindowTest, SwitchingUsersSavesTheOldAlbumAndShowsTheNew)
{
    writeAlbum("Ann", {"Ann1"});
    writeAlbum("Bob", {"Bob1", "Bob2"});
    open();
    auto* users = child<QComboBox>("1021");
    ASSERT_EQ(users->currentText(), "Ann");
    auto* filter = child<QComboBox>("1020");
    filter->setCurrentIndex(filter->findText("Unfiled"));
    emit filter->activated(filter->currentIndex());
    fs::remove(folderOf("Ann") / "Photos.dat");

    users->setCurrentIndex(users->findText("Bob"));
    emit users->activated(users->currentIndex());
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "Photos.dat")) << "Ann's album saved before Bob's is read";
    EXPECT_EQ(prefsUser(), "Bob");
    EXPECT_EQ(rows(), (QStringList{"Bob1", "Bob2"}));
    EXPECT_EQ(filter->currentText(), "All");
}

TEST_F(AlbumWindowTest, ExitSavesWithoutRememberingTheUser)
{
    writeAlbum("Ann", {"A"});
    open();
    fs::remove(folderOf("Ann") / "Photos.dat");
    button("1")->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "Photos.dat"));
    EXPECT_EQ(prefsUser(), "");
}

TEST_F(AlbumWindowTest, CloseBoxSavesAndRemembersTheUser)
{
    writeAlbum("Ann", {"A"});
    open();
    window->show();
    fs::remove(folderOf("Ann") / "Photos.dat");
    window->close();
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "Photos.dat"));
    EXPECT_EQ(prefsUser(), "Ann");
}

TEST_F(AlbumWindowTest, EscapeEndsWithoutSavingAndAutoPlayComesBackOnDestruction)
{
    writeAlbum("Ann", {"A"});
    *autoPlayValue = 0;
    open();
    EXPECT_EQ(*autoPlayValue, 1u) << "suppressed while the window exists";
    window->show();
    fs::remove(folderOf("Ann") / "Photos.dat");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "Photos.dat"));
    EXPECT_EQ(prefsUser(), "");
    close();
    EXPECT_EQ(*autoPlayValue, 0u);
}

TEST_F(AlbumWindowTest, ReloadReadsTheAlbumAgain)
{
    writeAlbum("Ann", {"Old"});
    open();
    writeAlbum("Ann", {"New1", "New2"});
    window->reloadAlbum();
    EXPECT_EQ(rows(), (QStringList{"New1", "New2"}));
}

TEST_F(AlbumWindowTest, IntakeFilesUnderTheFilterCategoryAndSelectsTheNewPhoto)
{
    writeAlbum("Ann", {"A", "B"}, {2, 2});
    open();
    auto* filter = child<QComboBox>("1020");
    filter->setCurrentIndex(filter->findText("Business"));
    emit filter->activated(filter->currentIndex());
    writePicture(folderOf("Ann") / "p2.bmp", Qt::blue);
    window->intakeStep("Caf\xE9", folderOf("Ann") / "p2.bmp", 2);
    EXPECT_EQ(rows(), (QStringList{"A", "B", QString::fromUtf8("Caf\xC3\xA9")}));
    EXPECT_EQ(list()->currentRow(), 2);
    auto saved = readAlbum("Ann");
    ASSERT_EQ(saved->count, 3);
    EXPECT_EQ(saved->records[2].category, 2);
    EXPECT_EQ(saved->records[2].colourMode, 2);
    EXPECT_EQ(fieldText(saved->records[2].userName), "Ann");
    EXPECT_EQ(saved->records[2].position, 2);

    filter->setCurrentIndex(0);
    emit filter->activated(0);
    window->intakeStep("All of them", folderOf("Ann") / "p2.bmp", 1);
    EXPECT_EQ(readAlbum("Ann")->records[3].category, 0) << "\"All\" files under Unfiled";
}

// The result view (1014) and the preview (1006) at the run's QT_SCALE_FACTOR: the handheld
// picture's colours only, each picture pixel a square of the same whole number of device pixels.
class ExactPixels : public ::testing::TestWithParam<int>, public WindowFixture {};

TEST_P(ExactPixels, ShowTheHandheldPictureUnfiltered)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    QPainter(&photo).fillRect(photo.rect(), QLinearGradient(0, 0, 640, 480));
    char model[40] = "Palm III";  // four grays
    CPictureEditorDlg editor(profile, boxes.recorded, folderOf("Ann"));
    editor.sourcePicture() = fromQImage(photo);
    editor.setModelBuffer(model);
    editor.initialise();
    QWidget* view = editor.findChild<QWidget*>("1014");
    if (GetParam() == 1006) {
        writeAlbum("Ann", {"Gradient"});
        editor.handheldPicture().Save(folderOf("Ann") / "p0.bmp");
        view = open().findChild<QWidget*>("1006");
    }
    view->window()->show();
    ASSERT_EQ(view->devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    // Pixels of each colour, the views' black surround left out.
    const auto colours = [](const QImage& image) {
        QMap<QRgb, long> counts;
        for (int i = 0; i < image.width() * image.height(); ++i)
            counts[image.pixel(i % image.width(), i / image.width())] += 1;
        counts.remove(qRgb(0, 0, 0));
        return counts;
    };
    auto shown = colours(view->grab(view->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32));
    const auto picture = colours(toQImage(editor.handheldPicture()).convertToFormat(QImage::Format_RGB32));
    ASSERT_EQ(shown.size(), picture.size()) << "colours the picture does not have";
    const long square = shown.first() / picture.first();
    EXPECT_EQ(square, std::lround(std::sqrt(square)) * std::lround(std::sqrt(square)));
    for (const auto& [colour, count] : picture.asKeyValueRange())
        EXPECT_EQ(shown[colour], square * count) << std::hex << colour;
}

INSTANTIATE_TEST_SUITE_P(Views, ExactPixels, ::testing::Values(1014, 1006));

}  // namespace
