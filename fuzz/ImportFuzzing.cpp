#include "ImportFuzzing.h"

#include "HostedPlugin.h"
#include "LibraryIntegrity.h"
#include "migration/LegacyLibraryImporter.h"
#include "migration/LegacyQueueImporter.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>

namespace orvfuzz {

namespace {

const char kLibraryConnection[] = "fuzz-library";
const char kLegacyConnection[] = "fuzz-legacy";
const char kSeedConnection[] = "fuzz-seed";

// A rule as a count that must be 0, and what a count above 0 means.
struct Rule {
    const char* count;
    const char* broken;
};

// Appending numbers a playlist's items 0, 1, 2, ... and nothing else writes to the scratch
// library's playlists.
const Rule kNumberedItems = {
    "SELECT count(*) FROM (SELECT playlist_id FROM playlist_item GROUP BY playlist_id HAVING "
    "min(play_order) != 0 OR max(play_order) != count(*) - 1 OR "
    "count(DISTINCT play_order) != count(*))",
    "playlists whose items are not numbered from 0 without gaps"};

const Rule kQueueRules[] = {
    kNumberedItems,
    {"SELECT count(*) FROM queued_file WHERE node_id NOT IN (SELECT node_id FROM playlist_item "
     "WHERE playlist_id IN (SELECT playlist_id FROM playlist WHERE playlist_type = 16))",
     "downloads missing from the download-queue playlist"},
    {"SELECT count(*) FROM queued_file WHERE download_status NOT IN (1, 4, 5) OR "
     "percent_complete != (CASE download_status WHEN 4 THEN 100 ELSE 0 END)",
     "downloads with a status or progress the import never writes"},
    {"SELECT count(*) FROM node WHERE node_id NOT IN (SELECT node_id FROM queued_file)",
     "nodes that are no download"},
};

const Rule kLegacyRules[] = {
    kNumberedItems,
    {"SELECT count(*) FROM node WHERE node_id NOT IN (SELECT node_id FROM video_file)",
     "imported files without their video row"},
    {"SELECT count(*) FROM media_file WHERE media_file_type != 1", "media rows not of videos"},
    {"SELECT count(*) FROM playlist WHERE playlist_type = 255 AND (name IS NULL OR name = '')",
     "user playlists without a name"},
};

// What the scratch library holds before every input: its six built-in playlists only.
const char kLeftOver[] = "SELECT (SELECT count(*) FROM node) + (SELECT count(*) FROM "
                         "playlist_item) + (SELECT count(*) FROM playlist) - 6";

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

void removeSideFiles(const QString& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// A library with its schema and built-in playlists, made once per process by the plugin's own
// start-up in a folder of its own.
class Scratch {
public:
    static Scratch& get() {
        static Scratch scratch;
        return scratch;
    }

    QString path(const char* name) const { return folder.path() + QLatin1Char('/') + name; }

    // Runs an import in a transaction, checks the rules while its rows are there, and rolls
    // everything back.
    QStringList run(const std::function<bool(VireoStudio::LibraryDatabase&)>& import,
                    const Rule* rules, size_t ruleCount) {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(kLibraryConnection), false);
        if (!library.beginTransaction())
            return {QStringLiteral("the scratch library begins no transaction")};
        QStringList problems;
        if (import(library)) {
            problems = orvtest::libraryIntegrityProblems(db);
            for (size_t i = 0; i < ruleCount; ++i) {
                QSqlQuery query(db);
                if (!query.exec(QLatin1String(rules[i].count)) || !query.next())
                    problems << QStringLiteral("cannot check: %1").arg(rules[i].broken);
                else if (query.value(0).toLongLong() != 0)
                    problems << QLatin1String(rules[i].broken);
            }
        }
        library.rollbackTransaction();
        QSqlQuery left(db);
        if (!left.exec(QLatin1String(kLeftOver)) || !left.next() || left.value(0).toInt() != 0) {
            problems << QStringLiteral("rows outlived the rollback: the import wrote outside "
                                       "its transaction");
            reset();
        }
        return problems;
    }

private:
    Scratch() {
        const QString data = folder.path() + QStringLiteral("/data");
        const char* const variables[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};
        QByteArray saved[3];
        for (int i = 0; i < 3; ++i) {
            saved[i] = qgetenv(variables[i]);
            qputenv(variables[i], QFile::encodeName(data + QLatin1Char('/') + variables[i]));
        }
        bool open = false;
        {
            orvtest::HostedPlugin plugin;
            open = plugin.library() && plugin.library()->isOpen();
        }
        for (int i = 0; i < 3; ++i) {
            if (saved[i].isNull())
                qunsetenv(variables[i]);
            else
                qputenv(variables[i], saved[i]);
        }
        if (!open || !library.open(data + QStringLiteral(
                                              "/XDG_DATA_HOME/Vireo/Vireo Studio/Media Library"))) {
            std::fprintf(stderr, "the scratch library cannot be made\n");
            std::abort();
        }
        // Every input is rolled back: the journal need not reach the disk.
        library.execute(QStringLiteral("PRAGMA journal_mode = MEMORY"));
    }

    // Back to the built-in playlists alone, after an import that escaped its transaction.
    void reset() {
        QSqlQuery query(QSqlDatabase::database(QLatin1String(kLibraryConnection), false));
        for (const char* statement :
             {"DELETE FROM node", "DELETE FROM playlist_item", "DELETE FROM recent_file",
              "DELETE FROM playlist WHERE playlist_type NOT IN (1, 2, 3, 4, 16, 18)"})
            query.exec(QLatin1String(statement));
    }

    QTemporaryDir folder;
    VireoStudio::LibraryDatabase library{kLibraryConnection};
};

// ---- Seeds ----

const char* const kPropertyNames[] = {
    "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/res",
    "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/size",
    "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/duration",
    "http://purl.org/dc/elements/1.1/title",
    "http://purl.org/dc/elements/1.1/importDate",
};
enum Property { Res = 1, Size, Duration, Title, Added };

// An older release's database, built with SQL on small pages so that the seed stays small.
class LegacySeed {
public:
    LegacySeed() {
        statements << QStringLiteral("PRAGMA page_size = 512")
                   << QStringLiteral("CREATE TABLE pindex (id INTEGER PRIMARY KEY, name TEXT)")
                   << QStringLiteral("CREATE TABLE property (object_id INTEGER, "
                                     "pindex_id INTEGER, value)")
                   << QStringLiteral("CREATE TABLE relation (parent INTEGER, object_id INTEGER)");
        for (const char* name : kPropertyNames)
            statements << QStringLiteral("INSERT INTO pindex (name) VALUES ('%1')")
                              .arg(QLatin1String(name));
    }
    LegacySeed& set(int object, Property property, const QString& sqlValue) {
        statements << QStringLiteral("INSERT INTO property VALUES (%1, %2, %3)")
                          .arg(object)
                          .arg(int(property))
                          .arg(sqlValue);
        return *this;
    }
    LegacySeed& file(int object, const QString& uri, const QString& added = "'2009-05-06'") {
        return set(object, Res, QLatin1Char('\'') + uri + QLatin1Char('\''))
            .set(object, Added, added)
            .set(object, Title, QStringLiteral("'Title %1'").arg(object))
            .set(object, Size, QString::number(object * 1000))
            .set(object, Duration, QString::number(object * 60));
    }
    LegacySeed& playlist(int object, const QString& title) {
        return set(object, Title, QLatin1Char('\'') + title + QLatin1Char('\''));
    }
    LegacySeed& member(int playlist, int file) {
        statements
            << QStringLiteral("INSERT INTO relation VALUES (%1, %2)").arg(playlist).arg(file);
        return *this;
    }
    LegacySeed& sql(const QString& statement) {
        statements << statement;
        return *this;
    }

