#include "DialogUnits.h"
#include "ListKeys.h"
#include "SettingsProfile.h"
#include "TempDir.h"

#include <QListWidget>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace hf;

namespace {

TEST(DialogUnits, RoundEachValueToTheNearestPixelHalvesAwayFromZero)
{
    // base x, base y, units, pixels across, pixels down
    const int cases[][5] = {{6, 13, 425, 638, 691}, {6, 13, 228, 342, 371}, {7, 15, 3, 5, 6},
                            {7, 15, 1, 2, 2},       {6, 13, -3, -5, -5},    {8, 16, 7, 14, 14}};
    for (const auto& [bx, by, u, x, y] : cases)
        EXPECT_EQ(DialogUnits(bx, by).rect(u, u, u, u), QRect(x, y, x, y)) << u;
}

// The proxy password's file: owner-only, new or left open, whatever the umask.
TEST(SettingsFile, IsOwnerOnly)
{
    for (const mode_t left : {0, 0644, 0666}) {
        const test::TempDir dir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
        const std::filesystem::path file = dir / "Quillmere" / "Handfolio.conf";
        std::filesystem::create_directories(file.parent_path());
        if (left != 0) {
            test::writeFile(file, "[Prefs]\nPrevUser=Ann\n");
            ::chmod(file.c_str(), left);
        }
        const mode_t umask = ::umask(022);
        SettingsProfile().setString("Proxy", "ProxyPassword", "secret");
        ::umask(umask);
        struct stat status {};
        EXPECT_TRUE(::stat(file.c_str(), &status) == 0 && (status.st_mode & 0777) == 0600) << std::oct << left;
    }
}

// {current row (-1: none), selected, keys, the row then selected}
TEST(ListWithoutSelection, SelectsAsAListBoxDoes)
{
    using Case = std::tuple<int, bool, std::vector<Qt::Key>, int>;
    for (const auto& [current, selected, keys, expected] :
         {Case{-1, false, {Qt::Key_Up}, 0}, Case{-1, false, {Qt::Key_Down, Qt::Key_Down}, 1},
          Case{0, false, {Qt::Key_Home}, 0}, Case{3, false, {Qt::Key_Up}, 3}, Case{4, false, {Qt::Key_End}, 4},
          Case{2, true, {Qt::Key_Home}, 0}, Case{2, true, {Qt::Key_Down}, 3}}) {
        QListWidget list;
        list.addItems({"a", "b", "c", "d", "e"});
        selectWithFirstKey(list);
        list.setCurrentRow(current, selected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
        for (const Qt::Key key : keys)
            QTest::keyClick(&list, key);
        EXPECT_EQ(list.selectedItems(), QList<QListWidgetItem*>{list.item(expected)}) << current << " " << keys[0];
    }
}

}  // namespace
