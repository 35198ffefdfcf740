// The recently played list: entries with one and several title positions, newest first,
// save versus update, trimming to the maximum, and the in-memory playlist over the list.

#include "support/PluginFixture.h"

#include <QSqlQuery>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef M::TitlePosition TitlePosition;

TitlePosition position(int title, int audio, int subtitle, qint64 msecs) {
    TitlePosition p;
    p.titleId = title;
    p.audioTrackId = audio;
    p.subtitleTrackId = subtitle;
    p.positionMsecs = msecs;
    return p;
}

class RecentFiles : public PluginFixture {
protected:
    // Saves a new entry with the given positions; the caller releases it.
    M::RecentFileInterface* play(const QString& url, const M::TitlePositionList& positions = {}) {
        M::RecentFileInterface* file = nullptr;
        EXPECT_TRUE(library->newRecentFile(QUrl(url), &file)) << qPrintable(url);
        if (!file)
            return nullptr;
        file->setPositions(positions);
        EXPECT_TRUE(file->save());
        return file;
    }
    quint64 playAndRelease(const QString& url) {
        M::RecentFileInterface* file = play(url);
        const quint64 id = file->getId();
        file->release();
        return id;
    }
    // The list newest first, as URLs.
    QStringList newestFirst() {
        QStringList urls;
        quint64 entries = 0;
        EXPECT_TRUE(library->getRecentFileCount(&entries));
        for (quint64 i = 0; i < entries; ++i) {
            M::RecentFileInterface* file = nullptr;
            if (!library->getRecentFileAt(i, &file))
                break;
            urls << file->getUri().toString();
            file->release();
        }
        return urls;
    }
    // Gives entries distinct, ordered stamps without waiting for the clock.
    void stamp(const QString& url, const QString& when) {
        exec(QStringLiteral("UPDATE recent_file SET last_change = '%1' WHERE uri = '%2'")
                 .arg(when, url));
    }
    QString positionRows() {
        QStringList rows;
        QSqlQuery query(checkDatabase());
        query.exec(QStringLiteral("SELECT title_id, audio_track_id, subtitle_track_id, "
                                  "position_msecs FROM recent_file_position ORDER BY rowid"));
        while (query.next())
            rows << QStringLiteral("%1/%2/%3/%4")
                        .arg(query.value(0).toString(), query.value(1).toString(),
                             query.value(2).toString(), query.value(3).toString());
        return rows.join(QLatin1Char(' '));
    }
};

TEST_F(RecentFiles, FirstPositionLivesInTheEntryAndTheOthersInRowsOfTheirOwn) {
    M::RecentFileInterface* file =
        play(QStringLiteral("file:///dvd"), {position(1, 2, 3, 1000), position(4, 5, 6, 2000)});
    const quint64 id = file->getId();
    EXPECT_EQ(scalar(QStringLiteral("SELECT title_id || '/' || audio_track_id || '/' || "
                                    "subtitle_track_id || '/' || position_msecs FROM recent_file"))
                  .toString(),
              QStringLiteral("1/2/3/1000"));
    EXPECT_EQ(positionRows(), QStringLiteral("4/5/6/2000"));

    file->setPositions({position(7, 0, 0, 3000)});
    ASSERT_TRUE(file->save());
    EXPECT_EQ(positionRows(), QString());
    EXPECT_EQ(count(QStringLiteral("recent_file")), 1);
    file->release();

    stopPlugin();
    startPlugin();
    M::RecentFileInterface* loaded = nullptr;
    ASSERT_TRUE(library->getRecentFile(id, &loaded));
    ASSERT_EQ(loaded->getPositions().size(), 1);
    EXPECT_EQ(loaded->getPositions().at(0).titleId.toInt(), 7);
    EXPECT_EQ(loaded->getPositions().at(0).positionMsecs.toLongLong(), 3000);
    loaded->release();
}

TEST_F(RecentFiles, NoPositionsStoreNulls) {
    playAndRelease(QStringLiteral("file:///a"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT coalesce(title_id, audio_track_id, "
                                      "subtitle_track_id, position_msecs) FROM recent_file"))
                    .isNull());
}

TEST_F(RecentFiles, AnEntryWithoutATitleLoadsOnlyItsFurtherPositions) {
    exec(QStringLiteral("INSERT INTO recent_file (recent_file_id, uri, position_msecs) VALUES "
                        "(9, 'file:///x', 500)"));
    exec(QStringLiteral("INSERT INTO recent_file_position (recent_file_id, title_id, "
                        "position_msecs) VALUES (9, 2, 700)"));
    M::RecentFileInterface* file = nullptr;
    ASSERT_TRUE(library->getRecentFile(9, &file));
    ASSERT_EQ(file->getPositions().size(), 1);
    EXPECT_EQ(file->getPositions().at(0).titleId.toInt(), 2);
    file->release();
}

