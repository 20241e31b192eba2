#include "AppTestSupport.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PhotoIntake.h"
#include "PictureEditorDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

void writeJpeg(const fs::path& file, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(40, 110, 200));
    p.setBrush(QColor(240, 210, 60));
    p.drawEllipse(QRect(w / 4, h / 4, w / 2, h / 2));
    p.end();
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPG", 90));
}

class Intake : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        open();
        intake = &window->intake();
    }
    // Answers the editor with Save and the name dialog with OK, noting the
    // proposed name.
    void saveInEditor(QString* proposal)
    {
        editor = std::make_unique<ModalHandler>([](QWidget* w) { clickButton(w, "&Save"); }, 8000, "129");
        name = std::make_unique<ModalHandler>(
            [proposal](QWidget* w) {
                *proposal = w->findChild<QLineEdit*>("1013")->text();
                clickButton(w, "OK");
            },
            8000, "131");
    }
    PhotoIntake* intake = nullptr;
    std::unique_ptr<ModalHandler> editor, name;
};

// Points the user's pictures folder somewhere else while it lives.
class PicturesFolder {
public:
    explicit PicturesFolder(const fs::path& root) : old_(qgetenv("XDG_CONFIG_HOME"))
    {
        fs::create_directories(root / "Bilder");
        writeFile(root / "user-dirs.dirs", "XDG_PICTURES_DIR=\"" + (root / "Bilder").string() + "\"\n");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root.string()));
    }
    ~PicturesFolder() { old_.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", old_); }
    PicturesFolder(const PicturesFolder&) = delete;
    PicturesFolder& operator=(const PicturesFolder&) = delete;

private:
    QByteArray old_;
};

QString dialogFolder(QWidget* w)
{
    return static_cast<QFileDialog*>(w)->directory().absolutePath();
}

TEST_F(Intake, AddPhotoThroughTheFileDialogEditorAndNameWritesAlbumAndPicture)
{
    const fs::path jpeg = dir / "Summer holiday at the lake.jpg";
    writeJpeg(jpeg, 640, 480);
    const PicturesFolder pictures(dir / "config");
    QString firstFolder;
    ModalHandler files(
        [&](QWidget* w) {
            firstFolder = dialogFolder(w);
            auto* edit = w->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(QString::fromStdString(jpeg.string()));
            QTest::keyClick(edit, Qt::Key_Return);
        },
        8000, "fileDialog");
    QString proposal;
    saveInEditor(&proposal);
    button("1000")->click();
    ASSERT_TRUE(files.handled());
    ASSERT_TRUE(editor->handled());
    ASSERT_TRUE(name->handled());
    EXPECT_EQ(proposal, "Summer holiday ");

    const fs::path picture = folderOf("Ann") / "p0.bmp";
    const std::string bytes = readFile(folderOf("Ann") / "Photos.dat");
    ASSERT_EQ(bytes.size(), 384u + 360u);
    EXPECT_EQ(int32At(bytes, 0), 384);
    EXPECT_EQ(int32At(bytes, 4), 2);
    EXPECT_EQ(int32At(bytes, 8), 5);
    EXPECT_EQ(std::string(bytes.data() + 12), "Unknown") << "the model chosen is kept for the album";
    const char* record = bytes.data() + 384;
    EXPECT_EQ(int32At(bytes, 384), 0);
    EXPECT_EQ(std::string(record + 4), "Ann");
    EXPECT_EQ(std::string(record + 54), "Summer holiday ");
    EXPECT_EQ(std::string(record + 78), picture.string());
    EXPECT_EQ(int32At(bytes, 384 + 336), 3);
    EXPECT_EQ(int32At(bytes, 384 + 340), 0);
    EXPECT_EQ(int32At(bytes, 384 + 344), 1);
    EXPECT_EQ(int32At(bytes, 384 + 348), 0);
    EXPECT_EQ(int32At(bytes, 384 + 352), 0);
    EXPECT_EQ(int32At(bytes, 384 + 356), 0);

    const QImage bmp(QString::fromStdString(picture.string()), "BMP");
    EXPECT_EQ(bmp.size(), QSize(160, 160));
    EXPECT_EQ(bmp.format(), QImage::Format_Indexed8);
    EXPECT_LE(bmp.colorCount(), 256);
    const std::string bmpBytes = readFile(picture);
    ASSERT_GE(bmpBytes.size(), 54u);
    EXPECT_EQ(bmpBytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmpBytes[28]), 8u) << "8 bits per pixel";

    EXPECT_EQ(rows(), QStringList{"Summer holiday "});
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_TRUE(window->previewText().isEmpty()) << "the new picture shows";

    // The first time the dialog opens in the pictures folder, then where the
    // last photo came from.
    EXPECT_EQ(firstFolder.toStdString(), (dir / "config" / "Bilder").string());
    QString secondFolder;
    ModalHandler again(
        [&](QWidget* w) {
            secondFolder = dialogFolder(w);
            QTest::keyClick(w, Qt::Key_Escape);
        },
        8000, "fileDialog");
    QTest::mouseClick(button("1000"), Qt::LeftButton);
    ASSERT_TRUE(again.handled());
    EXPECT_EQ(secondFolder.toStdString(),
              QDir(QString::fromStdString(dir.path().string())).absolutePath().toStdString());
}

