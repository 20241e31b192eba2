#include "AutoPlay.h"
#include "GSettingsAutoPlay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <tuple>

using namespace hf;

namespace {

// A registry in memory; a value may be absent, and a key may refuse write access.
class FakeRegistry final : public WindowsRegistry {
public:
    using Key = std::tuple<Root, std::string, std::string>;
    int platform = 2;
    std::map<Key, std::uint32_t> values;
    std::vector<Key> writes;

    int platformId() override { return platform; }
    std::optional<std::uint32_t> readValue(Root root, const std::string& key, const std::string& name) override
    {
        auto it = values.find({root, key, name});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    void writeDword(Root root, const std::string& key, const std::string& name, std::uint32_t value) override
    {
        values[{root, key, name}] = value;
        writes.emplace_back(root, key, name);
    }
};

const FakeRegistry::Key kCdRom{WindowsRegistry::Root::LocalMachine, "System\\CurrentControlSet\\Services\\CdRom",
                               "Autorun"};
const FakeRegistry::Key kExplorer{WindowsRegistry::Root::CurrentUser,
                                  "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                                  "NoDriveTypeAutoRun"};

TEST(AutoPlayWindows, NtFamilyTurnsAutorunOffWhileRunning)
{
    FakeRegistry registry;
    MemoryProfile profile;
    registry.values[kCdRom] = 1;
    {
        AutoPlay autoPlay(makeWindowsAutoPlay(registry), profile);
        autoPlay.suppress();
        EXPECT_TRUE(autoPlay.changed());
        EXPECT_EQ(registry.values[kCdRom], 0u);
    }
    EXPECT_EQ(registry.values[kCdRom], 1u);
    EXPECT_EQ(registry.values.count(kExplorer), 0u);
}

TEST(AutoPlayWindows, OtherPlatformsSetTheCdRomBitOfThePolicy)
{
    FakeRegistry registry;
    registry.platform = 1;
    MemoryProfile profile;
    registry.values[kExplorer] = 0x95;
    AutoPlay autoPlay(makeWindowsAutoPlay(registry), profile);
    autoPlay.suppress();
    EXPECT_EQ(registry.values[kExplorer], 0xB5u);
    autoPlay.restore();
    EXPECT_EQ(registry.values[kExplorer], 0x95u);
    autoPlay.restore();
    EXPECT_EQ(registry.writes.size(), 2u) << "restored once";
}

TEST(AutoPlayWindows, AbsentValueIsNeverWritten)
{
    FakeRegistry registry;
    MemoryProfile profile;
    {
        AutoPlay autoPlay(makeWindowsAutoPlay(registry), profile);
        autoPlay.suppress();
        EXPECT_FALSE(autoPlay.changed());
    }
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_FALSE(profile.contains("AutoPlay", "Pending") && profile.getInt("AutoPlay", "Pending", 0) != 0);
}

TEST(AutoPlayWindows, AStartAfterACrashPutsBackWhatTheCrashedRunChanged)
{
    FakeRegistry registry;
    MemoryProfile profile;
    // What a run that died while suppressing leaves behind.
    registry.values[kCdRom] = 0;
    profile.setInt("AutoPlay", "Saved", 1);
    profile.setInt("AutoPlay", "Pending", 1);

    AutoPlay next(makeWindowsAutoPlay(registry), profile);
    next.suppress();
    EXPECT_EQ(registry.values[kCdRom], 0u);
    next.restore();
    EXPECT_EQ(registry.values[kCdRom], 1u) << "the value from before the crash, not the suppressed one";
    EXPECT_EQ(profile.getInt("AutoPlay", "Pending", 1), 0);
}

TEST(AutoPlayGnome, TurnsOnNeverAutorunWhileRunningWhereTheSchemaExists)
{
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    MemoryProfile profile;
    auto backend = makeGSettingsAutoPlay();
    if (!backend)
        GTEST_SKIP() << "the desktop's media-handling schema is not installed";
    ASSERT_EQ(backend->read(), 0u);
    {
        AutoPlay autoPlay(makeGSettingsAutoPlay(), profile);
        autoPlay.suppress();
        EXPECT_EQ(backend->read(), 1u);
    }
    EXPECT_EQ(backend->read(), 0u);
}

}  // namespace