TEST_F(RecentFiles, ListIsNewestFirstAndFindsUrlsInOtherCase) {
    playAndRelease(QStringLiteral("file:///a"));
    playAndRelease(QStringLiteral("file:///b"));
    playAndRelease(QStringLiteral("file:///c"));
    stamp(QStringLiteral("file:///a"), QStringLiteral("2026-01-01 00:00:03.000"));
    stamp(QStringLiteral("file:///b"), QStringLiteral("2026-01-01 00:00:01.000"));
    stamp(QStringLiteral("file:///c"), QStringLiteral("2026-01-01 00:00:02.000"));
    EXPECT_EQ(newestFirst(), QStringList({"file:///a", "file:///c", "file:///b"}));
    M::RecentFileInterface* file = nullptr;
    EXPECT_FALSE(library->getRecentFileAt(3, &file));
    EXPECT_FALSE(library->newRecentFile(QUrl(QStringLiteral("FILE:///A")), &file));
    ASSERT_TRUE(library->findRecentFile(QUrl(QStringLiteral("FILE:///B")), &file));
    // Saving moves the entry to the head of the list.
    ASSERT_TRUE(file->save());
    EXPECT_EQ(newestFirst().first(), QStringLiteral("file:///b"));
    file->release();
}

TEST_F(RecentFiles, EntriesKnowTheirLibraryNode) {
    const quint64 node = insertNode(QStringLiteral("file:///movie.avi"));
    M::RecentFileInterface* file = nullptr;
    ASSERT_TRUE(library->newRecentFile(QUrl(QStringLiteral("file:///MOVIE.avi")), &file));
    EXPECT_EQ(file->getNodeId(), node);
    file->release();
    ASSERT_TRUE(library->newRecentFile(QUrl(QStringLiteral("file:///other.avi")), &file));
    EXPECT_TRUE(file->isNodeIdNull());
    file->release();
    ASSERT_TRUE(library->newRecentFileForNode(node, &file));
    EXPECT_EQ(file->getUri().toString(), QStringLiteral("file:///movie.avi"));
    file->release();
    EXPECT_FALSE(library->newRecentFileForNode(node + 100, &file));
}