TEST(FileDialog, ListsEveryImageFileReadablyAndQuietly)
{
    TempDir dir;
    for (const char* name : {"a.jpg", "B.JPG", "c.png", "d.tif", "e.webp", "f.bmp", "notes.txt"})
        writeFile(dir / name, "x");
    fs::create_directory(dir / "older");
    writeJpeg(dir / "older" / "g.jpg", 40, 30);

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            if (type != QtDebugMsg && type != QtInfoMsg && !m.startsWith(QLatin1String("This plugin does not support")))
                warnings << m;
        });
    const auto listed = [](QTreeView* tree) {
        QStringList names;
        for (int row = 0; row < tree->model()->rowCount(tree->rootIndex()); ++row)
            names << tree->model()->index(row, 0, tree->rootIndex()).data().toString();
        names.sort();
        return names;
    };
    const auto entry = [](QTreeView* tree, const QString& name) {
        const QModelIndexList found = tree->model()->match(tree->model()->index(0, 0, tree->rootIndex()),
                                                           Qt::DisplayRole, name, 1, Qt::MatchExactly);
        return found.isEmpty() ? QRect() : tree->visualRect(found.front());
    };
    QStringList names;
    ModalHandler files(
        [&](QWidget* w) {
            auto* tree = w->findChild<QTreeView*>("treeView");
            ASSERT_NE(tree, nullptr);
            ASSERT_TRUE(waitUntil([&] { return listed(tree).size() == 7; })) << listed(tree).join(" ").toStdString();
            names = listed(tree);
            const QHeaderView* header = tree->header();
            int total = 0;
            for (int column = 0; column < header->count(); ++column) {
                const int needed = std::max(header->sectionSizeHint(column),
                                            static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(column));
                EXPECT_GE(header->sectionSize(column), needed) << "column " << column << " is cut";
                total += header->sectionSize(column);
            }
            EXPECT_LE(total, tree->viewport()->width()) << "the columns do not fit the dialog";
            // Into the folder as a user does: a click on it, then Enter.
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, entry(tree, "older").center());
            QTest::keyClick(tree, Qt::Key_Return);
            ASSERT_TRUE(waitUntil([&] { return listed(tree) == QStringList{"g.jpg"}; }));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, entry(tree, "g.jpg").center());
            QTest::keyClick(tree, Qt::Key_Return);
        },
        8000, "fileDialog");
    const QString chosen = choosePictureFile(nullptr, QString::fromStdString(dir.path().string()));
    qInstallMessageHandler(previous);
    ASSERT_TRUE(files.handled());
    EXPECT_EQ(names, (QStringList{"B.JPG", "a.jpg", "c.png", "d.tif", "e.webp", "f.bmp", "older"}));
    EXPECT_EQ(chosen.toStdString(), (dir / "older" / "g.jpg").string());
    EXPECT_EQ(warnings.join("\n").toStdString(), "");
    EXPECT_TRUE(imageFileFilter({"heic"}).contains("*.heic")) << "readers outside Qt add their suffixes";
}

TEST_F(Intake, GrayPhotoOfAFourGrayHandheldUsesTheFourGrays)
{
    copyField(window->album().header.lastModel, "Palm III");
    const fs::path jpeg = dir / "gray.jpg";
    writeJpeg(jpeg, 300, 500);
    intake->chooseFile = [&](QWidget*) { return QString::fromStdString(jpeg.string()); };
    QString proposal;
    saveInEditor(&proposal);
    intake->addPhotoFromFile();
    ASSERT_TRUE(name->handled());
    const QImage bmp(QString::fromStdString((folderOf("Ann") / "p0.bmp").string()), "BMP");
    ASSERT_EQ(bmp.format(), QImage::Format_Indexed8);
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x) {
            const QRgb c = bmp.pixel(x, y);
            ASSERT_TRUE(qGray(c) == 0 || qGray(c) == 100 || qGray(c) == 200 || qGray(c) == 255) << qGray(c);
            ASSERT_EQ(qRed(c), qBlue(c));
        }
    EXPECT_EQ(readAlbum("Ann")->records[0].colourMode, 1);
}