    QByteArray bytes() const {
        QTemporaryDir folder;
        const QString path = folder.path() + QStringLiteral("/seed.dat");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                        QLatin1String(kSeedConnection));
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery query(db);
                for (const QString& statement : statements)
                    query.exec(statement);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QLatin1String(kSeedConnection));
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QStringList statements;
};

QByteArray queue(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DownloadManager><DownloadQueue>" + items +
           "</DownloadQueue></DownloadManager>\n";
}

} // namespace

QStringList importQueueFile(const QByteArray& content) {
    Scratch& scratch = Scratch::get();
    const QString path = scratch.path("downloadmanager.xml");
    if (!writeFile(path, content))
        return {QStringLiteral("cannot write the queue file")};
    return scratch.run(
        [&path](VireoStudio::LibraryDatabase& db) {
            return VireoStudio::LegacyQueueImporter(path, db).importQueue();
        },
        kQueueRules, std::size(kQueueRules));
}

QStringList importLegacyDatabase(const QByteArray& content) {
    Scratch& scratch = Scratch::get();
    const QString path = scratch.path("Database.dat");
    removeSideFiles(path);
    if (!writeFile(path, content))
        return {QStringLiteral("cannot write the database file")};
    QStringList problems;
    {
        VireoStudio::LibraryDatabase legacy(kLegacyConnection);
        // A file that does not open is no library to take over, as at start-up.
        if (legacy.open(path)) {
            problems = scratch.run(
                [&legacy](VireoStudio::LibraryDatabase& db) {
                    return VireoStudio::LegacyLibraryImporter(legacy, db).importLibrary();
                },
                kLegacyRules, std::size(kLegacyRules));
        }
    }
    removeSideFiles(path);
    return problems;
}

