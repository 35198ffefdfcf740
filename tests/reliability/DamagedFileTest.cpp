// Files the plugin finds damaged: a library file that is not one, cut short, with flipped bits
// or without a table, and a settings file that cannot be parsed. The plugin is always created and
// never crashes; a library it cannot open is reported closed and left exactly as it was (the
// user's data stays recoverable); a damaged settings file gives the defaults and is kept.

#include "ReliabilityFixture.h"
#include "settings/RegistryHive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>

namespace {

typedef VireoStudio::MediaManagerInterface M;

class DamagedLibrary : public ReliabilityFixture {
protected:
    void SetUp() override {
        ReliabilityFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(playerFolder()));
    }

    // A library of a few video files in a user playlist, with plays, as its bytes.
    QByteArray healthyLibrary() {
        startPlugin();
        EXPECT_TRUE(library->isOpen());
        M::PlaylistInterface* playlist = nullptr;
        EXPECT_TRUE(library->newPlaylist(QStringLiteral("Kept"), 1, &playlist));
        EXPECT_TRUE(playlist->save());
        for (int i = 0; i < 40; ++i) {
            M::VideoFileInterface* file = nullptr;
            const QUrl url(QStringLiteral("file:///media/clip%1.avi").arg(i));
            EXPECT_TRUE(
                library->newVideoFile(url, QStringLiteral("Clip %1").arg(i), 10, 20, &file));
            EXPECT_TRUE(file->save());
            EXPECT_TRUE(playlist->insertNodeAt(0, file->getId()));
            file->release();
            M::RecentFileInterface* recent = nullptr;
            if (i % 4 == 0 && library->newRecentFile(url, &recent)) {
                recent->setPositions({M::TitlePosition{1, 2, 3, i}});
                EXPECT_TRUE(recent->save());
                recent->release();
            }
        }
        playlist->release();
        stopPlugin();
        QFile file(libraryPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    void writeLibrary(const QByteArray& bytes) {
        closeCheckDatabase();
        QFile::remove(libraryPath() + QStringLiteral("-journal"));
        QFile file(libraryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray libraryBytes() {
        QFile file(libraryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts the plugin on the bytes as its library file. A library reported closed must be
    // left as it was; an open one must take every kind of request without crashing (what the
    // requests answer is not the point). Returns whether it opened.
    bool startOn(const QByteArray& bytes) {
        writeLibrary(bytes);
        startPlugin();
        const bool open = library->isOpen();
        if (open) {
            exercise();
        } else {
            EXPECT_FALSE(library->saveVideoFile(nullptr));
        }
        stopPlugin();
        if (!open) {
            EXPECT_TRUE(libraryBytes() == bytes) << "a library that did not open was changed";
        }
        return open;
    }

    void exercise() {
        for (int type : {1, 2, 16, 18, 64, 255}) {
            library->getPlaylistCount(type);
            M::PlaylistInterface* playlist = nullptr;
            if (!library->getPlaylistAt(type, 0, &playlist))
                continue;
            const qint64 items = playlist->getItemCount();
            for (qint64 i = 0; i < std::min<qint64>(items, 5); ++i) {
                M::MediaFileInterface* file = nullptr;
                if (playlist->getMediaFileAt(quint64(i), &file))
                    file->release();
            }
            playlist->sort(20);
            playlist->insertNodeAt(0, 1);
            playlist->removeAt(0);
            playlist->getTotalSize();
            playlist->release();
        }
        M::MediaFileInterface* found = nullptr;
        if (library->findMediaFile(QUrl(QStringLiteral("file:///media/clip3.avi")), &found))
            found->release();
        M::VideoFileInterface* file = nullptr;
        if (library->newVideoFile(QUrl(QStringLiteral("file:///media/new.avi")),
                                  QStringLiteral("New"), 1, 2, &file)) {
            file->save();
            file->remove();
            file->release();
        }
        M::RecentFileInterface* recent = nullptr;
        if (library->getRecentFileAt(0, &recent)) {
            recent->save();
            recent->release();
        }
        library->trimRecentFiles();
        library->deleteVideoFile(2);
    }
};

TEST_F(DamagedLibrary, FileThatIsNoDatabaseStaysClosedAndUntouched) {
    std::mt19937 random(7);
    QByteArray noise(8192, '\0');
    for (char& byte : noise)
        byte = char(random());
    const QByteArray zeros(8192, '\0');
    const QByteArray text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER]\n";
    for (const QByteArray& bytes : {noise, zeros, text}) {
        SCOPED_TRACE(bytes.left(16).toHex().toStdString());
        EXPECT_FALSE(startOn(bytes));
    }
}

TEST_F(DamagedLibrary, EmptyFileBecomesANewLibrary) {
    EXPECT_TRUE(startOn(QByteArray()));
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
    expectIntact();
}

TEST_F(DamagedLibrary, DamagedHeaderStaysClosedAndUntouched) {
    const QByteArray healthy = healthyLibrary();
    QByteArray badMagic = healthy;
    badMagic[0] = 'X';
    QByteArray badPageSize = healthy;
    badPageSize[16] = char(0x01); // a page size that is not a power of two
    badPageSize[17] = char(0x23);
    for (const QByteArray& bytes : {badMagic, badPageSize, healthy.left(50)})
        EXPECT_FALSE(startOn(bytes));
}

TEST_F(DamagedLibrary, CutShortStaysClosedAndFlippedBitsNeverCrash) {
    const QByteArray healthy = healthyLibrary();
    ASSERT_GT(healthy.size(), 8192);
    for (qsizetype length : {qsizetype(100), qsizetype(1024), qsizetype(4096), healthy.size() / 2,
                             healthy.size() - 1}) {
        SCOPED_TRACE(testing::Message() << "cut to " << length << " bytes");
        EXPECT_FALSE(startOn(healthy.left(length)));
    }
    std::mt19937 random(2024);
    int opened = 0;
    int closed = 0;
    for (int variant = 0; variant < 40; ++variant) {
        QByteArray flipped = healthy;
        // A handful of bits anywhere, the first page (header and schema) favoured.
        for (int bit = 0; bit < 1 + variant % 4; ++bit) {
            const qsizetype range = variant % 2 ? flipped.size() : 4096;
            const qsizetype at = qsizetype(random() % quint64(range));
            flipped[at] = char(flipped[at] ^ char(1u << (random() % 8)));
        }
        SCOPED_TRACE(testing::Message() << "flipped variant " << variant);
        (startOn(flipped) ? opened : closed)++;
    }
    std::printf("libraries with flipped bits: %d opened, %d reported closed\n", opened, closed);
}

TEST_F(DamagedLibrary, LibraryWithoutOneOfItsTablesStaysClosedAndUntouched) {
    const QByteArray healthy = healthyLibrary();
    for (const char* table :
         {"schema_data", "node", "media_file", "video_file", "recent_file", "recent_file_position",
          "acquired_file", "queued_file", "playlist", "playlist_item"}) {
        SCOPED_TRACE(table);
        writeLibrary(healthy);
        exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table)));
        closeCheckDatabase();
        EXPECT_FALSE(startOn(libraryBytes()));
    }
}

class DamagedSettings : public ReliabilityFixture {
protected:
    QString settingsFile() const {
        return dir->path() + QStringLiteral("/config/Vireo/registry.reg");
    }
    QByteArray settingsBytes() const {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeSettings(const QByteArray& bytes) {
        QFile file(settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static bool parses(const QByteArray& bytes) {
        vds::reg::Hive hive(QStringLiteral("HKEY_CURRENT_USER"));
        return hive.parse(bytes, nullptr);
    }
    // The recent-file maximum in effect: plays are recorded until the list stops growing.
    qint64 recentMaximumInEffect(int plays) {
        for (int i = 0; i < plays; ++i) {
            M::RecentFileInterface* recent = nullptr;
            EXPECT_TRUE(library->newRecentFile(QUrl(QStringLiteral("file:///played/%1.avi").arg(i)),
                                               &recent));
            EXPECT_TRUE(recent->save());
            recent->release();
            stampPlaysInOrder();
        }
        quint64 entries = 0;
        EXPECT_TRUE(library->getRecentFileCount(&entries));
        return qint64(entries);
    }
};

TEST_F(DamagedSettings, UnparsableFileGivesTheDefaultAndIsKept) {
    setRecentFileMaximum(5);
    const QByteArray healthy = settingsBytes();
    ASSERT_TRUE(parses(healthy));
    QByteArray damaged = healthy;
    damaged.replace("dword:", "dword;");
    ASSERT_FALSE(parses(damaged));
    writeSettings(damaged);
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(recentMaximumInEffect(orvtest::kDefaultRecentMaximum + 2),
              orvtest::kDefaultRecentMaximum);
    stopPlugin();
    EXPECT_TRUE(settingsBytes() == damaged);
}

// A per-user file that cannot be read hides none of the machine-wide values: the plugin trims at
// the machine-wide maximum, as the command-line host shows it.
TEST_F(DamagedSettings, DamagedPerUserFileLeavesTheMachineWideMaximumInEffect) {
    const QString machineFile = dir->path() + QStringLiteral("/etc-xdg/Vireo/registry.reg");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(machineFile).absolutePath()));
    QFile machine(machineFile);
    ASSERT_TRUE(machine.open(QIODevice::WriteOnly));
    machine.write("Windows Registry Editor Version 5.00\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\VireoStudio.MediaLibrary\\"
                  "Playback]\n\"RecentFileMaximum\"=dword:00000003\n");
    machine.close();
    setRecentFileMaximum(5);
    const QByteArray healthy = settingsBytes();
    // Damaged, and well formed but holding a line the reader refuses.
    for (const QByteArray& unreadable :
         {QByteArray(healthy).replace("dword:", "dword;"), healthy + "\"Gone\"=-\n"}) {
        SCOPED_TRACE(unreadable.toStdString());
        writeSettings(unreadable);
        startPlugin();
        ASSERT_TRUE(library->isOpen());
        EXPECT_EQ(recentMaximumInEffect(5), 3);
        stopPlugin();
        EXPECT_TRUE(settingsBytes() == unreadable);
        closeCheckDatabase();
        ASSERT_TRUE(QFile::remove(libraryPath()));
    }
}

TEST_F(DamagedSettings, CutShortOrWithFlippedBitsNeverCrashesNorIsLost) {
    setRecentFileMaximum(5);
    const QByteArray healthy = settingsBytes();
    std::mt19937 random(99);
    QList<QByteArray> variants = {QByteArray(), healthy.left(10), healthy.left(healthy.size() / 2),
                                  QByteArray(300, '\xff')};
    for (int variant = 0; variant < 40; ++variant) {
        QByteArray flipped = healthy;
        const qsizetype at = qsizetype(random() % quint64(flipped.size()));
        flipped[at] = char(flipped[at] ^ char(1u << (random() % 8)));
        variants << flipped;
    }
    for (const QByteArray& bytes : variants) {
        SCOPED_TRACE(bytes.toStdString());
        writeSettings(bytes);
        const bool parsable = parses(bytes);
        startPlugin();
        EXPECT_TRUE(library->isOpen());
        stopPlugin();
        // A file the store cannot parse is never written over; one it can parse may gain the
        // plugin's key but keeps parsing.
        if (parsable) {
            EXPECT_TRUE(parses(settingsBytes()));
        } else {
            EXPECT_TRUE(settingsBytes() == bytes);
        }
    }
}

} // namespace