TEST_F(Intake, PhonePhotoThroughTheFileDialogWhileAFifoIsHighlighted)
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/heif-enc")))
        GTEST_SKIP() << "heif-enc is not installed (scripts/setup.sh installs it)";
    QImage photo(320, 200, QImage::Format_RGB32);
    photo.fill(QColor(40, 110, 200));
    ASSERT_TRUE(photo.save(QString::fromStdString((dir / "phone.png").string())));
    const fs::path heic = dir / "IMG_0001.heic";
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("heif-enc"), {QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-o"),
                                                       QString::fromStdString(heic.string()),
                                                       QString::fromStdString((dir / "phone.png").string())}),
        0);
    const fs::path fifo = dir / "a-fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    QString filter;
    ModalHandler files(
        [&](QWidget* w) {
            auto* dialog = static_cast<QFileDialog*>(w);
            filter = dialog->nameFilters().join(QLatin1Char(';'));
            auto* edit = w->findChild<QLineEdit*>("fileNameEdit");
            // Highlighting the FIFO asks the preview for it: that must not block.
            dialog->selectFile(QString::fromStdString(fifo.string()));
            QTest::qWait(50);
            edit->setText(QString::fromStdString(heic.string()));
            QTest::keyClick(edit, Qt::Key_Return);
        },
        8000, "fileDialog");
    QSize sourceSize;
    editor = std::make_unique<ModalHandler>(
        [&](QWidget* w) {
            sourceSize = toQImage(static_cast<CPictureEditorDlg*>(w)->sourcePicture()).size();
            clickButton(w, "&Save");
        },
        8000, "129");
    name = std::make_unique<ModalHandler>([](QWidget* w) { clickButton(w, "OK"); }, 8000, "131");
    QTest::mouseClick(button("1000"), Qt::LeftButton);
    ASSERT_TRUE(files.handled());
    EXPECT_TRUE(filter.contains("*.heic") && filter.contains("*.avif") && filter.contains("*.jxl"))
        << filter.toStdString();
    ASSERT_TRUE(name->handled());
    EXPECT_EQ(sourceSize, QSize(320, 200));
    ASSERT_EQ(readAlbum("Ann")->count, 1);
    EXPECT_EQ(fieldText(readAlbum("Ann")->records[0].pictureName), "IMG_0001");
}

TEST_F(Intake, DroppedFilesUseTheFirstOnlyAndKeepALeadingFullStop)
{
    const fs::path first = dir / ".summer.jpg";
    const fs::path second = dir / "second.jpg";
    writeJpeg(first, 200, 200);
    writeJpeg(second, 200, 200);
    QString proposal;
    saveInEditor(&proposal);
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(first.string())),
                   QUrl::fromLocalFile(QString::fromStdString(second.string())),
                   QUrl::fromLocalFile(QString::fromStdString(second.string()))});
    window->show();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    delete mime;
    EXPECT_FALSE(name->handled()) << "the drop ends before the editor opens, so its source is not held";
    ASSERT_TRUE(waitUntil([&] { return name->handled(); }));
    EXPECT_EQ(proposal, ".summer");
    QCoreApplication::processEvents();  // another intake the drop queued would run here
    EXPECT_EQ(readAlbum("Ann")->count, 1) << "one photo for three files, once";
}

TEST_F(Intake, UnreadableFilesAndAFullAlbumAreRefusedWithAMessage)
{
    const fs::path junk = dir / "notes.jpg";
    writeFile(junk, "this is not a picture");
    intake->addDroppedFile({QString::fromStdString(junk.string())});
    ASSERT_EQ(boxes.recorded.shown().size(), 1u);
    EXPECT_EQ(boxes.recorded.shown()[0].text, "There was an error reading the picture file.");
    EXPECT_EQ(boxes.recorded.shown()[0].caption, "Add Photo");
    EXPECT_EQ(boxes.recorded.shown()[0].style, MsgStyle::Exclamation);
    EXPECT_EQ(window->album().count, 0);

    window->album().count = kMaxRecords;
    const fs::path jpeg = dir / "fine.jpg";
    writeJpeg(jpeg, 50, 50);
    intake->addDroppedFile({QString::fromStdString(jpeg.string())});
    ASSERT_EQ(boxes.recorded.shown().size(), 2u);
    EXPECT_NE(boxes.recorded.shown()[1].text.find("album is full"), std::string::npos);
    EXPECT_NE(boxes.recorded.shown()[1].text.find("Removed photos still count"), std::string::npos);
    window->album().count = 0;
}

TEST_F(Intake, CancelledEditorAddsNothing)
{
    const fs::path jpeg = dir / "x.jpg";
    writeJpeg(jpeg, 100, 100);
    boxes.recorded.script({MsgAnswer::Yes});
    ModalHandler cancel([](QWidget* w) { clickButton(w, "Cancel"); }, 8000, "129");
    intake->addDroppedFile({QString::fromStdString(jpeg.string())});
    ASSERT_TRUE(cancel.handled());
    EXPECT_EQ(window->album().count, 0);
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "p0.bmp"));
}

}  // namespace
