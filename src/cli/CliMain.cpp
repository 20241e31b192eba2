#include "CliCommands.h"
#include "FileHandheldDesktop.h"
#include "SettingsProfile.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // Qt's image readers are found through the application object; no
    // display is involved.
    QCoreApplication app(argc, argv);
    // A file that does not decode is one line of ours, not Qt's as well.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<hf::CliOptions> options = hf::parseCliOptions(args, error);
    if (!options) {
        std::cerr << "handfolio-cli: " << error << '\n';
        return hf::kCliUsage;
    }
    hf::SettingsProfile profile;
    hf::FileHandheldDesktop desktop(hf::FileHandheldDesktop::defaultFolder());
    return hf::runCli(*options, desktop, profile, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
