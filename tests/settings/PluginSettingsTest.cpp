// The plugin's one setting: the recent-file maximum, read from the per-user hive, else the
// machine-wide hive, else 30.

#include "SettingsTestSupport.h"

#include "support/PluginFixture.h"

using VireoStudio::kPlaybackGroup;
using VireoStudio::kRecentFileMaximumKey;
using VireoStudio::readIntSetting;

namespace {

int recentFileMaximum() {
    return readIntSetting(kPlaybackGroup, kRecentFileMaximumKey, 30);
}

} // namespace

TEST_F(SettingsStoreTest, PerUserValueOverridesMachineWideAndFallsBackToIt) {
    EXPECT_EQ(recentFileMaximum(), 30);

    writeFile(machineFile(),
              hive("HKEY_LOCAL_MACHINE", "Playback", "\"RecentFileMaximum\"=dword:0000000a"));
    EXPECT_EQ(recentFileMaximum(), 10);

    SettingsPtr playback = open("Settings/VireoStudio.MediaLibrary/Playback", vds::CREATE_USER);
    ASSERT_TRUE(playback);
    ASSERT_TRUE(playback->setInt("RecentFileMaximum", 50));
    EXPECT_EQ(recentFileMaximum(), 50);

    // Read anew on every call: a change made meanwhile is seen at once.
    ASSERT_TRUE(playback->setInt("RecentFileMaximum", 12));
    EXPECT_EQ(recentFileMaximum(), 12);
    ASSERT_TRUE(playback->deleteValue("RecentFileMaximum"));
    EXPECT_EQ(recentFileMaximum(), 10);
}

TEST_F(SettingsStoreTest, StringTypedMaximumIsRefusedAsAnInteger) {
    writeFile(userFile(), hive("HKEY_CURRENT_USER", "Playback", "\"RecentFileMaximum\"=\"50\""));
    EXPECT_EQ(recentFileMaximum(), 30);
    // A refused per-user value does not hide a usable machine-wide one.
    writeFile(machineFile(),
              hive("HKEY_LOCAL_MACHINE", "Playback", "\"RecentFileMaximum\"=dword:00000007"));
    EXPECT_EQ(recentFileMaximum(), 7);
}

TEST_F(SettingsStoreTest, DamagedPerUserHiveIsLeftAloneAndReadsAsMissing) {
    const QByteArray damaged =
        hive("HKEY_CURRENT_USER", "Playback", "\"RecentFileMaximum\"=dword:zz");
    writeFile(userFile(), damaged);
    EXPECT_FALSE(VireoStudio::ensureSettings());
    EXPECT_EQ(recentFileMaximum(), 30);
    // Its values are missing, not the machine-wide ones.
    writeFile(machineFile(),
              hive("HKEY_LOCAL_MACHINE", "Playback", "\"RecentFileMaximum\"=dword:00000007"));
    EXPECT_EQ(recentFileMaximum(), 7);
    EXPECT_EQ(readFile(userFile()), damaged);
}

TEST_F(SettingsStoreTest, ReleasedNodeIsOpenedAnew) {
    const QByteArray nodeKey =
        "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\VireoStudio.MediaLibrary]";
    // The per-user key of the node is created on the first use.
    ASSERT_TRUE(VireoStudio::ensureSettings());
    EXPECT_TRUE(readFile(userFile()).contains(nodeKey));
    QFile::remove(userFile());
    ASSERT_TRUE(VireoStudio::ensureSettings());
    EXPECT_FALSE(QFile::exists(userFile()));
    VireoStudio::releaseSettings();
    ASSERT_TRUE(VireoStudio::ensureSettings());
    EXPECT_TRUE(readFile(userFile()).contains(nodeKey));
}

class PluginSettingsTest : public PluginFixture {};

TEST_F(PluginSettingsTest, PluginStartCreatesItsPerUserNode) {
    QFile file(dir->path() + QStringLiteral("/config/Vireo/registry.reg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(
        "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\VireoStudio.MediaLibrary]"));
}
