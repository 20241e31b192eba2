#include "AppTestSupport.h"

#include "ModalHelper.h"

#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace hf::test {

bool sendReloadOverTheBus()
{
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.quillmere.Handfolio"), QStringLiteral("/org/quillmere/Handfolio"),
                QStringLiteral("org.quillmere.Handfolio.Reload")});
    const bool ended = waitUntil([&] { return send.state() == QProcess::NotRunning; });
    return ended && send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0;
}

WindowFixture::WindowFixture()
{
    writeFile(dir / "users.ini",
              "[Users]\nCount=2\nUser0=Bob\nFolder0=bob\nUser1=Ann\nFolder1=ann\n[Creators]\nWz4k=Handfolio\n");
    fs::create_directories(dir / "ann");
    fs::create_directories(dir / "bob");
    desktop = std::make_unique<FileHandheldDesktop>(dir.path());
}

WindowFixture::~WindowFixture() = default;

fs::path WindowFixture::folderOf(const std::string& user) const
{
    return dir / (user == "Ann" ? "ann" : "bob") / "Handfolio";
}

void WindowFixture::writePicture(const fs::path& file, QColor colour)
{
    QImage image(160, 160, QImage::Format_Indexed8);
    image.setColorCount(2);
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, colour.rgb());
    image.fill(1);
    image.save(QString::fromStdString(file.string()), "BMP");
}

void WindowFixture::writeAlbum(const std::string& user, const std::vector<std::string>& names,
                               const std::vector<int>& categories,
                               const std::vector<std::string>& extraCategories) const
{
    const fs::path folder = folderOf(user);
    fs::create_directories(folder);
    auto album = std::make_unique<Album>();
    for (std::size_t i = 0; i < extraCategories.size(); ++i)
        copyField(album->header.categoryNames[3 + i], extraCategories[i]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const fs::path picture = folder / ("p" + std::to_string(i) + ".bmp");
        writePicture(picture, QColor::fromHsv(static_cast<int>(i * 40 % 360), 200, 220));
        album->appendRecord(names[i], picture, 3, i < categories.size() ? categories[i] : 0, user);
    }
    RecordingMessageBoxes quiet;
    ASSERT_TRUE(album->saveAlbum(folder, quiet));
}

std::unique_ptr<Album> WindowFixture::readAlbum(const std::string& user) const
{
    auto album = std::make_unique<Album>();
    RecordingMessageBoxes quiet;
    album->loadAlbum(folderOf(user), quiet);
    return album;
}

AlbumWindow& WindowFixture::open()
{
    window = std::make_unique<AlbumWindow>(AlbumServices{profile, boxes, *desktop,
                                                         std::make_unique<FakeAutoPlay>(autoPlayValue),
                                                         [this](QWidget*) { log.emplace_back("splash"); }, false});
    window->initialise();
    return *window;
}

QStringList WindowFixture::rows() const
{
    QStringList out;
    for (int i = 0; i < list()->count(); ++i)
        out << list()->item(i)->text();
    return out;
}

QColor WindowFixture::previewAt(int x, int y) const
{
    const QLabel* pane = child<QLabel>("1006");
    return pane->pixmap().toImage().pixelColor(x, y);
}

}  // namespace hf::test
