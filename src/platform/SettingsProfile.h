#pragma once

#include "Profile.h"

#include <QSettings>

namespace hf {

// The program's settings in QSettings("Quillmere", "Handfolio"), which on
// Linux is ~/.config/Quillmere/Handfolio.conf. The file will hold a proxy
// password, so it is readable by its owner only from its first byte on.
class SettingsProfile final : public Profile {
public:
    SettingsProfile();
    int getInt(std::string_view section, std::string_view name, int fallback) const override;
    void setInt(std::string_view section, std::string_view name, int value) override;
    std::string getString(std::string_view section, std::string_view name, std::string_view fallback) const override;
    void setString(std::string_view section, std::string_view name, std::string_view value) override;

    QString fileName() const { return settings_.fileName(); }

private:
    void keepOwnerOnly();
    void written();
    mutable QSettings settings_;
};

}  // namespace hf
