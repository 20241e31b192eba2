#include "DialogUnits.h"
#include "ListKeys.h"
#include "SettingsProfile.h"
#include "TempDir.h"

#include <QListWidget>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <vector>

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

struct KeysCase {
    const char* name;
    int current;  // -1: none
    bool selected;
    std::vector<Qt::Key> keys;
    int expected;
    friend void PrintTo(const KeysCase& c, std::ostream* os) { *os << c.name; }
};

class ListWithoutSelection : public ::testing::TestWithParam<KeysCase> {};

TEST_P(ListWithoutSelection, SelectsAsAListBoxDoes)
{
    const KeysCase& c = GetParam();
    QListWidget list;
    list.addItems({"a", "b", "c", "d", "e"});
    selectWithFirstKey(list);
    if (c.current >= 0)
        list.setCurrentRow(c.current, c.selected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
    for (const Qt::Key key : c.keys)
        QTest::keyClick(&list, key);
    const QList<QListWidgetItem*> selected = list.selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(list.row(selected.front()), c.expected);
    EXPECT_EQ(list.currentRow(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, ListWithoutSelection,
                         ::testing::Values(KeysCase{"DownWithNothing", -1, false, {Qt::Key_Down}, 0},
                                           KeysCase{"UpWithNothing", -1, false, {Qt::Key_Up}, 0},
                                           KeysCase{"DownThenDown", -1, false, {Qt::Key_Down, Qt::Key_Down}, 1},
                                           KeysCase{"HomeOnCurrentFirst", 0, false, {Qt::Key_Home}, 0},
                                           KeysCase{"DownOnCurrentFirst", 0, false, {Qt::Key_Down}, 0},
                                           KeysCase{"UpOnCurrentMiddle", 3, false, {Qt::Key_Up}, 3},
                                           KeysCase{"EndOnCurrentLast", 4, false, {Qt::Key_End}, 4},
                                           KeysCase{"HomeFromSelected", 2, true, {Qt::Key_Home}, 0},
                                           KeysCase{"DownFromSelected", 2, true, {Qt::Key_Down}, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
