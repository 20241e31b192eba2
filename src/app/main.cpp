#include "AlbumWindow.h"
#include "ProgramIcon.h"
#include "HelpWindow.h"
#include "DesktopProxy.h"
#include "DownloadCommand.h"
#include "PasteCommand.h"
#include "PhotoIntake.h"
#include "FileHandheldDesktop.h"
#include "GSettingsAutoPlay.h"
#include "QtMessageBoxes.h"
#include "ScreenCaptureCommand.h"
#include "ScanCommand.h"
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

    hf::SettingsProfile profile;
    hf::QtMessageBoxes boxes;
    hf::FileHandheldDesktop desktop(hf::FileHandheldDesktop::defaultFolder());
    hf::AlbumWindow window({profile, boxes, desktop, hf::makeGSettingsAutoPlay(), {}});
    boxes.setOwner(&window);
    auto* intake = new hf::PhotoIntake(window);  // children of the window, which owns them
    new hf::PasteCommand(window, *intake);
    new hf::DownloadCommand(window, *intake, profile, hf::makeDesktopInternetSettings());
    new hf::ScanCommand(window, *intake);
    new hf::ScreenCaptureCommand(window);
    window.initialise();
    window.exec();
    return 0;
}
