#include "ProxyDlg.h"

#include "DialogUnits.h"
#include "Profile.h"
#include "QtText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hf {
namespace {

// The port as the dialog's check reads it: digits only, up to 4294967295.
bool isUnsignedNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    return t.toULongLong(&ok) <= 4294967295ULL && ok;
}

}  // namespace

CProxyDlg::CProxyDlg(ProxySettings& settings, Profile& profile, InternetSettings& windows, MessageBoxes& boxes,
                     QWidget* parent)
    : QDialog(parent), settings_(settings), profile_(profile), windows_(windows), boxes_(boxes)
{
    setObjectName(QStringLiteral("144"));
    setWindowTitle(QStringLiteral("Proxy Server Information"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(183), du.y(231));

    const auto label = [&](const char* id, const char* text, QRect r) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QString::fromLatin1(id));
        l->setGeometry(du.rect(r.x(), r.y(), r.width(), r.height()));
        return l;
    };
    const auto edit = [&](const char* id, QRect r) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(id));
        e->setGeometry(du.rect(r.x(), r.y(), r.width(), r.height()));
        return e;
    };
    label("-1",
          "Please enter the information below regarding your\nproxy server.  If you do not need a user name or\n"
          "password, just leave those fields blank.",
          {7, 7, 169, 28});
    use_ = new QCheckBox(QStringLiteral("&Use a Proxy Server"), this);
    use_->setObjectName(QStringLiteral("1010"));
    use_->setGeometry(du.rect(7, 40, 120, 10));
    QLabel* hostLabel = label("1011", "Proxy Address", {7, 56, 100, 8});
    host_ = edit("1008", {7, 66, 169, 13});
    QLabel* hostHint = label("1012", "(For example, 123.45.67.89)", {7, 81, 169, 8});
    QLabel* portLabel = label("1013", "Proxy Port", {7, 95, 100, 8});
    port_ = edit("1007", {7, 105, 60, 13});
    QLabel* portHint = label("1014", "(For example, 80)", {7, 120, 169, 8});
    QLabel* userLabel = label("1015", "Proxy User Name", {7, 134, 100, 8});
    user_ = edit("1009", {7, 144, 169, 13});
    QLabel* passwordLabel = label("1016", "Proxy Password", {7, 162, 100, 8});
    password_ = edit("1001", {7, 172, 169, 13});
    password_->setEchoMode(QLineEdit::Password);
    dependents_ = {hostLabel, hostHint, portLabel, portHint, userLabel, passwordLabel, host_, port_, user_, password_};

    QPushButton* ok = placeButton(this, du, "1", QStringLiteral("&OK"), {7, 210, 50, 14});
    ok->setDefault(true);
    QPushButton* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), {63, 210, 50, 14});
    QPushButton* reset = placeButton(this, du, "1018", QStringLiteral("Reset to Windows Settings"), {7, 191, 106, 14});
    connect(ok, &QPushButton::clicked, this, &CProxyDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, &CProxyDlg::resetToWindows);
    connect(use_, &QCheckBox::toggled, this, &CProxyDlg::updateEnabling);

    use_->setChecked(settings_.enable != 0);
    host_->setText(toQString(settings_.host));
    port_->setText(QString::number(settings_.port));
    user_->setText(toQString(settings_.user));
    password_->setText(toQString(settings_.password));
    updateEnabling();
}

void CProxyDlg::updateEnabling()
{
    for (QWidget* w : dependents_)
        w->setEnabled(use_->isChecked());
}

void CProxyDlg::resetToWindows()
{
    std::optional<WindowsProxyEntry> entry;
    if (windows_.open()) {
        const std::optional<std::uint32_t> enabled = windows_.proxyEnable();
        if (enabled && *enabled != 0) {
            if (const std::optional<std::string> text = windows_.proxyServer())
                entry = parseWindowsProxyText(*text);
        }
    }
    // Nothing is kept until OK.
    if (entry) {
        use_->setChecked(true);
        host_->setText(toQString(entry->host));
        port_->setText(toQString(entry->portText));
        user_->clear();
        password_->clear();
    } else {
        use_->setChecked(false);
    }
    updateEnabling();
}

void CProxyDlg::accept()
{
    settings_.enable = use_->isChecked() ? 1 : 0;
    copyProxyText(settings_.host, toUtf8(host_->text()));
    copyProxyText(settings_.user, toUtf8(user_->text()));
    copyProxyText(settings_.password, toUtf8(password_->text()));
    settings_.port = proxyPortFromText(toUtf8(port_->text()));
    // Stored before the port is checked: a dialog kept open by the check has
    // already saved what was typed.
    saveProxySettings(settings_, profile_);
    if (!isUnsignedNumber(port_->text())) {
        boxes_.show("Please enter a positive integer.", "Handfolio", MsgStyle::Exclamation);
        port_->setFocus();
        port_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace hf
