#include "SettingsProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hf {
namespace {

QString key(std::string_view section, std::string_view name)
{
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

SettingsProfile::SettingsProfile() : settings_(QStringLiteral("Quillmere"), QStringLiteral("Handfolio")) {}

void SettingsProfile::keepOwnerOnly()
{
#ifdef Q_OS_UNIX
    // The settings are saved into a new file that takes the permissions of
    // the one it replaces. Creating that one owner-only (or tightening it)
    // before anything is written means no byte is ever readable by others.
    const QString file = settings_.fileName();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return;
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);
#endif
}

int SettingsProfile::getInt(std::string_view section, std::string_view name, int fallback) const
{
    bool ok = false;
    const int v = settings_.value(key(section, name)).toInt(&ok);
    return ok ? v : fallback;
}

void SettingsProfile::setInt(std::string_view section, std::string_view name, int value)
{
    keepOwnerOnly();
    settings_.setValue(key(section, name), value);
    written();
}

std::string SettingsProfile::getString(std::string_view section, std::string_view name, std::string_view fallback) const
{
    const QVariant v = settings_.value(key(section, name));
    if (!v.isValid())
        return std::string(fallback);
    return v.toString().toStdString();
}

void SettingsProfile::setString(std::string_view section, std::string_view name, std::string_view value)
{
    keepOwnerOnly();
    settings_.setValue(key(section, name), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    written();
}

void SettingsProfile::written()
{
    settings_.sync();
}

}  // namespace hf
