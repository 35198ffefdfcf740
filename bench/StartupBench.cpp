// Case 4: the first start of a new library that takes over an older release's library database
// (100,000 files, all in its "All Videos" playlist, a tenth of them also in ten playlists of
// their own) and its download queue file (1,000 downloads). The plugin's start-up against a
// baseline that writes the same rows with the sqlite3 C API. scripts/bench runs each side in
// a process of its own, so that each reports its own peak memory.

#include "HostedLibrary.h"
#include "Paired.h"
#include "RawSqlite.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

typedef std::chrono::steady_clock Clock;

const qint64 kLegacyFiles = 100000;
const qint64 kUserPlaylists = 10;
const qint64 kUserMembers = 1000; // files per user playlist
const qint64 kQueueItems = 1000;

const char kRes[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/res";
const char kSize[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/size";
const char kDuration[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/duration";
const char kTitle[] = "http://purl.org/dc/elements/1.1/title";
const char kAdded[] = "http://purl.org/dc/elements/1.1/importDate";

QString legacyUri(qint64 i) {
    return QStringLiteral("file:///C:/Users/viewer/Videos/Old/movie-%1.avi").arg(i);
}

// The older release's files, made once per process.
struct LegacyData {
    QTemporaryDir dir;
    QString database() const { return dir.path() + QStringLiteral("/Database.dat"); }
    QString queue() const { return dir.path() + QStringLiteral("/downloadmanager.xml"); }
};

void writeLegacyDatabase(const QString& path) {
    RawLibrary db(path);
    db.exec("CREATE TABLE pindex (id INTEGER PRIMARY KEY, name TEXT)");
    db.exec("CREATE TABLE property (object_id INTEGER, pindex_id INTEGER, value)");
    db.exec("CREATE TABLE relation (parent INTEGER, object_id INTEGER)");
    db.exec("BEGIN");
    {
        RawStatement name(db.handle(), "INSERT INTO pindex (id, name) VALUES (?1, ?2)");
        const char* const names[] = {kRes, kSize, kDuration, kTitle, kAdded};
        for (int i = 0; i < 5; ++i)
            name.bind(1, qint64(i + 1)).bind(2, QLatin1String(names[i])).run();
        RawStatement text(db.handle(),
                          "INSERT INTO property (object_id, pindex_id, value) VALUES (?1, ?2, ?3)");
        RawStatement number(
            db.handle(), "INSERT INTO property (object_id, pindex_id, value) VALUES (?1, ?2, ?3)");
        RawStatement member(db.handle(),
                            "INSERT INTO relation (parent, object_id) VALUES (?1, ?2)");
        const qint64 allVideos = kLegacyFiles + 1;
        text.bind(1, allVideos).bind(2, 4).bind(3, QStringLiteral("All Videos")).run();
        for (qint64 p = 1; p <= kUserPlaylists; ++p)
            text.bind(1, allVideos + p)
                .bind(2, 4)
                .bind(3, QStringLiteral("Favourites %1").arg(p))
                .run();
        for (qint64 i = 1; i <= kLegacyFiles; ++i) {
            text.bind(1, i).bind(2, 1).bind(3, legacyUri(i)).run();
            number.bind(1, i).bind(2, 2).bind(3, 700000000 + i).run();
            number.bind(1, i).bind(2, 3).bind(3, 5400000 + i).run();
            text.bind(1, i).bind(2, 4).bind(3, QStringLiteral("Movie %1").arg(i)).run();
            text.bind(1, i)
                .bind(2, 5)
                .bind(3, QStringLiteral("2009-%1-%2 07:08:09")
                             .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                             .arg(i % 28 + 1, 2, 10, QLatin1Char('0')))
                .run();
            member.bind(1, allVideos).bind(2, i).run();
        }
        for (qint64 p = 1; p <= kUserPlaylists; ++p) {
            for (qint64 k = 0; k < kUserMembers; ++k)
                member.bind(1, allVideos + p)
                    .bind(2, (p - 1) * kUserMembers * 7 % kLegacyFiles + k * 7 + 1)
                    .run();
        }
    }
    db.exec("COMMIT");
    // The older release looked properties up by object and members by playlist.
    db.exec("CREATE INDEX property_object ON property (object_id, pindex_id, value)");
    db.exec("CREATE INDEX relation_parent ON relation (parent, object_id)");
    // With statistics the planner walks these indexes rather than building its own ones.
    db.exec("ANALYZE");
}

void writeQueueFile(const QString& path) {
    QFile file(path);
    require(file.open(QIODevice::WriteOnly), "queue file");
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DownloadManager><DownloadQueue>\n");
    for (qint64 i = 1; i <= kQueueItems; ++i) {
        const bool finished = i % 3 == 0;
        const bool encrypted = i % 2 == 0;
        file.write(QStringLiteral("<DownloadItem url='http://downloads.example.com/item/%1' "
                                  "ticket='T%1' status='%2' encrypted='%3' "
                                  "filePath='C:\\Downloads\\item-%1.wmv' title='Download %1' "
                                  "fileSize='%4' contentProviderDisplayName='Provider' "
                                  "contentEncryptionUsageID='%1' ticketAlreadyTorn='false'/>\n")
                       .arg(i)
                       .arg(finished ? 4 : 1)
                       .arg(encrypted ? QStringLiteral("true") : QStringLiteral("false"))
                       .arg(100000000 + i)
                       .toUtf8());
    }
    file.write("</DownloadQueue></DownloadManager>\n");
}

const LegacyData& legacyData() {
    static LegacyData* data = nullptr;
    if (!data) {
        data = new LegacyData;
        writeLegacyDatabase(data->database());
        writeQueueFile(data->queue());
    }
    return *data;
}

// A data folder with the older release's files where the plugin looks for them.
void layOut(const LibraryFolder& folder) {
    const LegacyData& data = legacyData();
    require(QDir().mkpath(folder.legacyFolder()), "legacy folder");
    require(QFile::copy(data.database(), folder.legacyFolder() + QStringLiteral("/Database.dat")),
            "legacy database");
    require(
        QFile::copy(data.queue(), folder.legacyFolder() + QStringLiteral("/downloadmanager.xml")),
        "legacy queue");
}

void finish(benchmark::State& state) {
    state.counters["items"] = double(kLegacyFiles);
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

// The baseline's start-up: the schema script and the index, the version row, the built-in
// playlists, the legacy files and memberships, the queue, the version, in one transaction.
const char kSelectLegacyMedia[] =
    "SELECT file.object_id, file.value, added.value, title.value, size.value, duration.value "
    "FROM property AS file "
    "JOIN property AS added ON added.object_id = file.object_id "
    "JOIN property AS title ON title.object_id = file.object_id "
    "JOIN property AS size ON size.object_id = file.object_id "
    "JOIN property AS duration ON duration.object_id = file.object_id "
    "WHERE file.pindex_id = (SELECT id FROM pindex WHERE name = ?1) "
    "AND added.pindex_id = (SELECT id FROM pindex WHERE name = ?2) "
    "AND title.pindex_id = (SELECT id FROM pindex WHERE name = ?3) "
    "AND size.pindex_id = (SELECT id FROM pindex WHERE name = ?4) "
    "AND duration.pindex_id = (SELECT id FROM pindex WHERE name = ?5)";
const char kSelectLegacyMemberships[] =
    "SELECT file.object_id, file.value, playlist.value FROM relation "
    "JOIN property AS playlist ON playlist.object_id = relation.parent "
    "JOIN property AS file ON file.object_id = relation.object_id "
    "WHERE file.pindex_id = (SELECT id FROM pindex WHERE name = ?1) "
    "AND playlist.pindex_id = (SELECT id FROM pindex WHERE name = ?2)";

class RawStartup {
public:
    explicit RawStartup(const LibraryFolder& folder)
        : library(folder.libraryPath()), legacyFolder(folder.legacyFolder()) {}

    void run() {
        library.exec("BEGIN");
        runSchemaScript();
        library.exec("INSERT INTO schema_data (version) VALUES(0)");
        ensureBuiltInPlaylists();
        prepareTargets();
        importFiles();
        importMemberships();
        importQueue();
        library.exec("UPDATE schema_data SET version = 65792");
        library.exec("COMMIT");
    }

private:
    void runSchemaScript() {
        QFile script(QStringLiteral(ORV_SCHEMA_SCRIPT));
        require(script.open(QIODevice::ReadOnly), "schema script");
        const QStringList pieces =
            QString::fromLatin1(script.readAll()).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        for (const QString& piece : pieces) {
            if (!piece.trimmed().isEmpty())
                library.exec(piece);
        }
        library.exec("CREATE INDEX IF NOT EXISTS playlist_item_playlist_order "
                     "ON playlist_item (playlist_id, play_order)");
    }

    void ensureBuiltInPlaylists() {
        RawStatement select(library.handle(),
                            "SELECT playlist_id FROM playlist WHERE playlist_type = ?1");
        RawStatement insert(library.handle(), "INSERT INTO playlist (playlist_type, "
                                              "media_file_type, sort_flags) VALUES (?1, ?2, 8)");
        const int builtIn[][2] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {16, 0}, {18, 0}};
        for (const auto& p : builtIn) {
            select.bind(1, qint64(p[0]));
            const bool exists = select.row();
            select.reset();
            if (!exists)
                insert.bind(1, qint64(p[0])).bind(2, qint64(p[1])).run();
        }
    }

    void prepareTargets() {
        sqlite3* db = library.handle();
        insertNode.reset(new RawStatement(db, "INSERT INTO node (uri, name, create_date) "
                                              "VALUES (?1, ?2, ?3)"));
        insertQueuedNode.reset(
            new RawStatement(db, "INSERT INTO node (uri, name) VALUES (?1, ?2)"));
        insertMedia.reset(
            new RawStatement(db, "INSERT INTO media_file (node_id, "
                                 "media_file_type, size, title) VALUES (?1, ?2, ?3, ?4)"));
        insertVideo.reset(
            new RawStatement(db, "INSERT INTO video_file (node_id, duration) VALUES (?1, ?2)"));
        nodeByUri.reset(new RawStatement(db, "SELECT node_id FROM node WHERE uri = ?1"));
        playlistByType.reset(
            new RawStatement(db, "SELECT playlist_id FROM playlist WHERE playlist_type = ?1"));
        userPlaylist.reset(new RawStatement(
            db, "SELECT playlist_id FROM playlist WHERE playlist_type = 255 AND name = ?1"));
        insertUserPlaylist.reset(new RawStatement(
            db, "INSERT INTO playlist (name, playlist_type, media_file_type, sort_flags) "
                "VALUES (?1, 255, 1, 2)"));
        insertItem.reset(new RawStatement(db, "INSERT INTO playlist_item (playlist_id, node_id, "
                                              "play_order) VALUES (?1, ?2, ?3)"));
        countItems.reset(new RawStatement(
            db, "SELECT count(playlist_item_id) FROM playlist_item WHERE playlist_id = ?1"));
        insertAcquired.reset(new RawStatement(db,
                                              "INSERT INTO acquired_file (node_id, "
                                              "content_provider, content_id) VALUES (?1, ?2, ?3)"));
        insertQueued.reset(new RawStatement(
            db, "INSERT INTO queued_file (node_id, temp_uri, download_url, download_status, "
                "percent_complete, ticket, ticket_torn) VALUES (?1, NULL, ?2, ?3, ?4, ?5, ?6)"));
    }

    static QString nameOf(const QString& uri) {
        return uri.mid(uri.lastIndexOf(QLatin1Char('/')) + 1);
    }

    void importFiles() {
        RawLibrary legacy(legacyFolder + QStringLiteral("/Database.dat"));
        RawStatement media(legacy.handle(), kSelectLegacyMedia);
        const char* const names[] = {kRes, kAdded, kTitle, kSize, kDuration};
        for (int i = 0; i < 5; ++i)
            media.bind(i + 1, QLatin1String(names[i]));
        while (media.row()) {
            const QString uri = media.text(1);
            insertNode->bind(1, uri).bind(2, nameOf(uri)).bind(3, media.text(2)).run();
            const qint64 id = library.lastInsertId();
            insertMedia->bind(1, id)
                .bind(2, 1)
                .bind(3, media.integer(4))
                .bind(4, media.text(3))
                .run();
            insertVideo->bind(1, id).bind(2, media.integer(5)).run();
        }
    }

    qint64 firstId(RawStatement& select) {
        require(select.row(), "import target");
        const qint64 id = select.integer(0);
        select.reset();
        return id;
    }
    qint64 nodeOf(const QString& uri) {
        nodeByUri->bind(1, uri);
        return firstId(*nodeByUri);
    }
    qint64 playlistOfType(int type) {
        playlistByType->bind(1, qint64(type));
        return firstId(*playlistByType);
    }
    qint64 userPlaylistNamed(const QString& name) {
        userPlaylist->bind(1, name);
        if (userPlaylist->row()) {
            const qint64 id = userPlaylist->integer(0);
            userPlaylist->reset();
            return id;
        }
        userPlaylist->reset();
        insertUserPlaylist->bind(1, name).run();
        return library.lastInsertId();
    }
    // Appends after the items the playlist holds, counted once and then kept.
    void append(qint64 playlist, qint64 node) {
        auto count = itemCounts.find(playlist);
        if (count == itemCounts.end()) {
            countItems->bind(1, playlist);
            count = itemCounts.insert(playlist, firstId(*countItems));
        }
        insertItem->bind(1, playlist).bind(2, node).bind(3, count.value()++).run();
    }

    void importMemberships() {
        RawLibrary legacy(legacyFolder + QStringLiteral("/Database.dat"));
        RawStatement memberships(legacy.handle(), kSelectLegacyMemberships);
        memberships.bind(1, QLatin1String(kRes)).bind(2, QLatin1String(kTitle));
        while (memberships.row()) {
            const qint64 node = nodeOf(memberships.text(1));
            const QString playlist = memberships.text(2);
            if (playlist == QLatin1String("All Videos")) {
                const qint64 all = playlistOfType(1);
                const qint64 videos = playlistOfType(2);
                append(all, node);
                append(videos, node);
            } else {
                append(userPlaylistNamed(playlist), node);
            }
        }
    }

    void importQueue() {
        QFile file(legacyFolder + QStringLiteral("/downloadmanager.xml"));
        require(file.open(QIODevice::ReadOnly), "queue file");
        QXmlStreamReader reader(&file);
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("DownloadItem"))
                importItem(reader.attributes());
        }
    }

    void importItem(const QXmlStreamAttributes& a) {
        const QString ticket = a.value(QLatin1String("ticket")).toString();
        const QString url = a.value(QLatin1String("url")).toString();
        const bool encrypted =
            a.value(QLatin1String("encrypted")).toString().toLower() == QLatin1String("true");
        const bool finished = a.value(QLatin1String("status")).toInt() == 4;
        QString uri = QStringLiteral("vireo_vod_file://") + ticket;
        if (finished) {
            QString path = a.value(QLatin1String("filePath")).toString();
            path.replace(QLatin1Char('\\'), QLatin1Char('/'));
            uri = QStringLiteral("file:///") + path;
        }
        QList<qint64> targets{playlistOfType(16)};
        if (finished && encrypted)
            targets.append(playlistOfType(18));
        nodeByUri->bind(1, uri);
        const bool known = nodeByUri->row();
        qint64 node = known ? nodeByUri->integer(0) : 0;
        nodeByUri->reset();
        if (!known) {
            insertQueuedNode->bind(1, uri).bind(2, nameOf(uri)).run();
            node = library.lastInsertId();
        }
        insertAcquired->bind(1, node)
            .bind(2, a.value(QLatin1String("contentProviderDisplayName")).toString())
            .bind(3, a.value(QLatin1String("contentEncryptionUsageID")).toLongLong())
            .run();
        insertQueued->bind(1, node)
            .bind(2, url)
            .bind(3, finished ? 4 : 1)
            .bind(4, finished ? 100 : 0)
            .bind(5, ticket)
            .bind(6, 0)
            .run();
        if (!encrypted) {
            insertMedia->bind(1, node)
                .bind(2, 1)
                .bind(3, a.value(QLatin1String("fileSize")).toLongLong())
                .bind(4, a.value(QLatin1String("title")).toString())
                .run();
            if (finished) {
                insertVideo->bind(1, node).bindNull(2).run();
                targets.append(playlistOfType(1));
                targets.append(playlistOfType(2));
            }
        }
        for (qint64 target : targets)
            append(target, node);
    }

    RawLibrary library;
    QString legacyFolder;
    std::unique_ptr<RawStatement> insertNode, insertQueuedNode, insertMedia, insertVideo, nodeByUri,
        playlistByType, userPlaylist, insertUserPlaylist, insertItem, countItems, insertAcquired,
        insertQueued;
    QHash<qint64, qint64> itemCounts;
};

// The start-up of either side alone, in a process of its own (scripts/bench runs each so), for
// the peak memory of that process.
void startupPlugin(benchmark::State& state) {
    for (auto _ : state) {
        LibraryFolder folder;
        layOut(folder);
        const auto start = Clock::now();
        {
            HostedLibrary library(folder);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    finish(state);
}

void startupRaw(benchmark::State& state) {
    for (auto _ : state) {
        LibraryFolder folder;
        layOut(folder);
        require(QDir().mkpath(QFileInfo(folder.libraryPath()).absolutePath()), "library folder");
        RawStartup startup(folder);
        const auto start = Clock::now();
        startup.run();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state);
}

// Both start-ups one after the other in each repetition, for the ratio of their times.
void startupPair(benchmark::State& state) {
    for (auto _ : state) {
        LibraryFolder pluginFolder;
        LibraryFolder rawFolder;
        layOut(pluginFolder);
        layOut(rawFolder);
        require(QDir().mkpath(QFileInfo(rawFolder.libraryPath()).absolutePath()), "library folder");
        std::unique_ptr<HostedLibrary> library;
        RawStartup startup(rawFolder);
        Rounds rounds({whole([&] { library = std::make_unique<HostedLibrary>(pluginFolder); }),
                       whole([&] { startup.run(); })});
        rounds.run(1);
        reportPair(state, rounds, 1);
    }
    finish(state);
}

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case4/pair/100000", startupPair), 3);
    for (auto* b : {benchmark::RegisterBenchmark("case4/plugin/100000", startupPlugin),
                    benchmark::RegisterBenchmark("case4/raw/100000", startupRaw)})
        b->UseManualTime()->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
