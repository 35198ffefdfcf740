// The store keeps what it read of a hive file that had settled, and reads the file again as
// soon as it is no longer the same file with the same size and times: a value another process
// writes is seen at the next read, even when it leaves the file as long as it was.

#include "SettingsTestSupport.h"

#include <QDateTime>

namespace {

class SettingsReadCache : public SettingsStoreTest {
protected:
    // Writes the recent-file maximum into the per-user file (same length for every value), the
    // way another process would, in place; an age in seconds sets the file's time back.
    void writeMaximum(quint32 value, int age = 0) {
        const QByteArray values = QStringLiteral("\"RecentFileMaximum\"=dword:%1")
                                      .arg(value, 8, 16, QLatin1Char('0'))
                                      .toLatin1();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(userFile()).absolutePath()));
        QFile file(userFile());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite)); // in place: the file stays the same file
        file.resize(0);
        file.write(hive("HKEY_CURRENT_USER", "Playback", values.constData()));
        ASSERT_TRUE(file.flush());
        if (age > 0) {
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                                         QFileDevice::FileModificationTime));
        }
    }
    static int maximum() {
        return VireoStudio::readIntSetting(VireoStudio::kPlaybackGroup,
                                           VireoStudio::kRecentFileMaximumKey, 30);
    }
};

TEST_F(SettingsReadCache, AValueWrittenInPlaceIsSeenAtTheNextRead) {
    writeMaximum(40, 60);
    EXPECT_EQ(maximum(), 40);
    EXPECT_EQ(maximum(), 40); // from what the store kept of the settled file
    writeMaximum(50);
    EXPECT_EQ(maximum(), 50);
    // Twice within one second: the file changed only now is read anew every time.
    writeMaximum(60);
    EXPECT_EQ(maximum(), 60);
    writeMaximum(70);
    EXPECT_EQ(maximum(), 70);
    // Set back in time after the write: the change time still tells.
    writeMaximum(80, 60);
    EXPECT_EQ(maximum(), 80);
}

TEST_F(SettingsReadCache, ARemovedOrReplacedFileIsReadAnew) {
    writeMaximum(40, 60);
    EXPECT_EQ(maximum(), 40);
    ASSERT_TRUE(QFile::remove(userFile()));
    EXPECT_EQ(maximum(), 30) << "no file: the default";
    writeMaximum(45, 60);
    EXPECT_EQ(maximum(), 45);
    // A write through the store replaces the file and is read back.
    const SettingsPtr node =
        open("Settings/VireoStudio.MediaLibrary", vds::CREATE_USER_OPEN_MACHINE);
    ASSERT_TRUE(node);
    const SettingsPtr playback = child(node, "Playback");
    ASSERT_TRUE(playback);
    ASSERT_TRUE(playback->setInt("RecentFileMaximum", 12));
    EXPECT_EQ(maximum(), 12);
}

} // namespace
