#include "PhotoIntake.h"

#include "ImageIO.h"
#include "NameRules.h"
#include "PhotoSourceHost.h"
#include "QtText.h"
#include "UserSession.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardPaths>
#include <QTreeView>

namespace hf {
namespace {

constexpr const char* kAddPhoto = "Add Photo";
constexpr const char* kPhotoFolderValue = "PhotoFolder";

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
        // Entering a folder reports it, or an empty name, as the current
        // file; a reader on either only complains on stderr.
        if (!QFileInfo(path).isFile()) {
            clear();
            return;
        }
        // Read as the photo itself will be: a FIFO never blocks the dialog,
        // and phone formats show too.
        const QImage image = previewOf(toUtf8(path), size() - QSize(4, 4));
        if (image.isNull())
            setText(QStringLiteral("No preview"));
        else
            setPixmap(QPixmap::fromImage(image));
    }
};

// Widens the Size, Type and Date columns to their contents and gives the
// name the rest, so that nothing is cut at the dialog's size.
void fitColumns(QTreeView* tree)
{
    const QAbstractItemView* view = tree;
    QHeaderView* header = tree->header();
    int others = 0;
    for (int column = 1; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        header->resizeSection(column, std::max(header->sectionSizeHint(column), view->sizeHintForColumn(column)));
        others += header->sectionSize(column);
    }
    const int name = std::max(header->sectionSizeHint(0), tree->viewport()->width() - others);
    header->resizeSection(0, std::max(name, std::min(view->sizeHintForColumn(0), tree->viewport()->width() / 2)));
}

}  // namespace

PhotoIntake::PhotoIntake(PhotoSourceHost& host)
    : chooseFile([this](QWidget* owner) { return choosePictureFile(owner, photoStartFolder(host_.profile())); }),
      host_(host)
{
}

QString imageFileFilter(const QStringList& extraSuffixes)
{
    QStringList patterns = readablePictureNamePatterns();
    for (const QString& suffix : extraSuffixes)
        patterns << QStringLiteral("*.") + suffix.toLower();
    patterns.removeDuplicates();
    return QStringLiteral("Image files (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

QString photoStartFolder(const Profile& profile)
{
    QString remembered = toQString(profile.getString(kPrefsSection, kPhotoFolderValue, ""));
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

void rememberPhotoFolder(Profile& profile, const QString& photoFile)
{
    profile.setString(kPrefsSection, kPhotoFolderValue, toUtf8(QFileInfo(photoFile).absolutePath()));
}

QString choosePictureFile(QWidget* owner, const QString& startFolder)
{
    QFileDialog dialog(owner, QStringLiteral("Add Photo"), startFolder);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The filter's long list of suffixes would crowd out its name.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setViewMode(QFileDialog::Detail);
    // Readers outside Qt add their suffixes here.
    dialog.setNameFilter(imageFileFilter());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* preview = new FilePreview(&dialog);
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &FilePreview::showFile);
    }
    const QFontMetrics metrics(dialog.font());
    dialog.resize(dialog.sizeHint().expandedTo(QSize(metrics.averageCharWidth() * 130, metrics.height() * 28)));
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        if (auto* model = dialog.findChild<QFileSystemModel*>())
            QObject::connect(model, &QFileSystemModel::directoryLoaded, tree, [tree] { fitColumns(tree); });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void PhotoIntake::addPhotoFromFile()
{
    if (host_.refuseWhenFull())
        return;
    const QString path = chooseFile(host_.owner());
    if (path.isEmpty())
        return;
    if (loadAndEdit(path, utf8ToCp1252(proposedNameForChosenFile(toUtf8(path)))))
        rememberPhotoFolder(host_.profile(), path);
}

void PhotoIntake::addDroppedFile(const QStringList& paths)
{
    if (paths.isEmpty() || host_.refuseWhenFull())
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
        host_.boxes().show("There was an error reading the picture file.", kAddPhoto, MsgStyle::Exclamation);
        return false;
    }
    return editNewPhoto(host_, std::move(picture), proposedName);
}

}  // namespace hf
