#include "AlbumWindow.h"

#include "DialogUnits.h"
#include "Emblem.h"
#include "PhotoIntake.h"
#include "PixelExactLabel.h"
#include "ProgramIcon.h"
#include "SourceHost.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QShortcutEvent>
#include <QVBoxLayout>

#include <algorithm>

// The Album window's controls and menu, laid out from its template in dialog
// units.
namespace hf {
namespace {

QPushButton* makeButton(QWidget* parent, const DialogUnits& du, const char* id, const char* text, QRect units)
{
    QPushButton* b = placeButton(parent, du, id, QString::fromUtf8(text), units);
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
    fileMenu_ = menuBar_->addMenu(QStringLiteral("&File"));
    addAction_ = add(fileMenu_, "&Add Photo from File ...", kAddPhotoCommand, [this] { intake_->addPhotoFromFile(); });
    sourceActions_ = {addAction_};
    // The photo sources add their commands here, before Exit.
    exitSeparator_ = fileMenu_->addSeparator();
    add(fileMenu_, "E&xit", 32776, [this] { exitProgram(); });

    QMenu* albumMenu = menuBar_->addMenu(QStringLiteral("&Album"));
    removeAction_ = add(albumMenu, "&Remove Photo", 32777, [this] { removePhoto(); });
    photoActions_ = {removeAction_, add(albumMenu, "Picture Details ...", 32778, [this] { showDetails(); })};
    albumMenu->addSeparator();
    photoActions_ << add(albumMenu, "Move Photo &Up the List", 32782, [this] { movePhotoUp(); })
                  << add(albumMenu, "Move Photo &Down the List", 32783, [this] { movePhotoDown(); });

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    add(help, "&Help", 57670, [this] { showHelp(); });
    help->addSeparator();
    add(help, "&About Handfolio ...", 32772, [this] { showAbout(); });
}

void AlbumWindow::addSourceCommand(SourceCommand command)
{
    if (command.separatorBefore)
        fileMenu_->insertSeparator(exitSeparator_);
    auto* action = new QAction(QString::fromUtf8(command.text), fileMenu_);
    action->setObjectName(QString::number(command.id));
    connect(action, &QAction::triggered, this, [run = std::move(command.run)] { run(); });
    fileMenu_->insertAction(exitSeparator_, action);
    sourceActions_ << action;
    action->setEnabled(controller_.sourceCommandEnabled(command.id));
}

QFrame* AlbumWindow::SourceHost::previewPane()
{
    return window_.preview_;
}

void AlbumWindow::buildControls()
{
    const DialogUnits du(font());
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    // The template's size is the smallest; a larger window gives the photo
    // list the room.
    client_->setMinimumSize(du.x(425), du.y(228));
    setMinimumSize(client_->minimumSize() + QSize(0, menuBar_->sizeHint().height()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_, 1);

    addButton_ = makeButton(client_, du, "1000", "&Add Photo ...", {7, 53, 62, 14});
    removeButton_ = makeButton(client_, du, "1001", "Remove Photo", {7, 75, 61, 14});
    upButton_ = makeButton(client_, du, "1003", "Move Photo &Up List", {7, 100, 87, 14});
    downButton_ = makeButton(client_, du, "1004", "Move Photo &Down List", {7, 118, 87, 14});
    detailsButton_ = makeButton(client_, du, "1024", "Details ...", {7, 143, 50, 14});
    helpButton_ = makeButton(client_, du, "57670", "&Help", {7, 167, 50, 14});
    QPushButton* exitButton = makeButton(client_, du, "1", "Exit", {7, 185, 50, 14});
    exitButton->setDefault(true);
    exitButton->setAutoDefault(true);
    for (QPushButton* b : {removeButton_, upButton_, downButton_, detailsButton_})
        b->setEnabled(false);
    connect(addButton_, &QPushButton::clicked, this, [this] { intake_->addPhotoFromFile(); });
    connect(removeButton_, &QPushButton::clicked, this, [this] { removePhoto(); });
    connect(upButton_, &QPushButton::clicked, this, [this] { movePhotoUp(); });
    connect(downButton_, &QPushButton::clicked, this, [this] { movePhotoDown(); });
    connect(detailsButton_, &QPushButton::clicked, this, [this] { showDetails(); });
    connect(helpButton_, &QPushButton::clicked, this, [this] { showHelp(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { exitProgram(); });

    (new Emblem(client_))->setGeometry(du.rect(8, 26, 67, 20));

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
    connect(filterBox_, &QComboBox::activated, this, [this](int index) { categoryChanged(index); });

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
    // Says why the list is empty when the user has no program folder.
    noFolderNote_ =
        new QLabel(QStringLiteral("No album: Handfolio has no folder for this handheld user."), list_->viewport());
    noFolderNote_->setObjectName(QStringLiteral("noFolderNote"));
    noFolderNote_->setWordWrap(true);
    noFolderNote_->setAlignment(Qt::AlignCenter);
    noFolderNote_->setGeometry(list_->viewport()->rect().adjusted(8, 8, -8, -8));
    noFolderNote_->hide();
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (filling_)
            return;
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        controller_.selectRow(selected.isEmpty() ? -1 : list_->row(selected.front()));
        showState();
    });

    leftLine_ = makeLine(client_, du, {107, 2, 2, 223});
    rightLine_ = makeLine(client_, du, {246, 2, 2, 223});

    preview_ = new PixelExactLabel(client_);
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

    for (QWidget* w : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        templateGeometry_.emplace_back(w, w->geometry());
    client_->installEventFilter(this);

    // "&Add Photo ..." and "&Help" share their letters with the "&Album" and
    // "&Help" menus. As in a dialog, the window's own buttons win the
    // clash; the menus stay reachable by Alt alone and by F10.
    for (QObject* o :
         {static_cast<QObject*>(addButton_), static_cast<QObject*>(helpButton_), static_cast<QObject*>(menuBar_)})
        o->installEventFilter(this);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [this] { showHelp(); });
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        if (!menuBar_->actions().isEmpty())
            menuBar_->setActiveAction(menuBar_->actions().front());
    });
}

void AlbumWindow::layoutClient()
{
    const QSize extra = client_->size() - client_->minimumSize();
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    const int rightColumn = templateRightColumn();
    for (const auto& [widget, rect] : templateGeometry_) {
        if (!widget)
            continue;
        if (widget == list_)
            widget->setGeometry(rect.adjusted(0, 0, dx, dy));
        else if (widget == leftLine_)
            widget->setGeometry(rect.adjusted(0, 0, 0, dy));
        else if (widget == rightLine_)
            widget->setGeometry(rect.translated(dx, 0).adjusted(0, 0, 0, dy));
        else if (rect.x() >= rightColumn)
            widget->setGeometry(rect.translated(dx, dy / 2));  // the preview keeps its size, centred
    }
}

int AlbumWindow::templateRightColumn() const
{
    for (const auto& [widget, rect] : templateGeometry_) {
        if (widget == rightLine_)
            return rect.x();
    }
    return client_->minimumWidth();
}

bool AlbumWindow::buttonWinsShortcut(QEvent* event)
{
    if (event->type() != QEvent::Shortcut)
        return false;
    const auto* shortcut = static_cast<QShortcutEvent*>(event);
    if (!shortcut->isAmbiguous())
        return false;
    const QKeySequence key = shortcut->key();
    QPushButton* button = key == QKeySequence(Qt::ALT | Qt::Key_A)   ? addButton_
                          : key == QKeySequence(Qt::ALT | Qt::Key_H) ? helpButton_
                                                                     : nullptr;
    if (!button || !button->isEnabled())
        return false;
    button->click();
    return true;
}

}  // namespace hf
