#include "AlbumWindow.h"
#include "DesktopProxy.h"
#include "DownloadCommand.h"
#include "FileHandheldDesktop.h"
#include "GSettingsAutoPlay.h"
#include "PasteCommand.h"
#include "ProgramIcon.h"
#include "QtMessageBoxes.h"
#include "ReloadService.h"
#include "ScanCommand.h"
#include "ScreenCaptureCommand.h"
#include "SettingsProfile.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Handfolio"));
    // Ties the windows to the installed desktop entry (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillmere.Handfolio"));
    QApplication::setWindowIcon(hf::programIcon());
    // One program per desktop session: a second start brings the first to
    // the front and leaves every album alone.
    if (hf::ReloadService::handOverToRunningProgram())
        return 0;

    hf::SettingsProfile profile;
    hf::QtMessageBoxes boxes;
    hf::FileHandheldDesktop desktop(hf::FileHandheldDesktop::defaultFolder());
    hf::AlbumWindow window({profile, boxes, desktop, hf::makeGSettingsAutoPlay(), {}});
    boxes.setOwner(&window);

    // The photo sources, each a child of the window, add their commands to
    // the File menu in this order.
    hf::PhotoSourceHost& host = window.sourceHost();
    new hf::PasteCommand(host);
    new hf::ScanCommand(host);
    new hf::ScreenCaptureCommand(host);
    new hf::DownloadCommand(host, hf::makeDesktopInternetSettings());

    window.initialise();
    window.exec();
    return 0;
}
