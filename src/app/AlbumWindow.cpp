#include "AlbumWindow.h"

#include "AboutBox.h"
#include "DialogUnits.h"
#include "ProgramIcon.h"
#include "HelpWindow.h"
#include "PreviewImage.h"
#include "QtText.h"
#include "ReloadService.h"
#include "SplashWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace fs = std::filesystem;

namespace hf {
namespace {

constexpr const char* kAll = "All";

QPushButton* makeButton(QWidget* parent, const DialogUnits& du, const char* id, const char* text, QRect units)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(id));
    b->setGeometry(du.rect(units.x(), units.y(), units.width(), units.height()));
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const DialogUnits& du, const char* text, QRect units, const char* id = nullptr)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setTextFormat(Qt::PlainText);
    if (id)
        l->setObjectName(QString::fromLatin1(id));
    l->setGeometry(du.rect(units.x(), units.y(), units.width(), units.height()));
    return l;
}

QFrame* makeLine(QWidget* parent, const DialogUnits& du, QRect units)
{
    auto* f = new QFrame(parent);
    f->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    f->setGeometry(du.rect(units.x(), units.y(), units.width(), units.height()));
    return f;
}

}  // namespace

AlbumWindow::AlbumWindow(AlbumServices services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      album_(std::make_unique<Album>()),
      session_(services_.desktop, services_.profile, services_.boxes, *album_),
      autoPlay_(std::move(services_.autoPlay), services_.profile)
{
    setObjectName(QStringLiteral("102"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(DialogUnits::dialogFont());
    buildMenu();
    buildControls();
}

AlbumWindow::~AlbumWindow()
{
    removeOnlineTemporaryFiles();
    autoPlay_.restore();
    if (help_)
        help_->close();
    delete help_.data();
}

void AlbumWindow::buildMenu()
{
    menuBar_ = new QMenuBar(this);
    menuBar_->setNativeMenuBar(false);
    const auto add = [this](QMenu* menu, const char* text, int id, auto slot) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QString::number(id));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    addAction_ = add(file, "&Add Photo from File ...", 32780, [this] { emit addPhotoRequested(); });
    add(file, "&Paste from Clipboard", 32779, [this] { emit pasteRequested(); });
    add(file, "&Get Photo from Scanner or Camera ...", 32773, [this] { emit scanRequested(); });
    add(file, "&Capture Photo from the Screen ...", 32774, [this] { emit captureRequested(); });
    file->addSeparator();
    add(file, "Download from &Kodak PhotoNet online ...", 32784, [this] { emit downloadRequested(); });
    file->addSeparator();
    add(file, "E&xit", 32776, [this] { exitProgram(); });

    QMenu* albumMenu = menuBar_->addMenu(QStringLiteral("&Album"));
    removeAction_ = add(albumMenu, "&Remove Photo", 32777, [this] { removePhoto(); });
    add(albumMenu, "Picture Details ...", 32778, [this] { showDetails(); });
    albumMenu->addSeparator();
    add(albumMenu, "Move Photo &Up the List", 32782, [this] { movePhotoUp(); });
    add(albumMenu, "Move Photo &Down the List", 32783, [this] { movePhotoDown(); });

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    add(help, "&Help", 57670, [this] { showHelp(); });
    help->addSeparator();
    add(help, "&About Handfolio ...", 32772, [this] { showAbout(); });
}

void AlbumWindow::buildControls()
{
    const DialogUnits du(font());
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(du.x(425), du.y(228));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);

    addButton_ = makeButton(client_, du, "1000", "&Add Photo ...", {7, 53, 62, 14});
    removeButton_ = makeButton(client_, du, "1001", "Remove Photo", {7, 75, 61, 14});
    upButton_ = makeButton(client_, du, "1003", "Move Photo &Up List", {7, 100, 87, 14});
    downButton_ = makeButton(client_, du, "1004", "Move Photo &Down List", {7, 118, 87, 14});
    detailsButton_ = makeButton(client_, du, "1024", "Details ...", {7, 143, 50, 14});
    QPushButton* helpButton = makeButton(client_, du, "57670", "&Help", {7, 167, 50, 14});
    QPushButton* exitButton = makeButton(client_, du, "1", "Exit", {7, 185, 50, 14});
    exitButton->setDefault(true);
    exitButton->setAutoDefault(true);
    for (QPushButton* b : {removeButton_, upButton_, downButton_, detailsButton_})
        b->setEnabled(false);
    connect(addButton_, &QPushButton::clicked, this, [this] { emit addPhotoRequested(); });
    connect(removeButton_, &QPushButton::clicked, this, [this] { removePhoto(); });
    connect(upButton_, &QPushButton::clicked, this, [this] { movePhotoUp(); });
    connect(downButton_, &QPushButton::clicked, this, [this] { movePhotoDown(); });
    connect(detailsButton_, &QPushButton::clicked, this, [this] { showDetails(); });
    connect(helpButton, &QPushButton::clicked, this, [this] { showHelp(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { exitProgram(); });

    auto* emblem = new QLabel(client_);
    emblem->setObjectName(QStringLiteral("emblem"));
    emblem->setGeometry(du.rect(8, 26, 67, 20));
    emblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    emblem->setPixmap(QPixmap(QStringLiteral(":/images/emblem.png")));

    makeLabel(client_, du, "User", {8, 10, 16, 8});
    userBox_ = new QComboBox(client_);
    userBox_->setObjectName(QStringLiteral("1021"));
    const QRect userRect = du.rect(29, 8, 72, 60);
    userBox_->setGeometry(userRect.x(), userRect.y(), userRect.width(), userBox_->sizeHint().height());
    connect(userBox_, &QComboBox::activated, this, [this](int index) { switchUser(index); });

    makeLabel(client_, du, "Category", {118, 8, 29, 8});
    filterBox_ = new QComboBox(client_);
    filterBox_->setObjectName(QStringLiteral("1020"));
    const QRect filterRect = du.rect(160, 6, 75, 56);
    filterBox_->setGeometry(filterRect.x(), filterRect.y(), filterRect.width(), filterBox_->sizeHint().height());
    connect(filterBox_, &QComboBox::activated, this, [this] { categoryChanged(); });

    list_ = new QListWidget(client_);
    list_->setObjectName(QStringLiteral("1005"));
    list_->setGeometry(du.rect(119, 24, 118, 196));
    list_->setViewMode(QListView::ListMode);
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (filling_ || list_->selectedItems().isEmpty())
            return;
        refreshPreview();
        updateCommands();
    });

    makeLine(client_, du, {107, 2, 2, 223});
    makeLine(client_, du, {246, 2, 2, 223});

    preview_ = new QLabel(client_);
    preview_->setObjectName(QStringLiteral("1006"));
    preview_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setGeometry(du.rect(257, 6, 159, 161));

    auto* box = new QFrame(client_);
    box->setFrameStyle(QFrame::Box | QFrame::Sunken);
    box->setGeometry(du.rect(258, 173, 157, 47));
    box->lower();
    makeLabel(client_, du, "Photo:", {266, 180, 22, 8});
    nameLabel_ = makeLabel(client_, du, "", {302, 180, 72, 8}, "1030");
    makeLabel(client_, du, "Category:", {266, 192, 31, 8});
    categoryLabel_ = makeLabel(client_, du, "", {302, 192, 72, 8}, "1028");
    makeLabel(client_, du, "Private:", {266, 204, 25, 8});
    privateLabel_ = makeLabel(client_, du, "", {302, 204, 27, 8}, "1029");

    setWindowIcon(programIcon());
}

void AlbumWindow::initialise()
{
    autoPlay_.suppress();
    session_.readRememberedUser();
    fillUserList();
    session_.findProgramFolder();
    session_.loadAlbum();
    album_->repairCategories();
    fillCategoryFilter();
    fillPhotoList();
    updateCommands();
    firstPaint_ = true;

    if (services_.reloadService) {
        reload_ = new ReloadService(this);
        connect(reload_, &ReloadService::reloadRequested, this, [this] { reloadAlbum(); });
        reload_->registerOnSessionBus();
    }

    if (services_.splash) {
        services_.splash(this);
    } else {
        SplashWindow splash(this);
        splash.exec();
    }

    setAcceptDrops(true);
    dropsAccepted_ = true;
}

void AlbumWindow::fillUserList()
{
    session_.fillUserList();
    userBox_->clear();
    for (const std::string& name : session_.users().items())
        userBox_->addItem(toQString(name));
    userBox_->setCurrentIndex(session_.currentIndex());
}

std::string AlbumWindow::filterText() const
{
    return toCp1252(filterBox_->currentText());
}

void AlbumWindow::fillCategoryFilter()
{
    filterEntries_.clear();
    filterEntries_.add(kAll);
    for (int slot = 0; slot < kCategorySlots; ++slot) {
        const std::string_view name = album_->categoryName(slot);
        if (!name.empty())
            filterEntries_.add(cp1252ToUtf8(name));
    }
    filterBox_->clear();
    for (const std::string& e : filterEntries_.items())
        filterBox_->addItem(toQString(e));
    filterBox_->setCurrentIndex(filterEntries_.findPrefix(kAll));
}

void AlbumWindow::fillPhotoList()
{
    filling_ = true;
    list_->clear();
    const std::string filter = filterText();
    const bool all = filter == kAll;
    const std::optional<int> slot = album_->findCategory(filter);
    for (int i = 0; i < album_->count; ++i) {
        const PhotoRecord& r = album_->records[static_cast<std::size_t>(i)];
        if (r.deleted != 0 || !(all || (slot && r.category == *slot)))
            continue;
        auto* item = new QListWidgetItem(fromCp1252(fieldText(r.pictureName)));
        item->setData(Qt::UserRole, i);
        list_->addItem(item);
    }
    filling_ = false;
    if (list_->count() > 0)
        selectRow(0);
    else
        refreshPreview();
    updateCommands();
}

void AlbumWindow::selectRow(int row)
{
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int AlbumWindow::currentRow()
{
    if (list_->count() == 0)
        return -1;
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        selectRow(0);
        return 0;
    }
    return list_->row(selected.front());
}

int AlbumWindow::rowOfRecord(int record) const
{
    for (int row = 0; row < list_->count(); ++row) {
        if (list_->item(row)->data(Qt::UserRole).toInt() == record)
            return row;
    }
    return -1;
}

void AlbumWindow::refillKeepingSelection()
{
    const int row = currentRow();
    const int record = row >= 0 ? list_->item(row)->data(Qt::UserRole).toInt() : -1;
    fillPhotoList();
    if (const int again = rowOfRecord(record); again >= 0)
        selectRow(again);
}

void AlbumWindow::showEmptyState(const QString& text)
{
    emptyStateText_ = text;
    preview_->setPixmap(QPixmap::fromImage(emptyStateImage(preview_->contentsRect().size(), text, preview_->font())));
}

void AlbumWindow::refreshPreview()
{
    const int row = currentRow();
    if (row < 0) {
        showEmptyState(album_->count > 0 ? QStringLiteral("This category has no photos")
                                         : QStringLiteral("Click 'Add Photo'"));
        return;
    }
    const int record = list_->item(row)->data(Qt::UserRole).toInt();
    const fs::path path = recordPath(album_->records[static_cast<std::size_t>(record)]);
    if (!pictureExists(path)) {
        showEmptyState(QStringLiteral("Missing Picture"));
        return;
    }
    emptyStateText_.clear();
    preview_->setPixmap(QPixmap::fromImage(previewImage(path, preview_->contentsRect().size())));
}

void AlbumWindow::updateCommands()
{
    const int rows = list_->count();
    if (rows == 0) {
        for (QPushButton* b : {removeButton_, upButton_, downButton_, detailsButton_})
            b->setEnabled(false);
        canRemove_ = false;
    } else {
        removeButton_->setEnabled(true);
        detailsButton_->setEnabled(true);
        canRemove_ = true;
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        if (selected.isEmpty()) {
            upButton_->setEnabled(false);
            downButton_->setEnabled(false);
            return;
        }
        const int row = list_->row(selected.front());
        upButton_->setEnabled(row != 0);
        downButton_->setEnabled(row != rows - 1);
    }

    canAdd_ = !album_->isFull();
    addButton_->setEnabled(canAdd_);
    addAction_->setEnabled(canAdd_);
    removeAction_->setEnabled(canRemove_);

    const int row = currentRow();
    if (row < 0) {
        nameLabel_->clear();
        categoryLabel_->clear();
        privateLabel_->clear();
        return;
    }
    const PhotoRecord& r = album_->records[static_cast<std::size_t>(list_->item(row)->data(Qt::UserRole).toInt())];
    nameLabel_->setText(fromCp1252(fieldText(r.pictureName)));
    categoryLabel_->setText(fromCp1252(album_->categoryName(r.category)));
    privateLabel_->setText(r.privateFlag != 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void AlbumWindow::removePhoto()
{
    const int row = currentRow();
    if (row < 0) {
        boxes().show("You must first select a photo from the list.", "Remove Photo", MsgStyle::Ok);
        return;
    }
    const int record = list_->item(row)->data(Qt::UserRole).toInt();
    const std::string name = cp1252ToUtf8(fieldText(album_->records[static_cast<std::size_t>(record)].pictureName));
    if (boxes().show("Really remove " + name + " from the album?", "Remove Photo", MsgStyle::YesNo) != MsgAnswer::Yes)
        return;

    album_->removeRecord(record, programFolder());
    filling_ = true;
    delete list_->takeItem(row);
    filling_ = false;
    if (list_->count() == 0) {
        preview_->clear();
        refreshPreview();
    } else {
        selectRow(row > 0 ? row - 1 : 0);
        list_->setFocus();
    }
    session_.saveAlbum();
    updateCommands();
}

void AlbumWindow::moveRow(int step)
{
    const int r = currentRow();
    const int other = r + step;
    if (r < 0 || other < 0 || other >= list_->count())
        return;
    QListWidgetItem* here = list_->item(r);
    QListWidgetItem* there = list_->item(other);
    const int a = here->data(Qt::UserRole).toInt();
    const int b = there->data(Qt::UserRole).toInt();
    // Each place in the list keeps its record index; the names change places
    // and the records' contents follow them.
    const QString text = here->text();
    here->setText(there->text());
    there->setText(text);
    album_->exchangeRecords(a, b);
    session_.saveAlbum();
    list_->setFocus();
    selectRow(other);
    updateCommands();
}

void AlbumWindow::movePhotoDown()
{
    moveRow(1);
}

void AlbumWindow::movePhotoUp()
{
    moveRow(-1);
}

void AlbumWindow::categoryChanged()
{
    fillPhotoList();
    if (list_->count() > 0)
        selectRow(0);
    list_->setFocus();
}

void AlbumWindow::switchUser(int index)
{
    session_.switchUser(index);
    userBox_->setCurrentIndex(session_.currentIndex());
    fillCategoryFilter();
    fillPhotoList();
    updateCommands();
}

void AlbumWindow::reloadAlbum()
{
    session_.loadAlbum();
    fillUserList();
    album_->repairCategories();
    fillCategoryFilter();
    fillPhotoList();
    updateCommands();
}

void AlbumWindow::exitProgram()
{
    session_.saveAlbum();
    done(QDialog::Accepted);
}

void AlbumWindow::showHelp()
{
    if (!help_)
        help_ = new HelpWindow(nullptr);
    help_->showManual();
}

void AlbumWindow::showAbout()
{
    AboutBox about(this);
    about.exec();
}

void AlbumWindow::intakeStep(const std::string& pictureName, const fs::path& picturePath, int colourMode)
{
    const std::string filter = filterText();
    const int category = filter == kAll ? 0 : album_->findCategory(filter).value_or(0);
    const std::string user = utf8ToCp1252(session_.currentUser());
    switch (album_->appendRecord(pictureName, picturePath, colourMode, category, user)) {
    case Album::AppendResult::Appended:
        break;
    case Album::AppendResult::Full:
        boxes().show("The album is full: it holds 1000 photos, and removed photos still count until the handheld "
                     "has been synchronised.",
                     "Add Photo", MsgStyle::Exclamation);
        return;
    case Album::AppendResult::PathTooLong:
        boxes().show("The picture file's path is too long for the album: " + picturePath.string(), "Add Photo",
                     MsgStyle::Exclamation);
        return;
    }
    session_.saveAlbum();
    fillPhotoList();
    list_->setFocus();
    if (const int row = rowOfRecord(album_->count - 1); row >= 0)
        selectRow(row);
    updateCommands();
}

void AlbumWindow::removeOnlineTemporaryFiles()
{
    // The online photo store leaves no temporary files yet.
}

void AlbumWindow::closeEvent(QCloseEvent* event)
{
    session_.saveAlbum();
    session_.rememberUser();
    QDialog::closeEvent(event);
}

void AlbumWindow::paintEvent(QPaintEvent* event)
{
    if (firstPaint_) {
        firstPaint_ = false;
        refreshPreview();
        updateCommands();
        if (list_->count() > 0)
            list_->setFocus();
    }
    QDialog::paintEvent(event);
}

bool AlbumWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removePhoto();
        return true;
    }
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        showDetails();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AlbumWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (dropsAccepted_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void AlbumWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}

}  // namespace hf