QMap<QString, QByteArray> queueSeeds() {
    QMap<QString, QByteArray> seeds;
    seeds[QStringLiteral("mixed.xml")] = queue(
        "<DownloadItem url='http://dl/1' ticket='T1' status='3' title='Queued' fileSize='10' "
        "contentProviderDisplayName='Studio' contentEncryptionUsageID='7'/>"
        "<DownloadItem url='http://dl/2' ticket='T2' status='4' filePath='C:\\Movies\\a b.avi' "
        "title='Done' fileSize='18446744073709551615' ticketAlreadyTorn='TRUE'/>"
        "<DownloadItem url='http://dl/3' ticket='T3' status='4' encrypted='True' "
        "filePath='/movies/locked.avi' contentEncryptionUsageID='-5'/>"
        "<DownloadItem url='http://dl/4' ticket='T4' status='5' encrypted='yes' "
        "filePath='file:///x/y.avi'/>"
        "<DownloadItem url='' ticket='T5' status='x'/>"
        "<DownloadItem status='4'/>");
    seeds[QStringLiteral("nesting.xml")] =
        "<Root><DownloadItem url='http://dl/out' ticket='O'/>"
        "<downloadqueue><DownloadItem url='http://dl/case' ticket='C'/></downloadqueue>"
        "<DownloadQueue><Group><DownloadItem url='http://dl/in' ticket='I'>"
        "<DownloadItem url='http://dl/nested' ticket='N'/></DownloadItem></Group>"
        "</DownloadQueue><DownloadQueue><DownloadItem url='http://dl/again' ticket='A'/>"
        "</DownloadQueue></Root>";
    seeds[QStringLiteral("broken.xml")] = "<DownloadQueue><DownloadItem url='http://dl/1' "
                                          "ticket='T1'/><DownloadItem url='http://dl/2' tic";
    seeds[QStringLiteral("same-ticket.xml")] =
        queue("<DownloadItem url='http://dl/1' ticket='T'/><DownloadItem url='http://dl/2' "
              "ticket='t'/>");
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray utf16Queue =
        utf16(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><DownloadQueue>"
                             "<DownloadItem url='http://dl/\u00e9' ticket='\u00c9t\u00e9' "
                             "status='4' filePath='C:\\Vid\u00e9os\\\u00e9t\u00e9.avi' "
                             "title='\u00c9t\u00e9'/></DownloadQueue>"));
    seeds[QStringLiteral("utf16.xml")] = utf16Queue;
    return seeds;
}

QMap<QString, QByteArray> legacyDatabaseSeeds() {
    QMap<QString, QByteArray> seeds;
    seeds[QStringLiteral("files-and-playlists.dat")] =
        LegacySeed()
            .file(1, QStringLiteral("file:///C:/Videos/my%20clip.avi"))
            .file(2, QStringLiteral("clip.avi"), QStringLiteral("'2009-05-06T07:08:09+02:00'"))
            .file(3, QStringLiteral("vireo_vod_file://ABC/123"), QStringLiteral("1234567"))
            .playlist(10, QStringLiteral("All Videos"))
            .playlist(11, QStringLiteral("Holiday"))
            .playlist(12, QStringLiteral("HOLIDAY"))
            .member(10, 1)
            .member(10, 2)
            .member(11, 2)
            .member(11, 3)
            .member(12, 3)
            .bytes();
    seeds[QStringLiteral("missing-properties.dat")] =
        LegacySeed()
            .file(1, QStringLiteral("file:///a.avi"), QStringLiteral("NULL"))
            .set(2, Res, QStringLiteral("'file:///no-duration.avi'"))
            .set(2, Title, QStringLiteral("'No duration'"))
            .set(2, Added, QStringLiteral("'last Tuesday'"))
            .set(2, Size, QStringLiteral("x'00ff'"))
            .playlist(10, QStringLiteral("Mix"))
            .member(10, 1)
            .bytes();
    seeds[QStringLiteral("same-uri-twice.dat")] = LegacySeed()
                                                      .file(1, QStringLiteral("file:///A.avi"))
                                                      .file(2, QStringLiteral("file:///a.avi"))
                                                      .bytes();
    seeds[QStringLiteral("no-files.dat")] =
        LegacySeed().sql(QStringLiteral("CREATE TABLE extra (x)")).bytes();
    return seeds;
}

void writeSeedsIfAsked(int argc, char** argv, const QMap<QString, QByteArray>& seeds) {
    const QByteArray option = "--write-seeds=";
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        if (!argument.startsWith(option))
            continue;
        const QString folder = QFile::decodeName(argument.mid(option.size()));
        QDir().mkpath(folder);
        for (auto seed = seeds.cbegin(); seed != seeds.cend(); ++seed) {
            if (!writeFile(folder + QLatin1Char('/') + seed.key(), seed.value())) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(seed.key()));
                std::exit(1);
            }
        }
        std::exit(0);
    }
}

void abortOnProblems(const QStringList& problems) {
    if (problems.isEmpty())
        return;
    std::fprintf(stderr, "the import broke the library's rules:\n%s\n",
                 qPrintable(problems.join(QLatin1Char('\n'))));
    std::abort();
}

} // namespace orvfuzz
