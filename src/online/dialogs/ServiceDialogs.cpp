#include "ServiceDialogs.h"

#include "DialogUnits.h"
#include "ListKeys.h"
#include "QtText.h"

#include <QCollator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace hf {
namespace {

QLabel* addText(QWidget* parent, const DialogUnits& du, const QString& text, QRect units)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(du.rect(units.x(), units.y(), units.width(), units.height()));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A text of at most 99 UTF-8 bytes: the account fields of the store's
// requests hold no more.
void limitToBytes(QLineEdit* edit, int maxBytes)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, maxBytes](const QString& text) {
        QString kept = text;
        while (kept.toUtf8().size() > maxBytes)
            kept.chop(1);
        if (kept != text) {
            const int cursor = std::min(edit->cursorPosition(), static_cast<int>(kept.size()));
            edit->setText(kept);
            edit->setCursorPosition(cursor);
        }
    });
}

}  // namespace

QLabel* addServiceEmblem(QWidget* dialog, int dialogWidthUnits)
{
    const DialogUnits du(dialog->font());
    auto* emblem = new QLabel(dialog);
    emblem->setObjectName(QStringLiteral("141"));
    emblem->setPixmap(QPixmap(QStringLiteral(":/images/online-emblem.png")));
    emblem->setGeometry(du.x(dialogWidthUnits) - du.x(7) - 80, du.y(5), 80, 43);
    return emblem;
}

CLoginDlg::CLoginDlg(const std::string& serverAddress, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("130"));
    setWindowTitle(QStringLiteral("Access Kodak PhotoNet online"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(177), du.y(194));

    QLabel* heading = addText(this, du, QStringLiteral("Access Kodak PhotoNet online"), {7, 12, 80, 20});
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    addServiceEmblem(this, 177);

    addText(this, du, QStringLiteral("Enter E-mail Address"), {7, 44, 120, 8});
    email_ = new QLineEdit(this);
    email_->setObjectName(QStringLiteral("1000"));
    email_->setGeometry(du.rect(7, 54, 163, 13));
    addText(this, du, QStringLiteral("Enter Password"), {7, 72, 120, 8});
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("1001"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setGeometry(du.rect(7, 82, 163, 13));
    limitToBytes(email_, kMaxTextBytes);
    limitToBytes(password_, kMaxTextBytes);

    auto* notes = new QGroupBox(this);
    notes->setGeometry(du.rect(7, 100, 163, 68));
    const QString address = serverAddress.empty() ? QString() : toQString(serverAddress).toHtmlEscaped();
    // Rich text folds runs of spaces into one: the first of the two after
    // the full stop is a non-breaking one, so both show and the line may
    // still break after them.
    QLabel* account = addText(
        this, du,
        QStringLiteral("You must be connected to the Internet and already have a user account with Kodak PhotoNet "
                       "online.&nbsp; You can set up your free account at <a href=\"%1\">%1</a>.")
            .arg(address),
        {13, 106, 151, 34});
    account->setObjectName(QStringLiteral("accountNote"));
    account->setTextFormat(Qt::RichText);
    account->setOpenExternalLinks(true);
    addText(this, du,
            QStringLiteral("If you are using a proxy server and need to\nconfigure it for Internet access, press the "
                           "Advanced button."),
            {13, 142, 151, 24})
        ->setTextFormat(Qt::PlainText);

    connect_ = placeButton(this, du, "1", QStringLiteral("&Connect"), {7, 174, 50, 14});
    connect_->setDefault(true);
    QPushButton* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), {63, 174, 50, 14});
    QPushButton* advanced = placeButton(this, du, "1009", QStringLiteral("&Advanced ..."), {120, 174, 50, 14});
    connect(connect_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(advanced, &QPushButton::clicked, this, [this] {
        if (openProxyDialog)
            openProxyDialog();
    });
    connect(email_, &QLineEdit::textChanged, this, &CLoginDlg::updateConnect);
    connect(password_, &QLineEdit::textChanged, this, &CLoginDlg::updateConnect);
    updateConnect();
}

void CLoginDlg::setAccount(const std::string& email, const std::string& password)
{
    email_->setText(toQString(email));
    password_->setText(toQString(password));
    updateConnect();
}

std::string CLoginDlg::email() const
{
    return toUtf8(email_->text());
}

std::string CLoginDlg::password() const
{
    return toUtf8(password_->text());
}

void CLoginDlg::updateConnect()
{
    connect_->setEnabled(!email_->text().isEmpty() && !password_->text().isEmpty());
}

CRollsDlg::CRollsDlg(const std::vector<std::string>& rollNames, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes)
{
    setObjectName(QStringLiteral("143"));
    setWindowTitle(QStringLiteral("Rolls Available on Kodak PhotoNet online"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(228), du.y(130));
    addText(this, du, QStringLiteral("To display pictures on a roll, double click on it,"), {7, 10, 160, 8});
    addText(this, du, QStringLiteral("or highlight it and press the \"Open\" button."), {7, 20, 160, 8});
    addServiceEmblem(this, 228);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1002"));
    list_->setGeometry(du.rect(7, 40, 214, 64));
    selectWithFirstKey(*list_);
    // A list box sorts as the user reads: case does not split "birthday"
    // from "Summer".
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList names;
    for (const std::string& name : rollNames)
        names << toQString(name);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    list_->addItems(names);

    QPushButton* open = placeButton(this, du, "1", QStringLiteral("&Open"), {7, 110, 50, 14});
    open->setDefault(true);
    QPushButton* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), {63, 110, 50, 14});
    connect(open, &QPushButton::clicked, this, &CRollsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CRollsDlg::accept);
}

void CRollsDlg::accept()
{
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) {
        boxes_.show("Please select a roll of film", "Open", MsgStyle::Ok);
        return;
    }
    chosen_ = toUtf8(item->text());
    QDialog::accept();
}

}  // namespace hf
