#include "DialogUnits.h"
#include "SettingsProfile.h"
#include "TempDir.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <optional>

using namespace hf;

namespace {

struct UnitsCase {
    int baseX, baseY, units, x, y;
};

class DialogUnitsRounding : public ::testing::TestWithParam<UnitsCase> {};

// Each value is rounded to the nearest pixel, halves away from zero.
TEST_P(DialogUnitsRounding, MapsLikeDialogTemplates)
{
    const UnitsCase& c = GetParam();
    const DialogUnits du(c.baseX, c.baseY);
    EXPECT_EQ(du.x(c.units), c.x);
    EXPECT_EQ(du.y(c.units), c.y);
    EXPECT_EQ(du.rect(c.units, c.units, c.units, c.units), QRect(c.x, c.y, c.x, c.y));
}

INSTANTIATE_TEST_SUITE_P(Units, DialogUnitsRounding,
                         ::testing::Values(UnitsCase{6, 13, 425, 638, 691}, UnitsCase{6, 13, 228, 342, 371},
                                           UnitsCase{7, 15, 1, 2, 2}, UnitsCase{7, 15, 3, 5, 6},
                                           UnitsCase{6, 13, -3, -5, -5}, UnitsCase{8, 16, 7, 14, 14}));

// The settings file holds the proxy password: owner-only whether it is new
// or was left readable by others, under a umask that would allow more.
class SettingsFile : public ::testing::TestWithParam<std::optional<mode_t>> {};

TEST_P(SettingsFile, IsOwnerOnlyOnceWritten)
{
    const hf::test::TempDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
    const std::filesystem::path file = dir / "Quillmere" / "Handfolio.conf";
    if (GetParam()) {
        std::filesystem::create_directories(file.parent_path());
        hf::test::writeFile(file, "[Prefs]\nPrevUser=Ann\n");
        ASSERT_EQ(::chmod(file.c_str(), *GetParam()), 0);
    }
    const mode_t before = ::umask(022);
    {
        SettingsProfile profile;
        profile.setString("Proxy", "ProxyPassword", "secret");
        profile.setInt("Proxy", "ProxyPort", 3128);
    }
    ::umask(before);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_NE(hf::test::readFile(file).find("ProxyPassword=secret"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFile, ::testing::Values(std::nullopt, 0644, 0666, 0600));

}  // namespace