TEST_F(RecentFiles, SaveKeepsUriAndNodeWhileUpdateChangesTheNodeOnly) {
    M::RecentFileInterface* file =
        play(QStringLiteral("file:///a"), {position(1, 0, 0, 10), position(2, 0, 0, 20)});
    file->setNodeId(42);
    file->setUri(QUrl(QStringLiteral("file:///elsewhere")));
    ASSERT_TRUE(file->save());
    EXPECT_EQ(scalar(QStringLiteral("SELECT uri FROM recent_file")).toString(),
              QStringLiteral("file:///a"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT node_id FROM recent_file")).isNull());

    file->setPositions({position(5, 0, 0, 50)});
    ASSERT_TRUE(library->updateRecentFile(file));
    EXPECT_EQ(scalar(QStringLiteral("SELECT node_id FROM recent_file")).toInt(), 42);
    EXPECT_EQ(scalar(QStringLiteral("SELECT title_id FROM recent_file")).toInt(), 5);
    EXPECT_EQ(positionRows(), QStringLiteral("2/0/0/20")) << "update leaves further positions";
    file->release();
}

TEST_F(RecentFiles, DeleteDetachesTheHeldObject) {
    M::RecentFileInterface* file =
        play(QStringLiteral("file:///a"), {position(1, 0, 0, 1), position(2, 0, 0, 2)});
    const quint64 id = file->getId();
    M::RecentFileInterface* again = nullptr;
    ASSERT_TRUE(library->getRecentFile(id, &again));
    EXPECT_EQ(again, file);
    again->release();
    ASSERT_TRUE(library->deleteRecentFile(id));
    EXPECT_FALSE(file->isAttached());
    EXPECT_FALSE(file->save());
    EXPECT_FALSE(library->getRecentFile(id, &again));
    EXPECT_EQ(count(QStringLiteral("recent_file_position")), 0);
    EXPECT_TRUE(messages.isEmpty()) << "recent files publish nothing";
    EXPECT_TRUE(library->deleteRecentFile(id)) << "deleting nothing still succeeds";
    file->release();
    quint64* none = nullptr;
    EXPECT_FALSE(library->getRecentFileCount(none));
}

TEST_F(RecentFiles, ListIsTrimmedToThirtyByDefault) {
    for (int i = 0; i < 30; ++i) {
        playAndRelease(QStringLiteral("file:///%1").arg(i));
        stamp(QStringLiteral("file:///%1").arg(i),
              QStringLiteral("2026-01-01 00:00:%1.000").arg(i, 2, 10, QLatin1Char('0')));
    }
    EXPECT_EQ(count(QStringLiteral("recent_file")), 30);
    playAndRelease(QStringLiteral("file:///new"));
    EXPECT_EQ(count(QStringLiteral("recent_file")), 30);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM recent_file WHERE uri = 'file:///0'")).toInt(),
        0)
        << "the oldest stamp went";
}

TEST_F(RecentFiles, EntriesSharingTheLastStampStay) {
    for (const char* url : {"file:///a", "file:///b", "file:///c"})
        playAndRelease(QLatin1String(url));
    exec(QStringLiteral("UPDATE recent_file SET last_change = '2026-01-01 00:00:00.000'"));
    setRecentFileMaximum(2);
    EXPECT_TRUE(library->trimRecentFiles());
    EXPECT_EQ(count(QStringLiteral("recent_file")), 3);
}

class RecentFilesWithMaximum : public RecentFiles {
protected:
    bool startsPlugin() const override { return false; }
};

TEST_F(RecentFilesWithMaximum, MaximumComesFromTheSettingsAndZeroNeverTrims) {
    setRecentFileMaximum(0);
    startPlugin();
    for (int i = 0; i < 35; ++i)
        playAndRelease(QStringLiteral("file:///%1").arg(i));
    EXPECT_EQ(count(QStringLiteral("recent_file")), 35);

    setRecentFileMaximum(5);
    exec(QStringLiteral("UPDATE recent_file SET last_change = '2026-01-01 00:00:' || "
                        "substr('0' || recent_file_id, -2) || '.000'"));
    EXPECT_TRUE(library->trimRecentFiles());
    EXPECT_EQ(count(QStringLiteral("recent_file")), 5);
}

TEST_F(RecentFiles, AFailedTrimLeavesTheHostsTransactionAlone) {
    setRecentFileMaximum(1);
    exec(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON recent_file "
                        "BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    ASSERT_TRUE(library->beginTransaction());
    playAndRelease(QStringLiteral("file:///a"));
    playAndRelease(QStringLiteral("file:///b")); // its trim fails
    ASSERT_TRUE(library->commitTransaction());
    EXPECT_EQ(count(QStringLiteral("recent_file")), 2) << "both saves reported success";
}

TEST_F(RecentFiles, AFailedTrimNeverCostsThePlayAndTheNextSaveTrims) {
    setRecentFileMaximum(2);
    playAndRelease(QStringLiteral("file:///a"));
    playAndRelease(QStringLiteral("file:///b"));
    exec(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON recent_file "
                        "BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    M::RecentFileInterface* file =
        play(QStringLiteral("file:///c"), {position(1, 2, 3, 4000), position(2, 1, 0, 9000)});
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->isNew());
    file->release();
    EXPECT_EQ(count(QStringLiteral("recent_file")), 3) << "one over, until the next trim";
    EXPECT_EQ(count(QStringLiteral("recent_file_position")), 1);

    exec(QStringLiteral("DROP TRIGGER keep"));
    for (const char* url : {"a", "b", "c"})
        stamp(QStringLiteral("file:///%1").arg(QLatin1String(url)),
              QStringLiteral("2026-01-01 00:00:0%1.000").arg(url[0] - 'a'));
    playAndRelease(QStringLiteral("file:///d"));
    EXPECT_EQ(count(QStringLiteral("recent_file")), 2);
    EXPECT_EQ(count(QStringLiteral("recent_file WHERE uri = 'file:///c'")), 1);
}

TEST_F(RecentFiles, InMemoryPlaylistShowsTheListNewestFirst) {
    M::VideoFileInterface* video = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///v.avi")), QStringLiteral("V"), 1,
                                      1, &video));
    ASSERT_TRUE(video->save());
    playAndRelease(QStringLiteral("file:///nonode"));
    playAndRelease(QStringLiteral("file:///v.avi"));
    stamp(QStringLiteral("file:///nonode"), QStringLiteral("2026-01-01 00:00:01.000"));
    stamp(QStringLiteral("file:///v.avi"), QStringLiteral("2026-01-01 00:00:02.000"));

    M::PlaylistInterface* recent = nullptr;
    ASSERT_TRUE(library->getPlaylist(quint64(-1), &recent));
    EXPECT_EQ(recent->getItemCount(), 2);
    M::MediaFileInterface* media = nullptr;
    ASSERT_TRUE(recent->getMediaFileAt(0, &media));
    EXPECT_EQ(media, static_cast<M::MediaFileInterface*>(video));
    media->release();
    EXPECT_FALSE(recent->getMediaFileAt(1, &media)) << "an entry without a node";
    M::RecentFileInterface* entry = nullptr;
    ASSERT_TRUE(recent->getRecentFileAtPosition(1, &entry));
    EXPECT_EQ(entry->getUri().toString(), QStringLiteral("file:///nonode"));
    entry->release();
    ASSERT_TRUE(recent->findRecentFileInList(QUrl(QStringLiteral("file:///NONODE")), &entry));
    entry->release();
    EXPECT_EQ(recent->getTotalSize(), 0);

    ASSERT_TRUE(recent->removeAt(0));
    EXPECT_EQ(count(QStringLiteral("recent_file")), 1);
    EXPECT_EQ(recent->getItemCount(), 1);
    ASSERT_TRUE(recent->removeNode(video->getId())); // nothing left for it: still fine
    recent->release();
    video->release();
}

} // namespace
