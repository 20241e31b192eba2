#include "OnlineShots.h"

#include "ImageIO.h"
#include "PhotoChooserDlg.h"
#include "Profile.h"
#include "ProxyDlg.h"
#include "RecordingMessageBoxes.h"
#include "ServiceDialogs.h"
#include "ServiceWindows.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace shots {
namespace {

bool grab(QWidget* widget, const QString& file)
{
    widget->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const bool ok = widget->grab().save(file);
    std::printf("%s\n", qPrintable(file));
    return ok;
}

}  // namespace

bool onlineShots(const hf::LBitmap& photo, const QString& folder)
{
    hf::RecordingMessageBoxes boxes;
    bool ok = true;

    hf::CLoginDlg login("http://127.0.0.1:3011/");
    login.setAccount("ann@example.org", "secret");
    ok = grab(&login, folder + QStringLiteral("/online-login.png")) && ok;

    hf::CRollsDlg rolls({"Summer", "Zoo", "birthday", "Lake weekend"}, boxes);
    rolls.findChild<QListWidget*>(QStringLiteral("1002"))->setCurrentRow(1);
    ok = grab(&rolls, folder + QStringLiteral("/online-rolls.png")) && ok;

    QTemporaryDir thumbs;
    const QImage whole = hf::toQImage(photo);
    for (int n = 1; n <= 4; ++n) {
        const QImage part = whole.copy((n - 1) * whole.width() / 5, (n % 2) * whole.height() / 4, whole.width() / 2,
                                       whole.height() / 2);
        part.scaled(96, 72, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .save(thumbs.filePath(QStringLiteral("t%1.jpg").arg(n, 4, 10, QLatin1Char('0'))), "JPG", 90);
    }
    hf::CPhotoChooserDlg chooser(thumbs.path().toStdString(), 4, boxes);
    chooser.loadThumbnails();
    chooser.findChild<QListWidget*>(QStringLiteral("1003"))->setCurrentRow(1);
    ok = grab(&chooser, folder + QStringLiteral("/online-chooser.png")) && ok;

    // The Proxy dialog over settings a user has typed.
    struct NoDesktopProxy final : hf::InternetSettings {
        bool open() override { return false; }
        std::optional<std::uint32_t> proxyEnable() override { return std::nullopt; }
        std::optional<std::string> proxyServer() override { return std::nullopt; }
    } desktop;
    hf::ProxySettings settings;
    settings.enable = 1;
    hf::copyProxyText(settings.host, "proxy.example.org");
    settings.port = 3128;
    hf::copyProxyText(settings.user, "ann");
    hf::copyProxyText(settings.password, "secret");
    hf::MemoryProfile profile;
    hf::CProxyDlg proxy(settings, profile, desktop, boxes);
    ok = grab(&proxy, folder + QStringLiteral("/online-proxy.png")) && ok;

    QWidget owner;
    hf::CConnectingWnd connecting(&owner, QStringLiteral("Connecting"), QStringLiteral("Connecting to Kodak ..."));
    ok = grab(connecting.window(), folder + QStringLiteral("/online-connecting.png")) && ok;
    hf::CProgressWnd progress(&owner, QStringLiteral("Downloading Images"));
    progress.setPosition(40);
    ok = grab(progress.window(), folder + QStringLiteral("/online-progress.png")) && ok;
    return ok;
}

}  // namespace shots
