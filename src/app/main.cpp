#include "AlbumWindow.h"
#include "ProgramIcon.h"
#include "HelpWindow.h"
#include "PhotoIntake.h"
#include "FileHandheldDesktop.h"
#include "GSettingsAutoPlay.h"
#include "QtMessageBoxes.h"
#include "ScanCommand.h"
#include "SettingsProfile.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Handfolio"));
    QApplication::setWindowIcon(hf::programIcon());

    hf::SettingsProfile profile;
    hf::QtMessageBoxes boxes;
    hf::FileHandheldDesktop desktop(hf::FileHandheldDesktop::defaultFolder());
    hf::AlbumWindow window({profile, boxes, desktop, hf::makeGSettingsAutoPlay(), {}});
    boxes.setOwner(&window);
    new hf::PhotoIntake(window);  // a child of the window, which owns it
    new hf::ScanCommand(window, *window.findChild<hf::PhotoIntake*>());
    window.initialise();
    window.exec();
    return 0;
}
