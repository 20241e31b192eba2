#include "PhotoIntake.h"

#include "AlbumWindow.h"
#include "ImageIO.h"
#include "NameRules.h"
#include "PictureEditorDlg.h"
#include "QtText.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>

namespace hf {
namespace {

constexpr const char* kAddPhoto = "Add Photo";

// The chosen file's picture, small, beside the file dialog's list.
class FilePreview final : public QLabel {
public:
    explicit FilePreview(QWidget* parent) : QLabel(parent)
    {
        setObjectName(QStringLiteral("preview"));
        setFixedSize(180, 180);
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
    void showFile(const QString& path)
    {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() && full.width() > 0 && full.height() > 0)
            reader.setScaledSize(full.scaled(width() - 4, height() - 4, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (image.isNull())
            setText(QStringLiteral("No preview"));
        else
            setPixmap(QPixmap::fromImage(image));
    }
};

}  // namespace

PhotoIntake::PhotoIntake(AlbumWindow& window) : QObject(&window), chooseFile(choosePictureFile), window_(window)
{
    connect(&window, &AlbumWindow::addPhotoRequested, this, &PhotoIntake::addPhotoFromFile);
    connect(&window, &AlbumWindow::filesDropped, this, &PhotoIntake::addDroppedFile);
}

QString PhotoIntake::imageFileFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    patterns.removeDuplicates();
    return QStringLiteral("Image files (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

QString choosePictureFile(QWidget* owner)
{
    QFileDialog dialog(owner, QStringLiteral("Add Photo"));
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(PhotoIntake::imageFileFilter());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* preview = new FilePreview(&dialog);
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &FilePreview::showFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

bool PhotoIntake::refuseWhenFull()
{
    if (!window_.album().isFull())
        return false;
    window_.boxes().show(kAlbumFullMessage, kAddPhoto, MsgStyle::Exclamation);
    return true;
}

void PhotoIntake::addPhotoFromFile()
{
    if (refuseWhenFull())
        return;
    const QString path = chooseFile(&window_);
    if (path.isEmpty())
        return;
    loadAndEdit(path, utf8ToCp1252(proposedNameForChosenFile(toUtf8(path))));
}

void PhotoIntake::addDroppedFile(const QStringList& paths)
{
    if (paths.isEmpty() || refuseWhenFull())
        return;
    const QString& path = paths.front();
    loadAndEdit(path, utf8ToCp1252(proposedNameForDroppedFile(toUtf8(path))));
}

bool PhotoIntake::loadAndEdit(const QString& path, const std::string& proposedName)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LBitmap picture = loadBitmap(toUtf8(path));
    QApplication::restoreOverrideCursor();
    if (!picture.IsAllocated()) {
        window_.boxes().show("There was an error reading the picture file.", kAddPhoto, MsgStyle::Exclamation);
        return false;
    }
    return runEditor(std::move(picture), proposedName);
}

bool PhotoIntake::runEditor(LBitmap source, const std::string& proposedName)
{
    CPictureEditorDlg editor(window_.profile(), window_.boxes(), window_.programFolder(), &window_);
    editor.sourcePicture() = std::move(source);
    editor.setPictureName(proposedName);
    editor.setModelBuffer(window_.album().header.lastModel);
    if (editor.exec() != QDialog::Accepted)
        return false;
    window_.intakeStep(editor.pictureName(), editor.pictureFilePath(), editor.colourMode());
    return true;
}

}  // namespace hf
