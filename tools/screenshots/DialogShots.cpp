#include "DialogShots.h"

#include "ImageIO.h"
#include "PhotoIntake.h"
#include "PictureEditorDlg.h"
#include "Profile.h"
#include "RecordingMessageBoxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace shots {
namespace {

void settle()
{
    for (int i = 0; i < 30; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

bool save(QWidget* widget, const QString& file)
{
    settle();
    if (!widget->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

bool editorAtDpi(int dpi, const QString& file, const QStringList& photoArgument)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_FONT_DPI"), QString::number(dpi));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QString::fromLatin1(kEditorOnly), file} + photoArgument);
    return child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

bool editorShot(const hf::LBitmap& photo, const QString& file)
{
    QTemporaryDir folder;
    hf::MemoryProfile profile;
    hf::RecordingMessageBoxes boxes;
    char model[40] = "Palm IIIc";
    hf::CPictureEditorDlg editor(profile, boxes, folder.path().toStdString());
    editor.sourcePicture() = photo;
    editor.setPictureName("Lake at dusk");
    editor.setModelBuffer(model);
    editor.initialise();
    editor.show();
    return save(&editor, file);
}

bool fileDialogShot(const hf::LBitmap& photo, const QString& file)
{
    QTemporaryDir root;
    const QString folder = root.path() + QStringLiteral("/Holiday 2001");
    QDir().mkpath(folder + QStringLiteral("/Scans"));
    const QImage full = hf::toQImage(photo);
    const struct {
        const char* name = nullptr;
        QRect part;
    } photos[] = {{"Lake at dusk.jpg", full.rect()},
                  {"Mountains.jpg", QRect(0, 0, full.width() / 2, full.height() / 2)},
                  {"Shore.png", QRect(full.width() / 3, full.height() / 2, full.width() / 2, full.height() / 2)},
                  {"Sky.tif", QRect(0, 0, full.width(), full.height() / 3)}};
    for (const auto& p : photos)
        full.copy(p.part).save(folder + QLatin1Char('/') + QString::fromUtf8(p.name));

    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // The folder is read in the background; choose a photo once it is listed.
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        for (int i = 0; i < 300 && tree && tree->model()->rowCount(tree->rootIndex()) < 5; ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        if (tree) {
            const QModelIndexList found = tree->model()->match(tree->model()->index(0, 0, tree->rootIndex()),
                                                               Qt::DisplayRole, QStringLiteral("Lake at dusk.jpg"));
            if (!found.isEmpty())
                tree->setCurrentIndex(found.front());
        }
        saved = save(dialog, file);
        dialog->reject();
    });
    hf::choosePictureFile(nullptr, folder);
    return saved;
}

}  // namespace shots
