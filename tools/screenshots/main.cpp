// Renders the pictures of the Album window and the picture editor that the
// README shows. Run under a display (or Xvfb):
//   handfolio_screenshots <output folder> [photo]
// It draws the editor at 72 and 96 dpi in runs of its own.
#include "AlbumWindow.h"
#include "DialogShots.h"
#include "FileHandheldDesktop.h"
#include "ImageIO.h"
#include "OnlineShots.h"
#include "PictureEditorDlg.h"
#include "RecordingMessageBoxes.h"
#include "Render.h"
#include "ScanShots.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

hf::LBitmap samplePhoto(const QString& path)
{
    if (!path.isEmpty())
        return hf::loadBitmap(path.toStdString());
    QImage image(1600, 1200, QImage::Format_RGB888);
    QPainter p(&image);
    QSvgRenderer svg(QStringLiteral(":/help-art/sample-photo.svg"));
    if (svg.isValid())
        svg.render(&p);
    return hf::fromQImage(image);
}

void save(QWidget* widget, const QString& file)
{
    settle();
    if (!widget->grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: handfolio_screenshots <output folder> [photo]\n");
        return 2;
    }
    const bool editorOnly = std::strcmp(argv[1], shots::kEditorOnly) == 0 && argc > 2;
    const int photoArg = editorOnly ? 3 : 2;
    const QStringList photoArgument =
        argc > photoArg ? QStringList{QString::fromLocal8Bit(argv[photoArg])} : QStringList();
    const hf::LBitmap photo = samplePhoto(photoArgument.value(0));
    if (!photo.IsAllocated()) {
        std::fprintf(stderr, "cannot read the photo\n");
        return 1;
    }
    if (editorOnly)
        return shots::editorShot(photo, QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir temp;
    const fs::path palm = temp.path().toStdString();
    std::ofstream(palm / "users.ini") << "[Users]\nCount=2\nUser0=Ann\nFolder0=ann\nUser1=Bob\nFolder1=bob\n"
                                         "[Creators]\nWz4k=Handfolio\n";
    const fs::path folder = palm / "ann" / "Handfolio";
    fs::create_directories(folder);

    // A small album whose pictures are real renders of the photo.
    hf::RecordingMessageBoxes boxes;
    {
        hf::Album album;
        const hf::SourceLayout layout = hf::layoutSourceView(photo, 240, 240);
        const struct {
            const char* name = nullptr;
            int mode = 0;
            hf::Rect frame;
        } shots[] = {
            {"Lake at dusk", 3, layout.firstFrame},
            {"Mountains", 2, {layout.bounds.left, layout.bounds.top, layout.bounds.right, layout.bounds.bottom}},
            {"Shore",
             1,
             {layout.firstFrame.left, layout.firstFrame.top + 20, layout.firstFrame.right - 40,
              layout.firstFrame.bottom}},
            {"Sky",
             3,
             {layout.firstFrame.left, layout.firstFrame.top, layout.firstFrame.right, layout.firstFrame.top + 60}}};
        int n = 0;
        for (const auto& shot : shots) {
            hf::Renderer renderer;
            renderer.render(photo, layout, shot.frame, shot.mode, 0, 240, 240);
            const fs::path file = folder / ("p" + std::to_string(n++) + ".bmp");
            renderer.handheldPicture().Save(file);
            album.appendRecord(shot.name, file, shot.mode, n == 2 ? 1 : 0, "Ann");
        }
        if (!album.saveAlbum(folder, boxes))
            std::fprintf(stderr, "could not write the album in %s\n", folder.c_str());
    }

    hf::MemoryProfile profile;
    hf::FileHandheldDesktop desktop(palm);
    hf::AlbumWindow window({profile, boxes, desktop, nullptr, [](QWidget*) {}, false});
    window.initialise();
    window.show();
    save(&window, out + QStringLiteral("/album-window.png"));
    window.resize(window.size() + QSize(260, 120));
    QCoreApplication::processEvents();
    save(&window, out + QStringLiteral("/album-window-large.png"));

    char model[40] = "Palm IIIc";
    hf::CPictureEditorDlg editor(profile, boxes, folder);
    editor.sourcePicture() = photo;
    editor.setPictureName("Lake at dusk");
    editor.setModelBuffer(model);
    editor.initialise();
    editor.show();
    const struct {
        const char* id;
        const char* file;
    } modes[] = {{"1017", "/editor-gray4.png"}, {"1016", "/editor-gray16.png"}, {"1018", "/editor-colour.png"}};
    for (const auto& m : modes) {
        editor.findChild<QRadioButton*>(m.id)->click();
        save(&editor, out + QString::fromLatin1(m.file));
    }
    editor.hide();

    bool ok = shots::fileDialogShot(photo, out + QStringLiteral("/file-dialog.png"));
    ok = shots::onlineShots(photo, out) && ok;
    ok = shots::scanSourceShot(out + QStringLiteral("/scan-source.png")) && ok;
    ok = shots::scanProgressShot(out + QStringLiteral("/scan-progress.png")) && ok;
    for (int dpi : {72, 96})
        ok = shots::editorAtDpi(dpi, out + QStringLiteral("/editor-%1dpi.png").arg(dpi), photoArgument) && ok;
    return ok ? 0 : 1;
}
