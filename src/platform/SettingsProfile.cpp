#include "SettingsProfile.h"

#include <QFile>

namespace hf {
namespace {

QString key(std::string_view section, std::string_view name)
{
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

SettingsProfile::SettingsProfile() : settings_(QStringLiteral("Quillmere"), QStringLiteral("Handfolio")) {}

int SettingsProfile::getInt(std::string_view section, std::string_view name, int fallback) const
{
    bool ok = false;
    const int v = settings_.value(key(section, name)).toInt(&ok);
    return ok ? v : fallback;
}

void SettingsProfile::setInt(std::string_view section, std::string_view name, int value)
{
    settings_.setValue(key(section, name), value);
    written();
}

std::string SettingsProfile::getString(std::string_view section, std::string_view name,
                                       std::string_view fallback) const
{
    const QVariant v = settings_.value(key(section, name));
    if (!v.isValid())
        return std::string(fallback);
    return v.toString().toStdString();
}

void SettingsProfile::setString(std::string_view section, std::string_view name, std::string_view value)
{
    settings_.setValue(key(section, name), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    written();
}

void SettingsProfile::written()
{
    settings_.sync();
    QFile::setPermissions(settings_.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace hf
