// Paste from Clipboard with what other programs really put on the X11
// clipboard, offered by a second process.
#include "AppTestSupport.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PasteCommand.h"
#include "PictureEditorDlg.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

const QColor kBlue(40, 110, 200);

struct Offer {
    const char* name;
    const char* type;  // the clipboard target xclip offers
    enum class Content { Png, PngFileUri, TwoFileUris, JunkFileUri, Text, JunkPng } content;
    // What the user then meets: the editor, or a message.
    const char* message;
    // The picture offered. 7000 x 5000 is more than Qt's readers take by
    // default, and within the limit every source shares from the start.
    QSize size = {64, 48};
};

void PrintTo(const Offer& o, std::ostream* os)
{
    *os << o.name;
}

class Paste : public ::testing::TestWithParam<Offer>, public WindowFixture {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: the suite runs these under Xvfb";
        open();
        new PasteCommand(window->sourceHost());
    }
    void TearDown() override
    {
        if (xclip.state() != QProcess::NotRunning) {
            xclip.kill();
            xclip.waitForFinished();
        }
    }

    // Another program takes the clipboard and offers bytes under a type.
    void offer(const char* type, const std::string& bytes)
    {
        const fs::path file = dir / "offered";
        writeFile(file, bytes);
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-t"), QString::fromLatin1(type), QStringLiteral("-i"),
                     QString::fromStdString(file.string())});
        ASSERT_TRUE(xclip.waitForStarted());
        ASSERT_TRUE(waitUntil([&] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            return data && data->formats().contains(QString::fromLatin1(type));
        })) << "xclip did not take the clipboard";
    }

    std::string pngBytes(const fs::path& file, QSize size) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(kBlue);
        QPainter(&image).fillRect(0, 0, 16, 16, Qt::white);
        image.save(QString::fromStdString(file.string()), "PNG");
        return readFile(file);
    }

    QProcess xclip;
};

TEST_P(Paste, ImagesOpenTheEditorAndEverythingElseIsTold)
{
    const Offer o = GetParam();
    const fs::path photo = dir / "photo.png";
    const std::string png = pngBytes(photo, o.size);
    writeFile(dir / "junk.jpg", "not a picture");
    const std::string uri = QUrl::fromLocalFile(QString::fromStdString(photo.string())).toString().toStdString();
    switch (o.content) {
    case Offer::Content::Png:
        offer(o.type, png);
        break;
    case Offer::Content::PngFileUri:
        offer(o.type, uri + "\r\n");
        break;
    case Offer::Content::TwoFileUris:
        offer(o.type, uri + "\r\n" + uri + "\r\n");
        break;
    case Offer::Content::JunkFileUri:
        offer(o.type,
              QUrl::fromLocalFile(QString::fromStdString((dir / "junk.jpg").string())).toString().toStdString());
        break;
    case Offer::Content::Text:
        offer(o.type, "just some words");
        break;
    case Offer::Content::JunkPng:
        offer(o.type, "\x89PNG\r\n\x1a\n and then nothing");
        break;
    }

    QSize sourceSize;
    QColor sourceColour;
    QString proposal;
    ModalHandler editor(
        [&](QWidget* w) {
            auto* dlg = static_cast<CPictureEditorDlg*>(w);
            const QImage source = toQImage(dlg->sourcePicture());
            sourceSize = source.size();
            sourceColour = source.pixelColor(40, 30);
            clickButton(w, "&Save");
        },
        3000, "129");
    ModalHandler name(
        [&](QWidget* w) {
            proposal = w->findChild<QLineEdit*>("1013")->text();
            clickButton(w, "OK");
        },
        3000, "131");
    window->findChild<QAction*>("32779")->trigger();

    const auto& shown = boxes.recorded.shown();
    if (o.message) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, o.message);
        EXPECT_EQ(shown[0].caption, "Copy from Clipboard");
        EXPECT_EQ(shown[0].style, MsgStyle::Exclamation);
        EXPECT_FALSE(editor.handled());
        EXPECT_EQ(window->album().count, 0);
        return;
    }
    EXPECT_TRUE(shown.empty());
    ASSERT_TRUE(editor.handled());
    EXPECT_EQ(sourceSize, o.size);
    EXPECT_EQ(sourceColour, kBlue);
    EXPECT_EQ(proposal, "New Picture");
    ASSERT_EQ(window->album().count, 1);
    EXPECT_EQ(fieldText(readAlbum("Ann")->records[0].pictureName), "New Picture");
}

INSTANTIATE_TEST_SUITE_P(
    Offers, Paste,
    ::testing::Values(Offer{"Png", "image/png", Offer::Content::Png, nullptr},
                      Offer{"LargePngInAFreshProgram", "image/png", Offer::Content::Png, nullptr, {7000, 5000}},
                      Offer{"CopiedFile", "text/uri-list", Offer::Content::PngFileUri, nullptr},
                      Offer{"TwoFiles", "text/uri-list", Offer::Content::TwoFileUris,
                            "You must first copy an image to the clipboard."},
                      Offer{"FileThatIsNoPicture", "text/uri-list", Offer::Content::JunkFileUri,
                            "You must first copy an image to the clipboard."},
                      Offer{"Text", "text/plain", Offer::Content::Text,
                            "You must first copy an image to the clipboard."},
                      Offer{"DamagedImage", "image/png", Offer::Content::JunkPng,
                            "There was an error copying the image from the clipboard."}),
    [](const ::testing::TestParamInfo<Offer>& info) { return std::string(info.param.name); });

}  // namespace
